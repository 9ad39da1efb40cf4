// A sysfs tree of serial ports made in a temporary folder, laid out as the kernel lays out
// /sys: class/tty links to the ttys under devices, a tty's device link to the device it belongs
// to, a device's driver link to its driver, and the USB device above a USB port's interface.
#pragma once

#include "tests/support/TempFolder.h"

#include <string>

struct TFakeUsbDevice {
    std::string Vendor;
    std::string Product;
    std::string Manufacturer;
    std::string ProductName;
    std::string Serial; // empty: the device has no serial file
};

class TFakeSysfs {
public:
    const std::string& Root() const { return Folder.Path(); }

    // A tty that belongs to no device: a console, a virtual terminal, a pseudo-terminal.
    void AddVirtualTty(const std::string& Name);
    // A port of the 8250 platform driver with the port type its type file gives (0: no
    // hardware).
    void AddLegacyPort(const std::string& Name, int Type);
    // A port of a USB device's first interface, served by Driver. Each call makes a USB device
    // of its own. NodeName, when given, is the node's name below /dev in the tty's uevent.
    void AddUsbPort(const std::string& Name, const std::string& Driver,
                    const TFakeUsbDevice& Device, const std::string& NodeName = "");

private:
    // Makes devices/Folder/tty/Name with its uevent, and class/tty/Name linking to it.
    std::string AddTty(const std::string& DeviceFolder, const std::string& Name,
                       const std::string& NodeName);
    void Link(const std::string& Target, const std::string& Link) const;

    TTempFolder Folder{"velmora-sysfs"};
    int UsbDevices = 0;
};
