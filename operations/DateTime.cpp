#include "operations/DateTime.h"

#include <ctime>

namespace {
// Days from 1899-12-30 (day 0 of the date-time scale) to 1970-01-01.
constexpr double UnixEpochDays = 25569.0;
constexpr double SecondsPerDay = 24.0 * 60 * 60;
} // namespace

TDateTime NowDateTime() {
    timespec Now{};
    clock_gettime(CLOCK_REALTIME, &Now);
    tm Local{};
    localtime_r(&Now.tv_sec, &Local);
    const double LocalSeconds = static_cast<double>(Now.tv_sec) +
                                static_cast<double>(Local.tm_gmtoff) +
                                static_cast<double>(Now.tv_nsec) / 1e9;
    return UnixEpochDays + LocalSeconds / SecondsPerDay;
}
