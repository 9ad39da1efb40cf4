// Where the program keeps its per-user files (the traffic log and the settings file):
// $XDG_DATA_HOME/Velmora, or ~/.local/share/Velmora when XDG_DATA_HOME is unset or empty.
#pragma once

#include <string>

// The program's folder, without a trailing slash. Does not create it.
std::string GetProgramDataFolder();

// Creates the folder and any missing parents. Returns false when it cannot be created.
bool EnsureFolderExists(const std::string& Folder);
