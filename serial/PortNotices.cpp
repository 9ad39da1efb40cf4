#include "serial/PortNotices.h"

bool DeliverPortEvent(IPortNotices& Target, const std::string& Action, const std::string& DevNode,
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
