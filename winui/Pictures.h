// The program's pictures, built into it as icon resources (winui/Velmora.rc.in): the tool bar's,
// the image group's and the window's.
#pragma once

#include "winui/WinHandles.h"

// The picture Name (a resource name such as L"WRITE") at Size × Size pixels: the best size of
// the icon, scaled when it has none that fits.
TIconOwner LoadPicture(const wchar_t* Name, int Size);
