#include "operations/PageRangeCheck.h"

#include "common/ResourseStrings.h"
#include "operations/UIObjects.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

// A whole number in decimal, with an optional sign and nothing else around it.
std::optional<int> ToIndex(const std::string& Text) {
    const std::size_t DigitsFrom = !Text.empty() && (Text[0] == '-' || Text[0] == '+') ? 1 : 0;
    if (Text.size() == DigitsFrom ||
        Text.find_first_not_of("0123456789", DigitsFrom) != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    const long long Value = std::strtoll(Text.c_str(), nullptr, 10);
    if (errno == ERANGE || Value < std::numeric_limits<int>::min() ||
        Value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(Value);
}

// Each failing check writes its complaint over the previous one, so the last one stays.
bool CheckBounds(TPageRangeVerdict& Verdict, int MinIndex, int MaxIndex) {
    const TPageRange& Range = Verdict.Range;
    bool Acceptable = true;
    if (Range.First < MinIndex) {
        Verdict.Note = FormatText(SStartIndexBelowMin, MinIndex);
        Acceptable = false;
    }
    if (Range.Last > MaxIndex) {
        Verdict.Note = FormatText(SEndIndexAboveMax, MaxIndex);
        Acceptable = false;
    }
    if (Range.Last < Range.First) {
        Verdict.Note = SStartIndexAboveEnd;
        Acceptable = false;
    }
    return Acceptable;
}

} // namespace

TPageRangeVerdict CheckPageRange(const std::string& FirstText, const std::string& LastText,
                                 int MinIndex, int MaxIndex) {
    TPageRangeVerdict Verdict;
    if (FirstText.empty() || LastText.empty()) {
        Verdict.Note = SRangeIsNotSet;
        return Verdict;
    }
    for (const std::string* Text : {&FirstText, &LastText}) {
        if (!ToIndex(*Text)) {
            Verdict.Note = FormatText(SNotAnIntegerValue, Text->c_str());
            return Verdict;
        }
    }
    Verdict.Range = {*ToIndex(FirstText), *ToIndex(LastText)};
    Verdict.Acceptable = CheckBounds(Verdict, MinIndex, MaxIndex);
    if (Verdict.Acceptable) {
        const int Count = Verdict.Range.Last - Verdict.Range.First + 1;
        Verdict.Note = FormatText(SRangePagesCount, Count, GetPagesWord(Count).c_str());
    }
    return Verdict;
}
