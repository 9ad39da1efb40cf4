#include "ui/PortWatcherNotifier.h"

#include "serial/PortWatcher.h"

#include <QSocketNotifier>

TPortWatcherNotifier::TPortWatcherNotifier(IPortNotices& Target, QObject* Parent)
    : QObject(Parent), Watcher(MakePortWatcher(Target)) {
    if (!Watcher->IsActive()) {
        return;
    }
    Notifier = std::make_unique<QSocketNotifier>(Watcher->GetDescriptor(), QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this,
            &TPortWatcherNotifier::ReceiveDevices);
}

TPortWatcherNotifier::~TPortWatcherNotifier() = default;

bool TPortWatcherNotifier::IsActive() const {
    return Watcher->IsActive();
}

void TPortWatcherNotifier::ReceiveDevices() {
    Watcher->ReceiveDevices();
}
