#include "serial/PortDiscovery.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/support/FakeSysfs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const TFakeUsbDevice Ftdi = {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"};
const TFakeUsbDevice Arduino = {"2341", "0043", "Arduino (www.arduino.cc)", "Uno", ""};

// One line per port: what the scan found, in its order.
std::vector<std::string> Describe(const std::vector<TSerialPortInfo>& Ports) {
    std::vector<std::string> Lines;
    for (const TSerialPortInfo& Port : Ports) {
        std::string Line = Port.Path + "|" + Port.ComName + "|" + Port.Driver;
        if (Port.Usb) {
            Line += "|" + Port.Usb->Vendor + ":" + Port.Usb->Product + "|" +
                    Port.Usb->Manufacturer + "|" + Port.Usb->ProductName + "|" + Port.Usb->Serial;
        }
        Lines.push_back(Line);
    }
    return Lines;
}

} // namespace

TEST(PortDiscovery, ListsDevicePortsInNaturalOrderWithoutVirtualTtysOrEmptyLegacyPorts) {
    TFakeSysfs Sysfs;
    Sysfs.AddVirtualTty("console");
    Sysfs.AddVirtualTty("tty1");
    Sysfs.AddVirtualTty("ptmx");
    Sysfs.AddVirtualTty("ttyp0");
    Sysfs.AddLegacyPort("ttyS10", 4);
    Sysfs.AddLegacyPort("ttyS2", 4);
    Sysfs.AddLegacyPort("ttyS3", 0);
    Sysfs.AddUsbPort("ttyUSB0", "ftdi_sio", Ftdi);
    Sysfs.AddUsbPort("ttyACM0", "cdc_acm", Arduino);
    EXPECT_EQ(Describe(FindSerialPorts(Sysfs.Root())),
              (std::vector<std::string>{
                  "/dev/ttyACM0||cdc_acm|2341:0043|Arduino (www.arduino.cc)|Uno|",
                  "/dev/ttyS2|COM3|serial8250",
                  "/dev/ttyS10|COM11|serial8250",
                  "/dev/ttyUSB0||ftdi_sio|0403:6001|FTDI|FT232R USB UART|A50285BI",
              }));
    EXPECT_TRUE(FindSerialPorts(Sysfs.Root() + "/missing").empty());
}

TEST(PortDiscovery, UsbNamesMatchBySerialNumberOrByIdsInAnyCase) {
    TFakeSysfs Sysfs;
    Sysfs.AddLegacyPort("ttyS0", 4);
    Sysfs.AddUsbPort("ttyUSB0", "ftdi_sio", Ftdi);
    Sysfs.AddUsbPort("ttyUSB1", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R", "B1"});
    Sysfs.AddUsbPort("ttyACM0", "cdc_acm", Arduino);
    const std::vector<TSerialPortInfo> Ports = FindSerialPorts(Sysfs.Root());
    const std::pair<std::string, std::vector<std::string>> Cases[] = {
        {"usb:A50285BI", {"/dev/ttyUSB0"}},
        {"usb:a50285bi", {}},
        {"usb:0403:6001", {"/dev/ttyUSB0", "/dev/ttyUSB1"}},
        {"usb:2341:0043", {"/dev/ttyACM0"}},
        {"usb:2341:0043 ", {}},
        {"usb:0403:600", {}},
        {"usb:", {}},
    };
    for (const auto& [Selector, Paths] : Cases) {
        std::vector<std::string> Found;
        for (const TSerialPortInfo& Port : MatchUsbPorts(Ports, Selector)) {
            Found.push_back(Port.Path);
        }
        EXPECT_EQ(Found, Paths) << Selector;
    }
    std::vector<TSerialPortInfo> UpperCase = Ports;
    UpperCase[0].Usb->Vendor = "2ABC";
    UpperCase[0].Usb->Product = "00FF";
    EXPECT_EQ(MatchUsbPorts(UpperCase, "usb:2abc:00ff").size(), 1u);
    EXPECT_TRUE(IsUsbPortSelector("usb:x"));
    EXPECT_FALSE(IsUsbPortSelector("/dev/usb:x"));
}

TEST(PortDiscovery, ProbeTellsFreeBusyAndUnopenablePortsApart) {
    TPseudoTerminal Line;
    EXPECT_EQ(ProbePortState(Line.SlavePath()), TPortState::Free);
    // The probe leaves the port as it found it: free again, not in exclusive mode.
    EXPECT_EQ(ProbePortState(Line.SlavePath()), TPortState::Free);

    const int Holder = ::open(Line.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(Holder, 0);
    ASSERT_EQ(::flock(Holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ProbePortState(Line.SlavePath()), TPortState::Busy);
    ::flock(Holder, LOCK_UN);
    ASSERT_EQ(::ioctl(Holder, TIOCEXCL), 0);
    // Refused with EBUSY, or opened by a privileged user who sees the exclusive mode.
    EXPECT_EQ(ProbePortState(Line.SlavePath()), TPortState::Busy);
    ::ioctl(Holder, TIOCNXCL);
    ::close(Holder);
    EXPECT_EQ(ProbePortState(Line.SlavePath()), TPortState::Free);

    TTempFolder Folder;
    WriteFileText(Folder.File("plain"), "");
    EXPECT_EQ(ProbePortState(Folder.File("plain")), TPortState::Unavailable);
    EXPECT_EQ(ProbePortState(Folder.File("missing")), TPortState::Unavailable);
    if (geteuid() != 0) {
        ::chmod(Folder.File("plain").c_str(), 0);
        EXPECT_EQ(ProbePortState(Folder.File("plain")), TPortState::NoAccess);
    }
}
