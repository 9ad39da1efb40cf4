#include "records/BoardRecord.h"

#include "platform/LocalTime.h"

#include <algorithm>
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

// True when Text has the length of Pattern, a decimal digit at each 'D' of it and its other
// characters as they are.
bool FitsPattern(const std::string& Text, const std::string& Pattern) {
    return Text.size() == Pattern.size() &&
           std::equal(Pattern.begin(), Pattern.end(), Text.begin(), [](char Wanted, char Given) {
               return Wanted == 'D' ? Given >= '0' && Given <= '9' : Wanted == Given;
           });
}

int DaysInMonth(int Year, int Month) {
    static const int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool Leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
    return Month == 2 && Leap ? 29 : Days[Month - 1];
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

std::optional<std::string> LocalTimeAsUtc(const std::string& Text, std::time_t Now,
                                          TTimeTextProblem* Problem) {
    const auto Refuse = [Problem](TTimeTextProblem Why) {
        if (Problem != nullptr) {
            *Problem = Why;
        }
        return std::nullopt;
    };
    std::tm Local{};
    if (Text == "today") {
        // mktime reads the broken-down time as local time; only the date is taken from Now.
        const std::tm Today = ToLocalTime(Now);
        Local.tm_year = Today.tm_year;
        Local.tm_mon = Today.tm_mon;
        Local.tm_mday = Today.tm_mday;
    } else {
        if (!FitsPattern(Text, "DDDD-DD-DD") && !FitsPattern(Text, "DDDD-DD-DD DD:DD") &&
            !FitsPattern(Text, "DDDD-DD-DD DD:DD:DD")) {
            return Refuse(TTimeTextProblem::Form);
        }
        const auto Number = [&Text](std::size_t At, std::size_t Length) {
            return At + Length <= Text.size() ? std::stoi(Text.substr(At, Length)) : 0;
        };
        const int Year = Number(0, 4);
        const int Month = Number(5, 2);
        const int Day = Number(8, 2);
        const int Hour = Number(11, 2);
        const int Minute = Number(14, 2);
        const int Second = Number(17, 2);
        // mktime would move a day that does not exist on into the next month.
        if (Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month) || Hour > 23 ||
            Minute > 59 || Second > 59) {
            return Refuse(TTimeTextProblem::NoSuchTime);
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
        return Refuse(TTimeTextProblem::NoSuchTime);
    }
    return UtcTimeText(Instant);
}
