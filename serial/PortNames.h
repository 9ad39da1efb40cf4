// Port names as the user types them, and the device each stands for: "COM3" is the third serial
// port, a bare name such as "ttyUSB0" a device node, anything else a path. Used by the port when
// it opens a name and by the window when it compares a departed device with the port in use.
// Each platform has its own rules (PosixPortNames.cpp, WindowsPortNames.cpp); on Windows every
// name is a device of the \\.\ namespace ("COM3" is \\.\COM3) and case does not matter.
#pragma once

#include <string>

// The device path a port name stands for, from the name alone: "COMn" is /dev/ttyS(n-1), a name
// without "/" is a node in /dev (ttyUSB0, ttyACM0), anything else is a path used as it stands.
// Windows: \\.\ before the name, unless it starts with \\.\ or \\?\ already.
std::string ResolveDeviceName(const std::string& PortName);
// The device a port name stands for, with symbolic links that still exist followed to their
// device: COM5 is /dev/ttyS4, /dev/serial/by-id/... the node it points to.
std::string PortDevicePath(const std::string& PortName);
// True when both names stand for the same device.
bool IsSamePort(const std::string& First, const std::string& Second);
