// The port name rules of POSIX systems: serial ports are /dev/ttyS0, /dev/ttyS1 ...
#include "serial/PortNames.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

bool IsAllDigits(const std::string& Text) {
    return !Text.empty() &&
           std::all_of(Text.begin(), Text.end(), [](char C) { return C >= '0' && C <= '9'; });
}

bool StartsWithCom(const std::string& Name) {
    return Name.size() > 3 && (Name[0] == 'C' || Name[0] == 'c') &&
           (Name[1] == 'O' || Name[1] == 'o') && (Name[2] == 'M' || Name[2] == 'm');
}

} // namespace

std::string ResolveDeviceName(const std::string& PortName) {
    if (StartsWithCom(PortName) && IsAllDigits(PortName.substr(3))) {
        const unsigned long Number = std::strtoul(PortName.c_str() + 3, nullptr, 10);
        if (Number >= 1 && PortName.size() <= 12) {
            return "/dev/ttyS" + std::to_string(Number - 1);
        }
    }
    if (PortName.empty() || PortName.find('/') != std::string::npos) {
        return PortName;
    }
    return "/dev/" + PortName;
}

std::string PortDevicePath(const std::string& PortName) {
    const std::string Path = ResolveDeviceName(PortName);
    const std::unique_ptr<char, decltype(&std::free)> Real(realpath(Path.c_str(), nullptr),
                                                           &std::free);
    return Real ? std::string(Real.get()) : Path;
}

bool IsSamePort(const std::string& First, const std::string& Second) {
    return First == Second || PortDevicePath(First) == PortDevicePath(Second);
}
