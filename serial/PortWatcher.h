// Watches serial port devices arriving and leaving and hands each to an IPortNotices. Each
// platform brings one watcher and a MakePortWatcher that makes it: udev's on Linux; on Windows
// one that stays inactive for now. Where no device events can be received the watcher stays
// inactive and the program runs without port notices.
//
// A watcher runs no thread of its own: an event loop watches GetDescriptor() for reading and
// calls ReceiveDevices when it is readable, or a plain loop calls WaitAndReceive. Notices are
// delivered on the thread that calls these.
#pragma once

#include <memory>

class IPortNotices;

class IPortWatcher {
public:
    virtual ~IPortWatcher() = default;
    IPortWatcher(const IPortWatcher&) = delete;
    IPortWatcher& operator=(const IPortWatcher&) = delete;

    // True while device events are being received.
    virtual bool IsActive() const = 0;
    // The descriptor that is readable when device events wait; -1 when inactive.
    virtual int GetDescriptor() const = 0;
    // Takes every device event waiting and delivers each to the target. Returns at once when
    // none waits.
    virtual void ReceiveDevices() = 0;
    // Waits up to TimeoutMs (a negative time counts as none) for device events, then takes
    // them as ReceiveDevices does. True when at least one device event was taken, whether or
    // not it made a notice. An inactive watcher waits out the time and returns false. A signal
    // that arrives meanwhile ends the wait early, so that the caller can look at what the
    // signal's handler set.
    virtual bool WaitAndReceive(int TimeoutMs) = 0;

protected:
    IPortWatcher() = default;
};

// The platform's watcher, delivering to Target (which must outlive it). Defined once per
// platform.
std::unique_ptr<IPortWatcher> MakePortWatcher(IPortNotices& Target);
