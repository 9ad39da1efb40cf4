// What the tests change in their own process's surroundings, on every system: environment
// variables and fresh folders. PosixTestEnvironment.cpp and WindowsTestEnvironment.cpp hold
// the system calls.
#pragma once

#include <string>

// Sets the environment variable Name to Value (UTF-8) for this process and its children.
void SetEnvironmentValue(const std::string& Name, const std::string& Value);
// Removes the environment variable Name.
void UnsetEnvironmentValue(const std::string& Name);
// Makes a new folder named Prefix followed by a suffix no other folder has; its path, or an
// empty string when it cannot be made.
std::string MakeUniqueFolder(const std::string& Prefix);
