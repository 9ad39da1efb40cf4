// The main window's questions in its own question dialog (Russian buttons whatever the system's
// language), all titled "Подтверждение": Yes/No (No by default, and on Esc), Yes/No with a
// "do not ask again" box, and Save / Don't save / Cancel (Save by default, Cancel on Esc).
#pragma once

#include "operations/MainWindowView.h"
#include "operations/UnsavedRead.h"

#include "winui/WindowsApi.h"

#include <string>

bool AskYesNo(HWND Owner, const std::string& Question);
TChipEraseAnswer AskYesNoWithDoNotAskAgain(HWND Owner, const std::string& Question);
TUnsavedReadAnswer AskSaveDontSaveCancel(HWND Owner, const std::string& Question);
