// Follows serial port devices arriving and leaving through udev's netlink monitor on the "tty"
// subsystem and hands each to a TPortNotices. Without udev (not built in, or no netlink socket
// at run time) the monitor stays inactive and the program runs without port notices.
#pragma once

#include <QObject>

class QSocketNotifier;
class TPortNotices;
struct udev;
struct udev_monitor;

class TUdevPortMonitor : public QObject {
    Q_OBJECT
public:
    explicit TUdevPortMonitor(TPortNotices& Target, QObject* Parent = nullptr);
    ~TUdevPortMonitor() override;
    TUdevPortMonitor(const TUdevPortMonitor&) = delete;
    TUdevPortMonitor& operator=(const TUdevPortMonitor&) = delete;

    // True while device events are being received.
    bool IsActive() const { return Notifier != nullptr; }

private:
    void Start();
    void Release();
    // Takes every device event waiting on the monitor's socket.
    void ReceiveDevices();

    TPortNotices& Target;
    udev* Udev = nullptr;
    udev_monitor* Monitor = nullptr;
    QSocketNotifier* Notifier = nullptr;
};
