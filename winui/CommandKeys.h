// The main window's keys: the file commands on Ctrl+N, O, S and Q, help on F1, the operations
// on F5 to F8 with their page-range forms on Shift, checking every page on Ctrl+F8, the
// programmer's initialisation on F9 and the stop on Esc. One table gives the accelerators and
// the key names the menus show.
#pragma once

#include "operations/MainWindowView.h"
#include "winui/WinHandles.h"

#include <string>

// The accelerator table of every key above.
TAcceleratorOwner MakeCommandAccelerators();
// How the menu names Command's key ("Ctrl+N", "Shift+F5"); empty when it has none.
std::wstring CommandKeyName(TWindowCommand Command);
