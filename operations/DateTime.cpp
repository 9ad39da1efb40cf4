#include "operations/DateTime.h"

#include "platform/LocalTime.h"

#include <chrono>
#include <ctime>

namespace {
// Days from 1899-12-30 (day 0 of the date-time scale) to 1970-01-01.
constexpr double UnixEpochDays = 25569.0;
constexpr double SecondsPerDay = 24.0 * 60 * 60;
} // namespace

TDateTime NowDateTime() {
    const auto Since = std::chrono::system_clock::now().time_since_epoch();
    const auto Seconds = std::chrono::duration_cast<std::chrono::seconds>(Since);
    const auto Nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(Since - Seconds);
    const std::time_t Whole = static_cast<std::time_t>(Seconds.count());
    const double LocalSeconds = static_cast<double>(Whole) +
                                static_cast<double>(LocalUtcOffset(Whole)) +
                                static_cast<double>(Nanoseconds.count()) / 1e9;
    return UnixEpochDays + LocalSeconds / SecondsPerDay;
}
