// The Windows API as the window's files use it: the system's headers, each function called by
// its UTF-16 name (...W). The headers also define LoadImage and SendMessage as macros for the
// ANSI or UTF-16 function, which would rename the program's own LoadImage command and
// SendMessage method wherever they are seen after them; they are taken back here, so every
// winui file includes this header rather than <windows.h>.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>
#include <uxtheme.h>

#undef LoadImage
#undef SendMessage
