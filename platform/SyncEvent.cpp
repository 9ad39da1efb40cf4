#include "platform/SyncEvent.h"

#include <chrono>

TEvent::TEvent(TResetMode Mode, bool InitiallySet) : Mode(Mode), State(InitiallySet) {}

void TEvent::Set() {
    {
        std::lock_guard<std::mutex> Guard(Mutex);
        State = true;
    }
    if (Mode == TResetMode::Manual) {
        Signalled.notify_all();
    } else {
        Signalled.notify_one();
    }
}

void TEvent::Reset() {
    std::lock_guard<std::mutex> Guard(Mutex);
    State = false;
}

bool TEvent::Wait(std::uint32_t TimeoutMs) {
    std::unique_lock<std::mutex> Lock(Mutex);
    const auto IsSignalled = [this] { return State; };
    if (TimeoutMs == INFINITE_WAIT) {
        Signalled.wait(Lock, IsSignalled);
    } else if (!Signalled.wait_for(Lock, std::chrono::milliseconds(TimeoutMs), IsSignalled)) {
        return false;
    }
    if (Mode == TResetMode::Auto) {
        State = false;
    }
    return true;
}

bool TEvent::IsSet() const {
    std::lock_guard<std::mutex> Guard(Mutex);
    return State;
}
