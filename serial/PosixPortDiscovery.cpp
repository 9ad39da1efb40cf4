// The serial ports of Linux: the ttys of /sys/class/tty that have a device behind them.
#include "serial/PortDiscovery.h"

#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute without its line end; empty when there is none.
std::string ReadAttribute(const fs::path& File) {
    std::ifstream Stream(File);
    std::string Line;
    std::getline(Stream, Line);
    while (!Line.empty() && std::isspace(static_cast<unsigned char>(Line.back()))) {
        Line.pop_back();
    }
    return Line;
}

// The node's name below /dev as the kernel gives it in the tty's uevent, else the tty's name.
std::string NodeName(const fs::path& Tty) {
    std::ifstream Uevent(Tty / "uevent");
    for (std::string Line; std::getline(Uevent, Line);) {
        if (Line.compare(0, 8, "DEVNAME=") == 0 && Line.size() > 8) {
            return Line.substr(8);
        }
    }
    return Tty.filename().string();
}

bool IsBelow(const fs::path& Folder, const fs::path& Top) {
    const std::string& Path = Folder.native();
    const std::string& Prefix = Top.native();
    return Path.size() > Prefix.size() && Path.compare(0, Prefix.size(), Prefix) == 0 &&
           (Prefix.back() == '/' || Path[Prefix.size()] == '/');
}

// The driver that serves the port's hardware. Since Linux 6.5 the tty of a serial-core port
// belongs to a port device below a controller device, both of the serial-base bus (drivers
// "port" and "ctrl"); the hardware's driver is the one of the device above them.
std::string DriverOf(const fs::path& Device, const fs::path& Root) {
    std::error_code Error;
    const fs::path Top = fs::canonical(Root, Error);
    fs::path Folder = Error ? fs::path() : fs::canonical(Device, Error);
    for (; !Error && IsBelow(Folder, Top); Folder = Folder.parent_path()) {
        const fs::path Driver = fs::read_symlink(Folder / "driver", Error);
        if (!Error && Driver.parent_path().parent_path().filename() != "serial-base") {
            return Driver.filename().string();
        }
    }
    return std::string();
}

// The USB device the port's device hangs from: the nearest folder above it, within the sysfs
// tree, that has a vendor and a product id.
std::optional<TUsbPortIdentity> UsbIdentityOf(const fs::path& Device, const fs::path& Root) {
    std::error_code Error;
    const fs::path Top = fs::canonical(Root, Error);
    fs::path Folder = Error ? fs::path() : fs::canonical(Device, Error);
    for (; !Error && IsBelow(Folder, Top); Folder = Folder.parent_path()) {
        if (fs::exists(Folder / "idVendor") && fs::exists(Folder / "idProduct")) {
            TUsbPortIdentity Usb;
            Usb.Vendor = ReadAttribute(Folder / "idVendor");
            Usb.Product = ReadAttribute(Folder / "idProduct");
            Usb.Manufacturer = ReadAttribute(Folder / "manufacturer");
            Usb.ProductName = ReadAttribute(Folder / "product");
            Usb.Serial = ReadAttribute(Folder / "serial");
            return Usb;
        }
    }
    return std::nullopt;
}

// The number of a legacy serial port's name ("ttyS4": 4); nothing for any other name.
std::optional<unsigned long> LegacyPortNumber(const std::string& Name) {
    if (Name.size() <= 4 || Name.size() > 12 || Name.compare(0, 4, "ttyS") != 0 ||
        !std::all_of(Name.begin() + 4, Name.end(),
                     [](char C) { return std::isdigit(static_cast<unsigned char>(C)); })) {
        return std::nullopt;
    }
    return std::stoul(Name.substr(4));
}

// False for a legacy port whose driver knows no hardware behind it: the 8250 driver makes
// every ttyS it may serve, present or not. The type file says so; without one the node is asked.
// A node the user may not open is kept, as nothing can be told about it.
bool HasHardware(const fs::path& Tty, const std::string& Path) {
    std::ifstream TypeFile(Tty / "type");
    long Type = 0;
    if (TypeFile >> Type) {
        return Type != PORT_UNKNOWN;
    }
    const int Descriptor = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Descriptor < 0) {
        return errno == EACCES || errno == EPERM || errno == EBUSY;
    }
    serial_struct Info{};
    const bool Known = ::ioctl(Descriptor, TIOCGSERIAL, &Info) == 0 && Info.type != PORT_UNKNOWN;
    ::close(Descriptor);
    return Known;
}

} // namespace

std::vector<TSerialPortInfo> FindSerialPorts(const std::string& SysfsRoot) {
    std::vector<std::pair<std::string, TSerialPortInfo>> Found;
    std::error_code Error;
    for (fs::directory_iterator Entry(fs::path(SysfsRoot) / "class" / "tty", Error), End;
         !Error && Entry != End; Entry.increment(Error)) {
        const fs::path Tty = Entry->path();
        const fs::path Device = Tty / "device";
        std::error_code Missing;
        if (!fs::exists(Device, Missing)) {
            continue;
        }
        const std::string Name = Tty.filename().string();
        TSerialPortInfo Port;
        Port.Path = "/dev/" + NodeName(Tty);
        if (const auto Number = LegacyPortNumber(Name)) {
            if (!HasHardware(Tty, Port.Path)) {
                continue;
            }
            const std::string ComName = "COM" + std::to_string(*Number + 1);
            if (ResolveDeviceName(ComName) == Port.Path) {
                Port.ComName = ComName;
            }
        }
        Port.Driver = DriverOf(Device, SysfsRoot);
        Port.Usb = UsbIdentityOf(Device, SysfsRoot);
        Found.emplace_back(Name, std::move(Port));
    }
    std::sort(Found.begin(), Found.end(), [](const auto& First, const auto& Second) {
        return NaturalNameLess(First.first, Second.first);
    });
    std::vector<TSerialPortInfo> Ports;
    for (auto& Entry : Found) {
        Ports.push_back(std::move(Entry.second));
    }
    return Ports;
}

std::string DefaultSysfsRoot() {
    const char* Root = std::getenv("VELMORA_SYSFS_ROOT");
    return Root != nullptr && Root[0] != '\0' ? Root : "/sys";
}

TPortState ProbePortState(const std::string& Path) {
    const int Descriptor = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Descriptor < 0) {
        switch (errno) {
        case EACCES:
        case EPERM:
        case EROFS:
            return TPortState::NoAccess;
        case EBUSY: // in exclusive mode
            return TPortState::Busy;
        default:
            return TPortState::Unavailable;
        }
    }
    TPortState State = TPortState::Free;
    int Exclusive = 0;
    if (!isatty(Descriptor)) {
        State = TPortState::Unavailable;
    } else if (::flock(Descriptor, LOCK_EX | LOCK_NB) != 0) {
        State = TPortState::Busy;
    } else if (::ioctl(Descriptor, TIOCGEXCL, &Exclusive) == 0 && Exclusive != 0) {
        // Put in exclusive mode by its holder; only a privileged user gets this far.
        State = TPortState::Busy;
    } else if (::ioctl(Descriptor, TIOCEXCL) != 0) {
        State = TPortState::Unavailable;
    } else {
        // Exclusive mode outlives the descriptor on some devices (pseudo-terminals).
        ::ioctl(Descriptor, TIOCNXCL);
    }
    ::close(Descriptor);
    return State;
}
