#include "operations/ProgressStep.h"

#include <cmath>

void TProgressClock::Start(TDateTime Now) {
    StartTime = Now;
    LastPercent = 0;
    LastRemaining = 0;
}

TProgressStep TProgressClock::Step(int Page, int Percent, TDateTime Now) {
    TProgressStep Result{Page, Percent, std::nullopt};
    if (Percent < 1 || Percent > 99) {
        LastPercent = 0;
        return Result;
    }
    if (Percent != LastPercent) {
        LastRemaining = SpanToSeconds(EstimateRemaining(Percent, Now, StartTime));
        LastPercent = Percent;
    }
    Result.RemainingSeconds = LastRemaining;
    return Result;
}

TDateTime TProgressClock::EstimateRemaining(int Percent, TDateTime Now, TDateTime StartTime) {
    return (Now - StartTime) * (100 - Percent) / Percent;
}

std::int64_t TProgressClock::SpanToSeconds(TDateTime Span) {
    constexpr double LongestSpanDays = 1e6;
    if (!std::isfinite(Span) || Span <= 0) {
        return 0;
    }
    if (Span > LongestSpanDays) {
        Span = LongestSpanDays;
    }
    return std::llround(Span * MillisecondsPerDay) / 1000;
}
