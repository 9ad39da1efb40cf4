// What the program's windows need of the system before the first is made: the common controls
// (tool bar, status bar, tabs, list view, progress bar, tool tips) and RichEdit's library,
// held for as long as this lives.
#pragma once

#include "winui/WinHandles.h"

class TWindowsUi {
public:
    TWindowsUi();

private:
    TModuleOwner RichEdit;
};
