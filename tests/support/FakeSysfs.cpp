#include "tests/support/FakeSysfs.h"

#include <filesystem>

namespace fs = std::filesystem;

void TFakeSysfs::Link(const std::string& Target, const std::string& Link) const {
    fs::create_directories(fs::path(Link).parent_path());
    fs::create_directory_symlink(Target, Link);
}

std::string TFakeSysfs::AddTty(const std::string& DeviceFolder, const std::string& Name,
                               const std::string& NodeName) {
    const std::string Tty = Root() + "/devices/" + DeviceFolder + "/tty/" + Name;
    fs::create_directories(Tty);
    WriteFileText(Tty + "/uevent",
                  "MAJOR=4\nMINOR=64\nDEVNAME=" + (NodeName.empty() ? Name : NodeName) + "\n");
    Link(Tty, Root() + "/class/tty/" + Name);
    return Tty;
}

void TFakeSysfs::AddVirtualTty(const std::string& Name) {
    AddTty("virtual", Name, "");
}

// As Linux 6.5 and later lay such a port out: the tty below a port device, below a controller
// device, both of the serial-base bus, below the platform device of the 8250 driver.
void TFakeSysfs::AddLegacyPort(const std::string& Name, int Type) {
    const std::string Platform = "platform/serial8250";
    const std::string Controller = Platform + "/serial8250:0";
    const std::string Port = Controller + "/serial8250:0." + Name.substr(4);
    const std::string Tty = AddTty(Port, Name, "");
    WriteFileText(Tty + "/type", std::to_string(Type) + "\n");
    Link(Root() + "/devices/" + Port, Tty + "/device");
    const std::pair<std::string, std::string> Drivers[] = {
        {Platform, "platform/drivers/serial8250"},
        {Controller, "serial-base/drivers/ctrl"},
        {Port, "serial-base/drivers/port"}};
    for (const auto& [Device, Driver] : Drivers) {
        fs::create_directories(Root() + "/bus/" + Driver);
        if (!fs::exists(Root() + "/devices/" + Device + "/driver")) {
            Link(Root() + "/bus/" + Driver, Root() + "/devices/" + Device + "/driver");
        }
    }
}

void TFakeSysfs::AddUsbPort(const std::string& Name, const std::string& Driver,
                            const TFakeUsbDevice& Device, const std::string& NodeName) {
    const std::string UsbName = "1-" + std::to_string(++UsbDevices);
    const std::string UsbFolder = "pci0000:00/0000:00:14.0/usb1/" + UsbName;
    const std::string UsbDevice = Root() + "/devices/" + UsbFolder;
    const std::string Interface = UsbDevice + "/" + UsbName + ":1.0";
    const std::string Tty = AddTty(UsbFolder + "/" + UsbName + ":1.0", Name, NodeName);
    WriteFileText(UsbDevice + "/idVendor", Device.Vendor + "\n");
    WriteFileText(UsbDevice + "/idProduct", Device.Product + "\n");
    WriteFileText(UsbDevice + "/manufacturer", Device.Manufacturer + "\n");
    WriteFileText(UsbDevice + "/product", Device.ProductName + "\n");
    if (!Device.Serial.empty()) {
        WriteFileText(UsbDevice + "/serial", Device.Serial + "\n");
    }
    // The interface itself has ids of its own that are not the device's.
    WriteFileText(Interface + "/bInterfaceNumber", "00\n");
    fs::create_directories(Root() + "/bus/usb/drivers/" + Driver);
    if (!fs::exists(Interface + "/driver")) {
        Link(Root() + "/bus/usb/drivers/" + Driver, Interface + "/driver");
    }
    Link(Interface, Tty + "/device");
}
