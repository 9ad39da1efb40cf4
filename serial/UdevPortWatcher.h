// Follows serial port devices arriving and leaving through udev's netlink monitor on the "tty"
// subsystem and hands each to a TPortNotices. Without udev (not built in, or no netlink socket
// at run time) the watcher stays inactive and the program runs without port notices.
//
// The watcher runs no thread of its own: an event loop watches GetDescriptor() for reading and
// calls ReceiveDevices when it is readable, or a plain loop calls WaitAndReceive. Notices are
// delivered on the thread that calls these.
#pragma once

#include <memory>

class TPortNotices;
struct udev;
struct udev_monitor;

class TUdevPortWatcher {
public:
    explicit TUdevPortWatcher(TPortNotices& Target);
    ~TUdevPortWatcher();
    TUdevPortWatcher(const TUdevPortWatcher&) = delete;
    TUdevPortWatcher& operator=(const TUdevPortWatcher&) = delete;

    // True while device events are being received.
    bool IsActive() const { return Descriptor >= 0; }
    // The monitor's socket, readable when device events wait; -1 when inactive.
    int GetDescriptor() const { return Descriptor; }
    // Takes every device event waiting on the socket and delivers each to the target.
    // Returns at once when none waits.
    void ReceiveDevices();
    // Waits up to TimeoutMs (a negative time counts as none) for device events, then takes
    // them as ReceiveDevices does. True when at least one device event was taken, whether or
    // not it made a notice. An inactive watcher waits out the time and returns false. A signal
    // that arrives meanwhile ends the wait early, so that the caller can look at what the
    // signal's handler set.
    bool WaitAndReceive(int TimeoutMs);

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

    TPortNotices& Target;
    std::unique_ptr<udev, TUdevRelease> Udev;
    std::unique_ptr<udev_monitor, TMonitorRelease> Monitor;
    int Descriptor = -1;
};
