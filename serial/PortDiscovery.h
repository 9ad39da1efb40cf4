// The serial ports present on this computer and whether another program holds each. Linux
// lists them from sysfs (the root is a parameter so that a copy of the tree can stand in for
// /sys), Windows from the registry's list of serial devices.
#pragma once

#include <optional>
#include <string>
#include <vector>

// What the USB device a port belongs to says of itself; the texts are empty when it gives none.
struct TUsbPortIdentity {
    std::string Vendor;  // idVendor, four hex digits as sysfs gives them ("0403")
    std::string Product; // idProduct ("6001")
    std::string Manufacturer;
    std::string ProductName;
    std::string Serial;
};

struct TSerialPortInfo {
    std::string Path;    // the device node, such as /dev/ttyUSB0
    std::string ComName; // "COM3" for /dev/ttyS2; empty when no COM name maps to the node
    std::string Driver;  // the driver of the port's device ("ftdi_sio", "serial8250")
    std::optional<TUsbPortIdentity> Usb;
};

// Linux: every tty of SysfsRoot/class/tty that belongs to a device (consoles, virtual terminals and
// pseudo-terminals have none), in natural order of their names (ttyS2 before ttyS10). A
// ttyS port is left out when its driver reports no hardware behind it: type 0, or, where the
// kernel gives no type file, a node that refuses TIOCGSERIAL.
// Windows: every port of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM in natural order, its COM name as
// Path and ComName, its driver's device as Driver, without USB identity; SysfsRoot is unused.
std::vector<TSerialPortInfo> FindSerialPorts(const std::string& SysfsRoot = "/sys");
// The sysfs tree the front ends read the ports from: /sys, unless the environment variable
// VELMORA_SYSFS_ROOT names another. The tests set it to a tree of their own making; it is not
// meant for users.
std::string DefaultSysfsRoot();

enum class TPortState {
    Free,
    Busy,        // another program holds the port (exclusive mode or a lock)
    NoAccess,    // the user may not open it
    Unavailable, // it does not open for another reason (no node, no hardware, not a terminal)
};

// Opens the port as the programmer's port does (exclusive, locked), closes it at once and tells
// what the attempt showed.
TPortState ProbePortState(const std::string& Path);
// "free", "busy", "no-access" or "unavailable".
const char* PortStateName(TPortState State);

// Names compared with their runs of digits as numbers: ttyS2 < ttyS10 < ttyUSB0, COM2 < COM10.
bool NaturalNameLess(const std::string& First, const std::string& Second);

// True for a port name of the form "usb:SERIAL" or "usb:VVVV:PPPP".
bool IsUsbPortSelector(const std::string& PortName);
// The ports a "usb:" name stands for: "usb:VVVV:PPPP" those with that vendor and product id
// (hex digits in any case), any other "usb:SERIAL" those with that USB serial number.
std::vector<TSerialPortInfo> MatchUsbPorts(const std::vector<TSerialPortInfo>& Ports,
                                           const std::string& Selector);
