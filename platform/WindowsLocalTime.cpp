#include "platform/LocalTime.h"

std::tm ToLocalTime(std::time_t Seconds) {
    std::tm Local{};
    localtime_s(&Local, &Seconds);
    return Local;
}
