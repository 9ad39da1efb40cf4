// The mark that a COM port is open in a program of this session: a named mutex that lives as
// long as the port is open ("Local\Velmora-COM7"). Windows refuses a second open of a COM port
// itself, but not every driver (nor wine) does.
#pragma once

#include <string>

// The mutex name for the port at Path ("COM7" or "\\.\COM7", in any case).
std::wstring PortLockName(const std::string& Path);
// True while some program holds the port at Path open.
bool IsPortLockHeld(const std::string& Path);
