// Progress of a running page operation: the percentage in the progress bar, the status bar and
// the application title, and the estimated remaining time worded as a Russian sentence.
#pragma once

#include "operations/DateTime.h"
#include "operations/MainView.h"

#include <string>

class TProgress {
public:
    // View may be null (no window yet): then SetProgress does nothing.
    explicit TProgress(IMainView* View = nullptr) : View(View) {}

    void SetView(IMainView* NewView) { View = NewView; }
    IMainView* GetView() const { return View; }

    // Shows Percent (above 100 taken as 100) for an operation that began at StartTime. The
    // remaining time is recomputed only when a percentage of 1..99 differs from the last one.
    void SetProgress(int Percent, TDateTime StartTime);
    // Back to the idle display once an operation has ended however it ended: an empty bar, no
    // percentage, no remaining time, the window's own title.
    void Reset();
    // The percentage for which the remaining time was last computed; 0 when idle.
    int GetLastPercent() const { return LastPercent; }

    // The elapsed time scaled by the share still to do over the share done (Percent 1..99).
    static TDateTime EstimateRemaining(int Percent, TDateTime Now, TDateTime StartTime);
    // The status bar sentence for a remaining time span (in days). Hours and days count as
    // minutes, so the sentence never hides whole hours.
    static std::string RemainingTimeText(TDateTime Remaining);

    // Word choices for the decimal text of a number (no sign, no leading zeros).
    static std::string RemainVerb(const std::string& Text);
    static std::string MinutesWord(const std::string& Text);
    static std::string SecondsWord(const std::string& Text);

private:
    IMainView* View;
    int LastPercent = 0;
};
