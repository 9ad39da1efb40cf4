// The verification as the window runs it: through the head manager, page by page.
#include "operations/Verification.h"

#include "common/Exception.h"
#include "image/MemoryMapObjects.h"
#include "operations/HeadManager.h"
#include "tests/support/HeadManagerEvents.h"
#include "tests/support/Programmer.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

namespace {

constexpr int PageCount = 5;

class VerificationTest : public testing::Test {
protected:
    void SetUp() override {
        Events.Attach(Head);
        for (int Page = 0; Page < PageCount; ++Page) {
            Head.GetMemoryMap()->AddPage(Page, Page * TestPageLength, PatternPage(Page));
            TByteArray Chip = PatternPage(Page);
            if (Page == 1) {
                Chip[0] ^= 0xFF; // the image's byte is 0x08
            }
            Simulator->SetPage(static_cast<std::uint16_t>(Page), Chip);
        }
        Verification.OnPage = [this](int Page, TPageState State, const TPageDifference& Counts) {
            Pages.push_back(Page);
            States.push_back(State);
            if (State == TPageState::Different) {
                Differences.push_back(Counts);
            }
        };
    }

    THeadManagerEvents Events;
    const std::unique_ptr<TProgrammerSimulator> Simulator = StartSimulator();
    THeadManager Head{Simulator->GetPortPath(), nullptr, NoLog()};
    TVerification Verification{Head};
    std::vector<int> Pages;
    std::vector<TPageState> States;
    std::vector<TPageDifference> Differences;
};

TEST_F(VerificationTest, EveryPageReachesTheCallbackWithItsStateAndCounts) {
    const TVerificationReport Report = Verification.Verify(0, PageCount - 1);
    EXPECT_EQ(Pages, (std::vector<int>{0, 1, 2, 3, 4}));
    using S = TPageState;
    EXPECT_EQ(States, (std::vector<S>{S::Equal, S::Different, S::Equal, S::Equal, S::Equal}));
    EXPECT_EQ(Differences, (std::vector<TPageDifference>{{1, 1, 1, 7}}));
    EXPECT_EQ(Report.Differences, Differences);
    EXPECT_EQ(Report.PagesCompared, PageCount);
    EXPECT_FALSE(Report.Stopped);
    EXPECT_EQ(Events.Progress, (std::vector<int>{20, 40, 60, 80, 100}));
    EXPECT_FALSE(Head.IsBusy());
    EXPECT_FALSE(Head.IsRunning());
}

TEST_F(VerificationTest, StopsAfterTheCurrentPageAndRefusesAnotherOperationMeanwhile) {
    int Calls = 0;
    Head.ProcessMessages = [&] {
        if (++Calls == 2) {
            Head.StopCurrentOperation();
        }
    };
    Verification.OnPage = [&](int, TPageState, const TPageDifference&) {
        EXPECT_THROW(Head.ComparePages(0, 0), Exception);
        EXPECT_THROW(TVerification(Head).Verify(0, 0), Exception);
    };
    const TVerificationReport Report = Verification.Verify(0, PageCount - 1);
    EXPECT_TRUE(Report.Stopped);
    EXPECT_EQ(Report.PagesCompared, 2);
    ASSERT_FALSE(Events.Lines.empty());
    EXPECT_EQ(Events.Lines.back(), THeadManagerEvents::TLine("Сравнение прервано.", clRed));
    EXPECT_FALSE(Head.IsBusy());
    EXPECT_FALSE(Head.IsRunning());
}

} // namespace
