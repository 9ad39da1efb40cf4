#include "platform/LocalTime.h"

std::tm ToLocalTime(std::time_t Seconds) {
    std::tm Local{};
    localtime_s(&Local, &Seconds);
    return Local;
}

// The local date and time read back as if they were UTC give the instant shifted by the
// offset.
std::int64_t LocalUtcOffset(std::time_t Seconds) {
    std::tm Local = ToLocalTime(Seconds);
    return static_cast<std::int64_t>(_mkgmtime(&Local)) - static_cast<std::int64_t>(Seconds);
}
