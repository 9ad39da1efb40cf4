#include "ui/UdevPortMonitor.h"

#include "ui/PortNotices.h"

#include <QSocketNotifier>
#include <string>
#include <vector>

#ifdef VELMORA_HAVE_LIBUDEV
#include <libudev.h>
#endif

TUdevPortMonitor::TUdevPortMonitor(TPortNotices& Target, QObject* Parent)
    : QObject(Parent), Target(Target) {
    Start();
}

TUdevPortMonitor::~TUdevPortMonitor() {
    Release();
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

void TUdevPortMonitor::Start() {
    Udev = udev_new();
    if (Udev == nullptr) {
        return;
    }
    Monitor = udev_monitor_new_from_netlink(Udev, "udev");
    if (Monitor == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(Monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(Monitor) < 0) {
        Release();
        return;
    }
    const int Descriptor = udev_monitor_get_fd(Monitor);
    if (Descriptor < 0) {
        Release();
        return;
    }
    Notifier = new QSocketNotifier(Descriptor, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, [this] { ReceiveDevices(); });
}

void TUdevPortMonitor::Release() {
    delete Notifier;
    Notifier = nullptr;
    if (Monitor != nullptr) {
        udev_monitor_unref(Monitor);
        Monitor = nullptr;
    }
    if (Udev != nullptr) {
        udev_unref(Udev);
        Udev = nullptr;
    }
}

void TUdevPortMonitor::ReceiveDevices() {
    // The socket is non-blocking: receiving ends when no event is left.
    while (udev_device* Device = udev_monitor_receive_device(Monitor)) {
        const std::string Action = TextOrEmpty(udev_device_get_action(Device));
        const std::string DevNode = TextOrEmpty(udev_device_get_devnode(Device));
        const std::vector<std::string> Links = DeviceLinks(Device);
        const std::string DevPath = TextOrEmpty(udev_device_get_devpath(Device));
        udev_device_unref(Device);
        // A notice may run a whole programmer exchange; the device is released before that.
        DeliverPortEvent(Target, Action, DevNode, Links, DevPath);
    }
}

#else

void TUdevPortMonitor::Start() {}
void TUdevPortMonitor::Release() {}
void TUdevPortMonitor::ReceiveDevices() {}

#endif
