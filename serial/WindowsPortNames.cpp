// The port name rules of Windows: a port is a device of the \\.\ namespace, COM3 is \\.\COM3,
// and names are compared without regard to case, as Windows compares them.
#include "serial/PortNames.h"

#include <algorithm>

namespace {

// The prefix that names a device instead of a file; COM10 and above open only with it.
const std::string DevicePrefix = "\\\\.\\";
// The prefix of a path that Windows takes without any rewriting.
const std::string VerbatimPrefix = "\\\\?\\";

bool StartsWith(const std::string& Text, const std::string& Prefix) {
    return Text.compare(0, Prefix.size(), Prefix) == 0;
}

std::string UpperCase(std::string Text) {
    std::transform(Text.begin(), Text.end(), Text.begin(), [](char C) {
        return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
    });
    return Text;
}

} // namespace

// Any name is a device name as typed ("COM3", "CNCA0"); one that already names a device or a
// path with its prefix is used as it stands.
std::string ResolveDeviceName(const std::string& PortName) {
    if (PortName.empty() || StartsWith(PortName, DevicePrefix) ||
        StartsWith(PortName, VerbatimPrefix)) {
        return PortName;
    }
    return DevicePrefix + PortName;
}

std::string PortDevicePath(const std::string& PortName) {
    return ResolveDeviceName(PortName);
}

bool IsSamePort(const std::string& First, const std::string& Second) {
    return UpperCase(PortDevicePath(First)) == UpperCase(PortDevicePath(Second));
}
