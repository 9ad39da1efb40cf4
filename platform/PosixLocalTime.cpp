#include "platform/LocalTime.h"

std::tm ToLocalTime(std::time_t Seconds) {
    std::tm Local{};
    localtime_r(&Seconds, &Local);
    return Local;
}

std::int64_t LocalUtcOffset(std::time_t Seconds) {
    return ToLocalTime(Seconds).tm_gmtoff;
}
