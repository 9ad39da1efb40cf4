#include "serial/PortNotices.h"
#include "serial/PortWatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// Records port notices as they are delivered.
class TRecordedNotices : public IPortNotices {
public:
    void PortArrived(const std::string& Name) override { Notices.push_back("add " + Name); }
    void PortRemoved(const std::string& Name, const std::vector<std::string>& Others) override {
        std::string Notice = "remove " + Name;
        for (const std::string& Other : Others) {
            Notice += " " + Other;
        }
        Notices.push_back(Notice);
    }
    std::vector<std::string> Notices;
};

} // namespace

TEST(PortNotices, DeviceEventsAreSortedIntoNotices) {
    const std::string UsbPort =
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";
    const std::string AcmPort = "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/tty/ttyACM1";
    TRecordedNotices Notices;
    EXPECT_TRUE(DeliverPortEvent(Notices, "add", "/dev/ttyUSB0", {}, UsbPort));
    EXPECT_TRUE(
        DeliverPortEvent(Notices, "remove", "/dev/ttyACM1", {"/dev/serial/by-id/x"}, AcmPort));
    EXPECT_FALSE(DeliverPortEvent(Notices, "change", "/dev/ttyUSB0", {}, UsbPort));
    EXPECT_FALSE(DeliverPortEvent(Notices, "bind", "/dev/ttyUSB0", {}, UsbPort));
    EXPECT_FALSE(DeliverPortEvent(Notices, "add", "/dev/tty5", {}, "/devices/virtual/tty/tty5"));
    EXPECT_FALSE(DeliverPortEvent(Notices, "remove", "/dev/ptmx", {}, "/devices/virtual/tty/ptmx"));
    EXPECT_FALSE(DeliverPortEvent(Notices, "add", "", {}, UsbPort));
    EXPECT_EQ(Notices.Notices, (std::vector<std::string>{
                                   "add /dev/ttyUSB0", "remove /dev/ttyACM1 /dev/serial/by-id/x"}));
}

// Where udev answers the watcher listens, in a container without a netlink socket it stays
// inactive. Nothing is plugged in or out meanwhile, so either way the wait lasts its time, not
// much longer, and delivers nothing.
TEST(PortWatcher, WaitWithoutDeviceEventsLastsItsTimeAndDeliversNothing) {
    TRecordedNotices Notices;
    const std::unique_ptr<IPortWatcher> Watcher = MakePortWatcher(Notices);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Watcher->WaitAndReceive(100));
    const auto Waited = std::chrono::steady_clock::now() - Start;
    EXPECT_GE(Waited, std::chrono::milliseconds(100));
    EXPECT_LT(Waited, std::chrono::seconds(10));
    EXPECT_TRUE(Notices.Notices.empty());
}
