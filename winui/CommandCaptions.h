// How the main window names and pictures its commands: the caption of each command's menu item
// (also its tool bar button's tip) and the picture beside it, where it has one.
#pragma once

#include "operations/MainWindowView.h"

const char* CommandCaption(TWindowCommand Command);
// The picture's resource name; null for a command without one.
const wchar_t* CommandPicture(TWindowCommand Command);
