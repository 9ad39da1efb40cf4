// The local time of an instant, as the system's time zone gives it; safe from any thread.
#pragma once

#include <ctime>

// Seconds (since the epoch) broken down into the local date and time.
std::tm ToLocalTime(std::time_t Seconds);
