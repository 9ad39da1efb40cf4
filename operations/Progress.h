// The window's display of a running page operation's progress: the percentage in the progress
// bar, the status bar and the application title, and the remaining time as a Russian sentence.
#pragma once

#include "operations/MainView.h"
#include "operations/ProgressStep.h"

#include <cstdint>
#include <string>

class TProgress {
public:
    // View may be null (no window yet): then SetProgress does nothing.
    explicit TProgress(IMainView* View = nullptr) : View(View) {}

    void SetView(IMainView* NewView) { View = NewView; }
    IMainView* GetView() const { return View; }

    // Shows Step's percentage (above 100 taken as 100). The remaining time is written again
    // only when a percentage of 1..99 differs from the last one.
    void Show(const TProgressStep& Step);
    // Back to the idle display once an operation has ended however it ended: an empty bar, no
    // percentage, no remaining time, the window's own title.
    void Reset();
    // The percentage for which the remaining time was last computed; 0 when idle.
    int GetLastPercent() const { return LastPercent; }

    // The status bar sentence for a remaining time. Hours and days count as minutes, so the
    // sentence never hides whole hours.
    static std::string RemainingTimeText(std::int64_t Seconds);

    // Word choices for the decimal text of a number (no sign, no leading zeros).
    static std::string RemainVerb(const std::string& Text);
    static std::string MinutesWord(const std::string& Text);
    static std::string SecondsWord(const std::string& Text);

private:
    IMainView* View;
    int LastPercent = 0;
};
