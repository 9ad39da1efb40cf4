// The local time of an instant, as the system's time zone gives it; safe from any thread.
#pragma once

#include <cstdint>
#include <ctime>

// Seconds (since the epoch) broken down into the local date and time.
std::tm ToLocalTime(std::time_t Seconds);

// How far the local time is ahead of UTC at the instant Seconds, in seconds (negative west of
// Greenwich), summer time included.
std::int64_t LocalUtcOffset(std::time_t Seconds);
