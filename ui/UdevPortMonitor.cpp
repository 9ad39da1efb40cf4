#include "ui/UdevPortMonitor.h"

#include "serial/UdevPortWatcher.h"

#include <QSocketNotifier>

TUdevPortMonitor::TUdevPortMonitor(TPortNotices& Target, QObject* Parent)
    : QObject(Parent), Watcher(std::make_unique<TUdevPortWatcher>(Target)) {
    if (!Watcher->IsActive()) {
        return;
    }
    Notifier = std::make_unique<QSocketNotifier>(Watcher->GetDescriptor(), QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TUdevPortMonitor::ReceiveDevices);
}

TUdevPortMonitor::~TUdevPortMonitor() = default;

bool TUdevPortMonitor::IsActive() const {
    return Watcher->IsActive();
}

void TUdevPortMonitor::ReceiveDevices() {
    Watcher->ReceiveDevices();
}
