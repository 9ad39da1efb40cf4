// How long a Read may still wait: MsPerByte for each of the Count bytes it asks for, counted
// from its start, or without limit (INFINITE_WAIT).
#pragma once

#include <chrono>
#include <cstdint>

class TReadDeadline {
public:
    TReadDeadline(std::uint32_t MsPerByte, std::uint32_t Count);

    // Milliseconds left, rounded up: INFINITE_WAIT without limit, else below it; 0 once the
    // time is up.
    std::uint32_t RemainingMs() const;

private:
    using TClock = std::chrono::steady_clock;

    bool Infinite;
    TClock::time_point End;
};
