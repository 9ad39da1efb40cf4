#include "serial/UdevPortWatcher.h"

#include "serial/PortNotices.h"

#include <algorithm>
#include <poll.h>
#include <string>
#include <vector>

#ifdef VELMORA_HAVE_LIBUDEV
#include <libudev.h>
#endif

TUdevPortWatcher::TUdevPortWatcher(IPortNotices& Target) : Target(Target) {
    Descriptor = OpenMonitor();
    if (Descriptor < 0) {
        Monitor.reset();
        Udev.reset();
    }
}

TUdevPortWatcher::~TUdevPortWatcher() = default;

void TUdevPortWatcher::ReceiveDevices() {
    TakeWaitingDevices();
}

bool TUdevPortWatcher::WaitAndReceive(int TimeoutMs) {
    // poll ignores a negative descriptor: an inactive watcher only waits out the time.
    pollfd Socket{Descriptor, POLLIN, 0};
    if (poll(&Socket, 1, std::max(TimeoutMs, 0)) <= 0) {
        return false; // the time is up, or a signal came
    }
    return TakeWaitingDevices() > 0;
}

#ifdef VELMORA_HAVE_LIBUDEV

namespace {

std::string TextOrEmpty(const char* Text) {
    return Text != nullptr ? std::string(Text) : std::string();
}

std::vector<std::string> DeviceLinks(udev_device* Device) {
    std::vector<std::string> Links;
    udev_list_entry* Entry = udev_device_get_devlinks_list_entry(Device);
    for (; Entry != nullptr; Entry = udev_list_entry_get_next(Entry)) {
        Links.push_back(TextOrEmpty(udev_list_entry_get_name(Entry)));
    }
    return Links;
}

} // namespace

void TUdevPortWatcher::TUdevRelease::operator()(udev* Context) const {
    udev_unref(Context);
}

void TUdevPortWatcher::TMonitorRelease::operator()(udev_monitor* Monitor) const {
    udev_monitor_unref(Monitor);
}

int TUdevPortWatcher::OpenMonitor() {
    Udev.reset(udev_new());
    if (!Udev) {
        return -1;
    }
    Monitor.reset(udev_monitor_new_from_netlink(Udev.get(), "udev"));
    if (!Monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(Monitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(Monitor.get()) < 0) {
        return -1;
    }
    return udev_monitor_get_fd(Monitor.get());
}

int TUdevPortWatcher::TakeWaitingDevices() {
    int Taken = 0;
    if (!IsActive()) {
        return Taken;
    }
    // The socket is non-blocking: receiving ends when no event is left.
    while (udev_device* Device = udev_monitor_receive_device(Monitor.get())) {
        const std::string Action = TextOrEmpty(udev_device_get_action(Device));
        const std::string DevNode = TextOrEmpty(udev_device_get_devnode(Device));
        const std::vector<std::string> Links = DeviceLinks(Device);
        const std::string DevPath = TextOrEmpty(udev_device_get_devpath(Device));
        udev_device_unref(Device);
        ++Taken;
        // A notice may run a whole programmer exchange; the device is released before that.
        DeliverPortEvent(Target, Action, DevNode, Links, DevPath);
    }
    return Taken;
}

#else

// Built without udev: nothing is ever opened, so there is nothing to release or receive.
void TUdevPortWatcher::TUdevRelease::operator()(udev*) const {}
void TUdevPortWatcher::TMonitorRelease::operator()(udev_monitor*) const {}

int TUdevPortWatcher::OpenMonitor() {
    return -1;
}

int TUdevPortWatcher::TakeWaitingDevices() {
    return 0;
}

#endif

std::unique_ptr<IPortWatcher> MakePortWatcher(IPortNotices& Target) {
    return std::make_unique<TUdevPortWatcher>(Target);
}
