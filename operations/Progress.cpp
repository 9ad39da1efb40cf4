#include "operations/Progress.h"

#include "common/ResourseStrings.h"

#include <cstdint>

namespace {

constexpr int ProgressPanel = 0;
constexpr int RemainingTimePanel = 2;

bool EndsWith(const std::string& Text, const char* Ending) {
    const std::string Tail(Ending);
    return Text.size() >= Tail.size() &&
           Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
}

// True when the last two characters are 11, 12, 13 or 14: those numbers take the "many" form.
bool EndsWithTeen(const std::string& Text) {
    return EndsWith(Text, "11") || EndsWith(Text, "12") || EndsWith(Text, "13") ||
           EndsWith(Text, "14");
}

// The "one" / "few" / "many" form of a counted word, chosen by the characters of Text.
std::string CountedWord(const std::string& Text, const char* One, const char* Few,
                        const char* Many) {
    if (Text.empty() || EndsWithTeen(Text)) {
        return Many;
    }
    switch (Text.back()) {
    case '1':
        return One;
    case '2':
    case '3':
    case '4':
        return Few;
    default:
        return Many;
    }
}

} // namespace

void TProgress::Show(const TProgressStep& Step) {
    if (View == nullptr) {
        return;
    }
    const int Percent = Step.ShownPercent();
    const std::string PercentText = FormatText(SPercentFormat, Percent);
    View->SetProgressPosition(Percent);
    View->SetStatusPanelText(ProgressPanel, PercentText);
    if (Percent >= 1 && Percent <= 99) {
        View->SetApplicationTitle(FormatText(STitleFormat, PercentText.c_str(), SProductName));
        if (Percent != LastPercent) {
            View->SetStatusPanelText(RemainingTimePanel,
                                     RemainingTimeText(Step.RemainingSeconds.value_or(0)));
        }
        LastPercent = Percent;
    } else {
        View->SetApplicationTitle(SProductName);
        View->SetStatusPanelText(RemainingTimePanel, "");
        LastPercent = 0;
    }
}

void TProgress::Reset() {
    LastPercent = 0;
    if (View == nullptr) {
        return;
    }
    View->SetProgressPosition(0);
    View->SetStatusPanelText(ProgressPanel, "");
    View->SetStatusPanelText(RemainingTimePanel, "");
    View->SetApplicationTitle(SProductName);
}

std::string TProgress::RemainingTimeText(std::int64_t TotalSeconds) {
    const std::string Minutes = std::to_string(TotalSeconds / 60);
    const std::string Seconds = std::to_string(TotalSeconds % 60);
    if (TotalSeconds >= 60) {
        return FormatText(SRemainMinutesFormat, RemainVerb(Minutes).c_str(), Minutes.c_str(),
                          MinutesWord(Minutes).c_str(), Seconds.c_str(),
                          SecondsWord(Seconds).c_str());
    }
    if (TotalSeconds > 0) {
        return FormatText(SRemainSecondsFormat, RemainVerb(Seconds).c_str(), Seconds.c_str(),
                          SecondsWord(Seconds).c_str());
    }
    return SLessThanSecond;
}

std::string TProgress::RemainVerb(const std::string& Text) {
    if (EndsWith(Text, "11")) {
        return SRemainMany;
    }
    return EndsWith(Text, "1") ? SRemainOne : SRemainMany;
}

std::string TProgress::MinutesWord(const std::string& Text) {
    return CountedWord(Text, SMinuteOne, SMinuteFew, SMinuteMany);
}

std::string TProgress::SecondsWord(const std::string& Text) {
    return CountedWord(Text, SSecondOne, SSecondFew, SSecondMany);
}
