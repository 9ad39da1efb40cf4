// Windows has no udev: the watcher is never active, so the front ends run without port notices
// there and find ports when the user looks for them.
#include "serial/UdevPortWatcher.h"

#include <algorithm>
#include <windows.h>

TUdevPortWatcher::TUdevPortWatcher(TPortNotices& Target) : Target(Target) {}

TUdevPortWatcher::~TUdevPortWatcher() = default;

void TUdevPortWatcher::ReceiveDevices() {}

bool TUdevPortWatcher::WaitAndReceive(int TimeoutMs) {
    Sleep(static_cast<DWORD>(std::max(TimeoutMs, 0)));
    return false;
}

// Nothing is ever opened, so there is nothing to release or receive.
void TUdevPortWatcher::TUdevRelease::operator()(udev*) const {}
void TUdevPortWatcher::TMonitorRelease::operator()(udev_monitor*) const {}

int TUdevPortWatcher::OpenMonitor() {
    return -1;
}

int TUdevPortWatcher::TakeWaitingDevices() {
    return 0;
}
