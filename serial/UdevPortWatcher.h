// The port watcher of Linux: follows the "tty" subsystem through udev's netlink monitor.
// Without udev (not built in, or no netlink socket at run time) it stays inactive.
#pragma once

#include "serial/PortWatcher.h"

#include <memory>

struct udev;
struct udev_monitor;

class TUdevPortWatcher final : public IPortWatcher {
public:
    explicit TUdevPortWatcher(IPortNotices& Target);
    ~TUdevPortWatcher() override;

    bool IsActive() const override { return Descriptor >= 0; }
    // The monitor's socket.
    int GetDescriptor() const override { return Descriptor; }
    void ReceiveDevices() override;
    bool WaitAndReceive(int TimeoutMs) override;

private:
    struct TUdevRelease {
        void operator()(udev* Context) const;
    };
    struct TMonitorRelease {
        void operator()(udev_monitor* Monitor) const;
    };

    // Opens the monitor and returns its socket, or -1 when udev does not answer.
    int OpenMonitor();
    // The number of device events taken.
    int TakeWaitingDevices();

    IPortNotices& Target;
    std::unique_ptr<udev, TUdevRelease> Udev;
    std::unique_ptr<udev_monitor, TMonitorRelease> Monitor;
    int Descriptor = -1;
};
