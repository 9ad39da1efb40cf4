// Manual-reset and auto-reset events: the wake-up signals that the port, the background
// threads and the request/reply exchange hand to each other.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// Wait time that never ends.
inline constexpr std::uint32_t INFINITE_WAIT = 0xFFFFFFFFu;

class TEvent {
public:
    enum class TResetMode { Manual, Auto };

    explicit TEvent(TResetMode Mode, bool InitiallySet = false);
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    // Signals the event. A manual-reset event stays signalled until Reset; an auto-reset event
    // releases exactly one waiter (or the next one to wait) and then clears itself.
    void Set();
    void Reset();
    // Waits until the event is signalled or TimeoutMs passed (INFINITE_WAIT: no limit).
    // Returns true when the event was signalled.
    bool Wait(std::uint32_t TimeoutMs = INFINITE_WAIT);
    bool IsSet() const;

private:
    const TResetMode Mode;
    mutable std::mutex Mutex;
    std::condition_variable Signalled;
    bool State;
};
