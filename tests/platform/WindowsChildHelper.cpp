#include "tests/platform/ChildHelper.h"

#include <windows.h>

namespace {

HANDLE Caught = CreateEventW(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI CatchControl(DWORD Event) {
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    SetEvent(Caught);
    return TRUE;
}

} // namespace

unsigned long OwnProcessId() {
    return GetCurrentProcessId();
}

bool WaitForConsoleInterrupt(std::chrono::milliseconds Timeout, void (*Ready)()) {
    SetConsoleCtrlHandler(CatchControl, TRUE);
    Ready();
    return WaitForSingleObject(Caught, static_cast<DWORD>(Timeout.count())) == WAIT_OBJECT_0;
}
