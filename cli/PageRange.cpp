#include "cli/PageRange.h"

#include "common/ResourseStrings.h"

int ParseIndex(const std::string& Text) {
    if (Text.empty() || Text.find_first_not_of("0123456789") != std::string::npos ||
        Text.size() > 10 || std::stoll(Text) > 2147483647LL) {
        throw ECliRangeError(FormatText(SNotAnIntegerValue, Text.c_str()));
    }
    return static_cast<int>(std::stoll(Text));
}

std::optional<TPageRange> ParseRange(const std::string& CommandName, const TCliArguments& Arguments,
                                     int MinIndex, int MaxIndex) {
    const auto First = Arguments.Options.find("first");
    const auto Last = Arguments.Options.find("last");
    const bool HasFirst = First != Arguments.Options.end();
    const bool HasLast = Last != Arguments.Options.end();
    if (!HasFirst && !HasLast) {
        return std::nullopt;
    }
    if (HasFirst != HasLast) {
        throw ECliRangeError(FormatText(SCliRangeNeedsBoth, CommandName.c_str()));
    }
    TPageRange Range{ParseIndex(First->second), ParseIndex(Last->second)};
    std::string Complaint;
    if (Range.First < MinIndex) {
        Complaint = FormatText(SStartIndexBelowMin, MinIndex);
    }
    if (Range.Last > MaxIndex) {
        Complaint = FormatText(SEndIndexAboveMax, MaxIndex);
    }
    if (Range.Last < Range.First) {
        Complaint = SStartIndexAboveEnd;
    }
    if (!Complaint.empty()) {
        throw ECliRangeError(Complaint);
    }
    return Range;
}
