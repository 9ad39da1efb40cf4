#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>

namespace {

// Days from 1970-01-01 to the given date of the Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t Year, unsigned Month, unsigned Day) {
    Year -= Month <= 2 ? 1 : 0;
    const std::int64_t Era = (Year >= 0 ? Year : Year - 399) / 400;
    const auto YearOfEra = static_cast<unsigned>(Year - Era * 400);
    const unsigned DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
    const unsigned DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
    return Era * 146097 + static_cast<std::int64_t>(DayOfEra) - 719468;
}

// The broken-down time read as if it were UTC, in seconds since the epoch.
std::int64_t AsUtcSeconds(const std::tm& Time) {
    const std::int64_t Days =
        DaysFromCivil(Time.tm_year + 1900, static_cast<unsigned>(Time.tm_mon + 1),
                      static_cast<unsigned>(Time.tm_mday));
    return Days * 86400 + Time.tm_hour * 3600 + Time.tm_min * 60 + Time.tm_sec;
}

} // namespace

// The offset is what separates the local date and time from the instant, in winter and summer.
TEST(LocalTime, OffsetIsTheDistanceOfTheLocalTimeFromUtc) {
    const std::time_t Instants[] = {std::time(nullptr), 1'000'000'000, 1'700'000'000,
                                    1'689'000'000};
    for (const std::time_t Instant : Instants) {
        EXPECT_EQ(AsUtcSeconds(ToLocalTime(Instant)) - static_cast<std::int64_t>(Instant),
                  LocalUtcOffset(Instant))
            << Instant;
    }
}
