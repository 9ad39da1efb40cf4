// Progress of a running page operation as numbers, for every front end to show in its own way:
// the window's status bar, the console's progress bar, the JSON progress objects.
#pragma once

#include "operations/DateTime.h"

#include <algorithm>
#include <cstdint>
#include <optional>

struct TProgressStep {
    // The chip page just done.
    int Page = -1;
    // By the operation's own scale; a write, compare or erase ends a little above 100.
    int Percent = 0;
    // The estimate of the time still needed, known while the operation is at 1..99 %.
    std::optional<std::int64_t> RemainingSeconds;

    // The percentage a progress bar shows: Percent, no higher than 100.
    int ShownPercent() const { return std::min(Percent, 100); }
};

// Times one page operation from its start and turns its percentages into steps. The remaining
// time is estimated again only when the percentage changes, so it does not flicker within one.
class TProgressClock {
public:
    void Start(TDateTime Now = NowDateTime());
    TProgressStep Step(int Page, int Percent, TDateTime Now = NowDateTime());

    // The elapsed time scaled by the share still to do over the share done (Percent 1..99).
    static TDateTime EstimateRemaining(int Percent, TDateTime Now, TDateTime StartTime);
    // Whole seconds of a span in days; negative, unknown and absurdly large spans are clamped.
    static std::int64_t SpanToSeconds(TDateTime Span);

private:
    TDateTime StartTime = 0;
    int LastPercent = 0;
    std::int64_t LastRemaining = 0;
};
