// Follows serial port devices arriving and leaving from the window's event loop: the platform's
// IPortWatcher, whose descriptor a QSocketNotifier watches. While the watcher is inactive no
// descriptor is watched and the program runs without port notices.
#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;
class IPortNotices;
class IPortWatcher;

class TPortWatcherNotifier : public QObject {
    Q_OBJECT
public:
    explicit TPortWatcherNotifier(IPortNotices& Target, QObject* Parent = nullptr);
    ~TPortWatcherNotifier() override;
    TPortWatcherNotifier(const TPortWatcherNotifier&) = delete;
    TPortWatcherNotifier& operator=(const TPortWatcherNotifier&) = delete;

    // True while device events are being received.
    bool IsActive() const;

private:
    void ReceiveDevices();

    std::unique_ptr<IPortWatcher> Watcher;
    // Declared after the watcher so that it stops watching before the descriptor is closed.
    std::unique_ptr<QSocketNotifier> Notifier;
};
