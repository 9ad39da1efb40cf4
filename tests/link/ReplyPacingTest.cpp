// How a request learns when to look for its answer: from boards that answer at the line's pace,
// boards that take their time, and looks that come early or find nothing once.
#include "link/ReplyPacing.h"

#include "common/ProgrammerConstants.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TFound = TReplyPacing::TFound;
using std::chrono::microseconds;

constexpr std::uint8_t Erase = 0x50;
constexpr std::uint8_t Read = 0x40;
constexpr std::size_t RequestBytes = 10;
constexpr std::size_t ReplyBytes = 10;
const TReplyPacing::TClock::time_point SentAt{std::chrono::seconds(100)};

// How much later than the answer's own wire time the look comes; none: no timed look.
std::optional<microseconds> LookMargin(const TReplyPacing& Pacing, std::uint8_t Command) {
    const auto Look = Pacing.FirstLook(Command, SentAt, RequestBytes);
    if (!Look) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<microseconds>(
        *Look - SentAt - Programmer::WireTime(RequestBytes + ReplyBytes));
}

TReplyPacing PacedBoard() {
    TReplyPacing Pacing;
    Pacing.Answered(Erase, ReplyBytes, true);
    return Pacing;
}

TEST(ReplyPacing, AnAnswerThatCameInPartsAtTheLinesPaceIsLookedForWhenItMustBeWhole) {
    TReplyPacing Pacing;
    EXPECT_FALSE(LookMargin(Pacing, Erase)) << "nothing learnt yet";
    // An adapter that hands the answer over whole at once is best waited for by its first byte.
    Pacing.Answered(Erase, ReplyBytes, false);
    EXPECT_FALSE(LookMargin(Pacing, Erase));
    Pacing.Answered(Erase, ReplyBytes, true);
    EXPECT_EQ(LookMargin(Pacing, Erase), microseconds(0));
    EXPECT_FALSE(LookMargin(Pacing, Read)) << "each command is learnt on its own";
}

TEST(ReplyPacing, TheLookMovesWithWhatItFinds) {
    const microseconds Byte = Programmer::WireTime(1);
    struct TCase {
        const char* What;
        std::vector<TFound> Looks;
        std::optional<microseconds> Margin;
    };
    const TCase Cases[] = {
        {"an early look moves the next a byte later", {TFound::Part}, Byte},
        {"a look finding the answer whole brings it back a little",
         {TFound::Part, TFound::Whole},
         Byte - Byte / 16},
        {"never earlier than the wire time", {TFound::Whole, TFound::Whole}, microseconds(0)},
        {"nothing found once is this computer's hiccup", {TFound::Nothing}, microseconds(0)},
        {"nothing found twice, then the answer: still timed",
         {TFound::Nothing, TFound::Nothing, TFound::Whole, TFound::Nothing},
         microseconds(0)},
        {"a board that takes its time is waited for by its first byte",
         {TFound::Nothing, TFound::Nothing, TFound::Nothing},
         std::nullopt},
        {"answers later than the largest margin, until one comes in parts again",
         std::vector<TFound>(TReplyPacing::MaxMargin / Byte + 1, TFound::Part), std::nullopt},
    };
    for (const TCase& Case : Cases) {
        TReplyPacing Pacing = PacedBoard();
        for (const TFound Found : Case.Looks) {
            Pacing.Looked(Erase, Found);
        }
        EXPECT_EQ(LookMargin(Pacing, Erase), Case.Margin) << Case.What;
    }
}

TEST(ReplyPacing, ABoardThatTookItsTimeStaysWaitedForByItsFirstByteALateOneIsLearntAnew) {
    TReplyPacing TookItsTime = PacedBoard();
    for (int Look = 0; Look < 3; ++Look) {
        TookItsTime.Looked(Erase, TFound::Nothing);
    }
    TookItsTime.Answered(Erase, ReplyBytes, true);
    EXPECT_FALSE(LookMargin(TookItsTime, Erase));

    TReplyPacing Late = PacedBoard();
    while (LookMargin(Late, Erase)) {
        Late.Looked(Erase, TFound::Part);
    }
    Late.Answered(Erase, ReplyBytes, true);
    EXPECT_EQ(LookMargin(Late, Erase), microseconds(0));
}

TEST(ReplyPacing, TheLookFollowsTheLengthOfTheLastAnswer) {
    TReplyPacing Pacing = PacedBoard();
    constexpr std::size_t PageReply = 540;
    Pacing.Answered(Erase, PageReply, true);
    EXPECT_EQ(Pacing.FirstLook(Erase, SentAt, RequestBytes),
              SentAt + Programmer::WireTime(RequestBytes + PageReply));
}

} // namespace
