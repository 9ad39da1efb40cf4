// Notices that a serial port device arrived or left. Whether a departed device is the port in
// use is told by IsSamePort of the port names.
#pragma once

#include "serial/PortNames.h"

#include <string>
#include <vector>

class IPortNotices {
public:
    virtual ~IPortNotices() = default;
    // Name: the port's device node, e.g. /dev/ttyUSB0.
    virtual void PortArrived(const std::string& Name) = 0;
    // OtherNames: further names of the same device (its symbolic links), when known.
    virtual void PortRemoved(const std::string& Name,
                             const std::vector<std::string>& OtherNames = {}) = 0;
};

// Hands one device event of the "tty" subsystem to Target: "add" and "remove" of a device with
// a device node that is not a virtual terminal (DevPath below /devices/virtual/: consoles,
// pseudo-terminals). Everything else is ignored. Returns true when a notice was delivered.
// The device path travels with the event, so a device that is already gone is judged alike.
bool DeliverPortEvent(IPortNotices& Target, const std::string& Action, const std::string& DevNode,
                      const std::vector<std::string>& Links, const std::string& DevPath);
