#include "ui/PortNotices.h"

#include "serial/AnisochronousCommPort.h"

#include <climits>
#include <cstdlib>
#include <memory>

std::string PortDevicePath(const std::string& PortName) {
    const std::string Path = TAnisochronousComm::ResolveDeviceName(PortName);
    const std::unique_ptr<char, decltype(&std::free)> Real(realpath(Path.c_str(), nullptr),
                                                           &std::free);
    return Real ? std::string(Real.get()) : Path;
}

bool IsSamePort(const std::string& First, const std::string& Second) {
    return First == Second || PortDevicePath(First) == PortDevicePath(Second);
}

bool DeliverPortEvent(TPortNotices& Target, const std::string& Action, const std::string& DevNode,
                      const std::vector<std::string>& Links, const std::string& DevPath) {
    static const std::string VirtualDevices = "/devices/virtual/";
    if (DevNode.empty() || DevPath.compare(0, VirtualDevices.size(), VirtualDevices) == 0) {
        return false;
    }
    if (Action == "add") {
        Target.PortArrived(DevNode);
        return true;
    }
    if (Action == "remove") {
        Target.PortRemoved(DevNode, Links);
        return true;
    }
    return false;
}
