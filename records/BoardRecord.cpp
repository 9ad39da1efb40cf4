#include "records/BoardRecord.h"

#include "platform/LocalTime.h"

#include <cstdio>

namespace {

// The civil date of a day counted from 1970-01-01 (proleptic Gregorian calendar).
void CivilDate(std::int64_t Days, std::int64_t& Year, int& Month, int& Day) {
    Days += 719468;
    const std::int64_t Era = (Days >= 0 ? Days : Days - 146096) / 146097;
    const std::int64_t DayOfEra = Days - Era * 146097;
    const std::int64_t YearOfEra =
        (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
    const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
    const std::int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
    Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
    Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
    Year = YearOfEra + Era * 400 + (Month <= 2 ? 1 : 0);
}

} // namespace

std::string UtcTimeText(std::time_t Seconds) {
    const auto Total = static_cast<std::int64_t>(Seconds);
    std::int64_t Days = Total / 86400;
    std::int64_t InDay = Total % 86400;
    if (InDay < 0) {
        InDay += 86400;
        --Days;
    }
    std::int64_t Year = 0;
    int Month = 0;
    int Day = 0;
    CivilDate(Days, Year, Month, Day);
    char Text[40];
    std::snprintf(Text, sizeof(Text), "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(Year), Month, Day, static_cast<int>(InDay / 3600),
                  static_cast<int>(InDay / 60 % 60), static_cast<int>(InDay % 60));
    return Text;
}

std::optional<std::string> LocalTimeAsUtc(const std::string& Text, std::time_t Now) {
    std::tm Local{};
    if (Text == "today") {
        // mktime reads the broken-down time as local time; only the date is taken from Now.
        const std::tm Today = ToLocalTime(Now);
        Local.tm_year = Today.tm_year;
        Local.tm_mon = Today.tm_mon;
        Local.tm_mday = Today.tm_mday;
    } else {
        int Year = 0;
        int Month = 0;
        int Day = 0;
        int Hour = 0;
        int Minute = 0;
        int Second = 0;
        char End = 0;
        const int Read = std::sscanf(Text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &Year, &Month, &Day,
                                     &Hour, &Minute, &Second, &End);
        const bool DateOnly = Read == 3 && Text.size() == 10;
        if (!DateOnly && Read != 5 && Read != 6) {
            return std::nullopt;
        }
        if (Month < 1 || Month > 12 || Day < 1 || Day > 31 || Hour > 23 || Minute > 59 ||
            Second > 60 || Hour < 0 || Minute < 0 || Second < 0) {
            return std::nullopt;
        }
        Local.tm_year = Year - 1900;
        Local.tm_mon = Month - 1;
        Local.tm_mday = Day;
        Local.tm_hour = Hour;
        Local.tm_min = Minute;
        Local.tm_sec = Second;
    }
    Local.tm_isdst = -1;
    const std::time_t Instant = std::mktime(&Local);
    if (Instant == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return UtcTimeText(Instant);
}
