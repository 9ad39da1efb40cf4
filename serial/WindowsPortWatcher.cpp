// The port watcher of Windows, inactive for now: the front ends run without port notices there
// and find ports when the user looks for them.
#include "serial/PortWatcher.h"

#include <algorithm>
#include <windows.h>

namespace {

class TWindowsPortWatcher final : public IPortWatcher {
public:
    bool IsActive() const override { return false; }
    int GetDescriptor() const override { return -1; }
    void ReceiveDevices() override {}
    bool WaitAndReceive(int TimeoutMs) override {
        Sleep(static_cast<DWORD>(std::max(TimeoutMs, 0)));
        return false;
    }
};

} // namespace

std::unique_ptr<IPortWatcher> MakePortWatcher(IPortNotices& /*Target*/) {
    return std::make_unique<TWindowsPortWatcher>();
}
