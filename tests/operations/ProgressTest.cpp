#include "operations/Progress.h"

#include "FakeMainView.h"

#include <gtest/gtest.h>

namespace {

constexpr double SecondsPerDay = 86400.0;

TDateTime Span(int Hours, int Minutes, double Seconds) {
    return (Hours * 3600.0 + Minutes * 60.0 + Seconds) / SecondsPerDay;
}

struct TRemainingCase {
    TDateTime Remaining;
    const char* Text;
};

class RemainingTimeTextTest : public testing::TestWithParam<TRemainingCase> {};

TEST_P(RemainingTimeTextTest, WordsTheRemainingTime) {
    EXPECT_EQ(TProgress::RemainingTimeText(TProgressClock::SpanToSeconds(GetParam().Remaining)),
              GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RemainingTimeTextTest,
    testing::Values(TRemainingCase{Span(0, 0, 0.4), "Осталось менее секунды."},
                    TRemainingCase{Span(0, 0, 1), "Осталась 1 секунда."},
                    TRemainingCase{Span(0, 0, 3), "Осталось 3 секунды."},
                    TRemainingCase{Span(0, 0, 11), "Осталось 11 секунд."},
                    TRemainingCase{Span(0, 0, 21), "Осталась 21 секунда."},
                    TRemainingCase{Span(0, 0, 24), "Осталось 24 секунды."},
                    TRemainingCase{Span(0, 1, 0), "Осталась 1 минута 0 секунд."},
                    TRemainingCase{Span(0, 2, 12), "Осталось 2 минуты 12 секунд."},
                    TRemainingCase{Span(0, 11, 1), "Осталось 11 минут 1 секунда."},
                    TRemainingCase{Span(0, 31, 45), "Осталась 31 минута 45 секунд."},
                    // Whole hours and days are counted as minutes, never dropped.
                    TRemainingCase{Span(1, 5, 2), "Осталось 65 минут 2 секунды."},
                    TRemainingCase{Span(1, 0, 0), "Осталось 60 минут 0 секунд."},
                    TRemainingCase{Span(24, 1, 0), "Осталась 1441 минута 0 секунд."},
                    // Rounded to whole milliseconds before the split.
                    TRemainingCase{Span(0, 0, 0.9996), "Осталась 1 секунда."},
                    TRemainingCase{Span(0, 0, 59.9996), "Осталась 1 минута 0 секунд."},
                    TRemainingCase{0.0, "Осталось менее секунды."},
                    TRemainingCase{-Span(0, 5, 0), "Осталось менее секунды."}));

struct TWordCase {
    const char* Number;
    const char* Verb;
    const char* Minutes;
    const char* Seconds;
};

class WordChoiceTest : public testing::TestWithParam<TWordCase> {};

TEST_P(WordChoiceTest, AgreesWithTheNumber) {
    const TWordCase& Case = GetParam();
    EXPECT_EQ(TProgress::RemainVerb(Case.Number), Case.Verb);
    EXPECT_EQ(TProgress::MinutesWord(Case.Number), Case.Minutes);
    EXPECT_EQ(TProgress::SecondsWord(Case.Number), Case.Seconds);
}

INSTANTIATE_TEST_SUITE_P(Endings, WordChoiceTest,
                         testing::Values(TWordCase{"0", "Осталось", "минут", "секунд"},
                                         TWordCase{"1", "Осталась", "минута", "секунда"},
                                         TWordCase{"2", "Осталось", "минуты", "секунды"},
                                         TWordCase{"4", "Осталось", "минуты", "секунды"},
                                         TWordCase{"5", "Осталось", "минут", "секунд"},
                                         TWordCase{"9", "Осталось", "минут", "секунд"},
                                         TWordCase{"11", "Осталось", "минут", "секунд"},
                                         TWordCase{"12", "Осталось", "минут", "секунд"},
                                         TWordCase{"14", "Осталось", "минут", "секунд"},
                                         TWordCase{"15", "Осталось", "минут", "секунд"},
                                         TWordCase{"21", "Осталась", "минута", "секунда"},
                                         TWordCase{"22", "Осталось", "минуты", "секунды"},
                                         TWordCase{"111", "Осталось", "минут", "секунд"},
                                         TWordCase{"101", "Осталась", "минута", "секунда"}));

TEST(EstimateRemainingTest, ScalesTheElapsedTimeByTheShareStillToDo) {
    const TDateTime Start = 45000.25;
    const TDateTime Elapsed = Span(0, 3, 0);
    // Date-time values near 45000 days carry about a microsecond of resolution.
    const double Tolerance = Span(0, 0, 0.0001);
    EXPECT_NEAR(TProgressClock::EstimateRemaining(50, Start + Elapsed, Start), Elapsed, Tolerance);
    EXPECT_NEAR(TProgressClock::EstimateRemaining(25, Start + Elapsed, Start), 3 * Elapsed,
                Tolerance);
    EXPECT_NEAR(TProgressClock::EstimateRemaining(99, Start + Elapsed, Start), Elapsed / 99,
                Tolerance);
}

// The step of an operation that began at Start, as the head manager reports it.
TProgressStep StepAt(int Percent, TDateTime Start = NowDateTime()) {
    TProgressClock Clock;
    Clock.Start(Start);
    return Clock.Step(0, Percent);
}

TEST(ProgressClockTest, EstimatesAgainOnlyWhenThePercentageChanges) {
    const TDateTime Start = 45000.25;
    TProgressClock Clock;
    Clock.Start(Start);
    EXPECT_EQ(Clock.Step(4, 50, Start + Span(0, 1, 0)).RemainingSeconds, 60);
    // Later within the same percentage: the first estimate stays.
    EXPECT_EQ(Clock.Step(5, 50, Start + Span(0, 2, 0)).RemainingSeconds, 60);
    EXPECT_EQ(Clock.Step(6, 75, Start + Span(0, 6, 0)).RemainingSeconds, 120);
    // Outside 1..99 nothing is estimated, and the next running step estimates anew.
    EXPECT_FALSE(Clock.Step(7, 101, Start + Span(0, 7, 0)).RemainingSeconds);
    EXPECT_EQ(Clock.Step(8, 75, Start + Span(0, 9, 0)).RemainingSeconds, 180);
}

TEST(ProgressDisplayTest, AboveHundredBehavesAsHundred) {
    TFakeMainView View;
    TProgress Progress(&View);
    Progress.Show(StepAt(45, NowDateTime()));
    Progress.Show(StepAt(150, NowDateTime()));
    EXPECT_EQ(View.Position, 100);
    EXPECT_EQ(View.Panels[0], "100%");
    EXPECT_EQ(View.Title, "Velmora");
    EXPECT_EQ(View.Panels[2], "");
    EXPECT_EQ(Progress.GetLastPercent(), 0);
}

TEST(ProgressDisplayTest, RunningPercentShowsInTitleAndEstimatesOncePerPercent) {
    TFakeMainView View;
    TProgress Progress(&View);
    const TDateTime Start = NowDateTime() - Span(0, 1, 0);
    Progress.Show(StepAt(45, Start));
    EXPECT_EQ(View.Position, 45);
    EXPECT_EQ(View.Panels[0], "45%");
    EXPECT_EQ(View.Title, "45% Velmora");
    EXPECT_EQ(View.PanelWrites[2], 1);
    EXPECT_NE(View.Panels[2].find("Остал"), std::string::npos) << View.Panels[2];
    EXPECT_EQ(Progress.GetLastPercent(), 45);

    Progress.Show(StepAt(45, Start));
    EXPECT_EQ(View.TitleCount, 2);
    EXPECT_EQ(View.PanelWrites[0], 2);
    EXPECT_EQ(View.PanelWrites[2], 1);

    Progress.Show(StepAt(46, Start));
    EXPECT_EQ(View.PanelWrites[2], 2);
    EXPECT_EQ(Progress.GetLastPercent(), 46);
}

TEST(ProgressDisplayTest, ZeroAndHundredResetTheTitleAndTheRemainingTime) {
    for (int Percent : {0, 100, -3}) {
        TFakeMainView View;
        TProgress Progress(&View);
        Progress.Show(StepAt(30, NowDateTime()));
        Progress.Show(StepAt(Percent, NowDateTime()));
        EXPECT_EQ(View.Panels[0], std::to_string(Percent) + "%");
        EXPECT_EQ(View.Title, "Velmora");
        EXPECT_EQ(View.Panels[2], "");
        EXPECT_EQ(Progress.GetLastPercent(), 0);
    }
}

TEST(ProgressDisplayTest, WithoutAWindowNothingHappens) {
    TProgress Progress;
    Progress.Show(StepAt(50, NowDateTime()));
    EXPECT_EQ(Progress.GetLastPercent(), 0);
}

} // namespace
