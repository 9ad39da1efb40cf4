// Follows serial port devices arriving and leaving from the window's event loop: a
// TUdevPortWatcher whose socket a QSocketNotifier watches. Without udev the watcher is inactive,
// no socket is watched and the program runs without port notices.
#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;
class TPortNotices;
class TUdevPortWatcher;

class TUdevPortMonitor : public QObject {
    Q_OBJECT
public:
    explicit TUdevPortMonitor(TPortNotices& Target, QObject* Parent = nullptr);
    ~TUdevPortMonitor() override;
    TUdevPortMonitor(const TUdevPortMonitor&) = delete;
    TUdevPortMonitor& operator=(const TUdevPortMonitor&) = delete;

    // True while device events are being received.
    bool IsActive() const;

private:
    void ReceiveDevices();

    std::unique_ptr<TUdevPortWatcher> Watcher;
    // Declared after the watcher so that it stops watching before the socket is closed.
    std::unique_ptr<QSocketNotifier> Notifier;
};
