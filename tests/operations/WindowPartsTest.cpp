// What both desktop windows take from operations/: the chip map's page states, the range
// dialogs' check and the way from an address to its line of the image dump.
#include "common/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/MemoryMapObjects.h"
#include "operations/ChipPageStates.h"
#include "operations/ImageDumpLines.h"
#include "operations/PageRangeCheck.h"
#include "operations/UIObjects.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using TState = TChipPageState;

TPageRangeVerdict Check(const std::string& First, const std::string& Last) {
    return CheckPageRange(First, Last, 10, 4095);
}

// The dump of pages of 528 bytes at the given numbers (each at number × 528).
std::vector<std::string> DumpOf(const std::vector<int>& Pages) {
    auto Map = std::make_shared<TMemoryMap>();
    for (const int Page : Pages) {
        Map->AddPage(Page, Page * 528, TByteArray(528, static_cast<std::uint8_t>(Page)));
    }
    return THexFileToMemoryMapConverter().MemoryMapToStrings(Map);
}

} // namespace

// ---- The chip map's states ----

TEST(ChipPageStates, AnotherImageStartsTheMapAnew) {
    TChipPageStates States;
    EXPECT_EQ(States.CountPages(TState::NotInImage), TChipPageStates::PageCount);
    States.SetImagePages({1, 2, 3, 4, 5000, -1});
    EXPECT_EQ(States.CountPages(TState::InImage), 4);

    EXPECT_TRUE(States.SetPageOutcome(1, TPageOutcome::Written));
    EXPECT_FALSE(States.SetPageOutcome(1, TPageOutcome::Written));
    States.SetPageOutcome(2, TPageOutcome::Equal);
    States.SetPageOutcome(3, TPageOutcome::Different);
    States.SetPageOutcome(4, TPageOutcome::Failed);
    States.SetPageOutcome(9, TPageOutcome::Erased);
    EXPECT_FALSE(States.SetPageOutcome(TChipPageStates::PageCount, TPageOutcome::Read));
    EXPECT_EQ(States.GetPageState(9), TState::Erased);

    // Another image: the map shows it alone, nothing of what was done with the one before.
    States.SetImagePages({3});
    EXPECT_EQ(States.GetPageState(3), TState::InImage);
    EXPECT_EQ(States.CountPages(TState::NotInImage), TChipPageStates::PageCount - 1);
    States.SetImagePages({});
    EXPECT_EQ(States.CountPages(TState::NotInImage), TChipPageStates::PageCount);
}

TEST(ChipPageStates, EveryStateHasItsOwnColourAndName) {
    std::set<TColor> Colours;
    std::set<std::string> Names;
    for (int Index = 0; Index < TChipPageStates::StateCount; ++Index) {
        const auto State = static_cast<TState>(Index);
        Colours.insert(TChipPageStates::StateColor(State));
        Names.insert(TChipPageStates::StateName(State));
    }
    EXPECT_EQ(Colours.size(), static_cast<std::size_t>(TChipPageStates::StateCount));
    EXPECT_EQ(Names.size(), static_cast<std::size_t>(TChipPageStates::StateCount));
    EXPECT_TRUE(TChipPageStates::StandsOut(TState::Different));
    EXPECT_TRUE(TChipPageStates::StandsOut(TState::Failed));
    EXPECT_FALSE(TChipPageStates::StandsOut(TState::Written));
}

// ---- The range check ----

TEST(PageRangeCheck, AcceptableRangeCountsItsPagesBothBoundsIncluded) {
    const TPageRangeVerdict One = Check("10", "10");
    EXPECT_TRUE(One.Acceptable);
    EXPECT_EQ(One.Note, FormatText(SRangePagesCount, 1, GetPagesWord(1).c_str()));
    const TPageRangeVerdict Many = Check("100", "4095");
    EXPECT_TRUE(Many.Acceptable);
    EXPECT_EQ(Many.Range.First, 100);
    EXPECT_EQ(Many.Range.Last, 4095);
    EXPECT_EQ(Many.Note, FormatText(SRangePagesCount, 3996, GetPagesWord(3996).c_str()));
}

TEST(PageRangeCheck, EachWrongRangeSaysWhatIsWrong) {
    EXPECT_EQ(Check("", "20").Note, SRangeIsNotSet);
    EXPECT_EQ(Check("1a", "20").Note, FormatText(SNotAnIntegerValue, "1a"));
    EXPECT_EQ(Check("10", "99999999999").Note, FormatText(SNotAnIntegerValue, "99999999999"));
    EXPECT_EQ(Check("9", "20").Note, FormatText(SStartIndexBelowMin, 10));
    EXPECT_EQ(Check("10", "4096").Note, FormatText(SEndIndexAboveMax, 4095));
    EXPECT_EQ(Check("30", "20").Note, SStartIndexAboveEnd);
    // Several faults at once: the last check's complaint stays.
    EXPECT_EQ(Check("5", "4").Note, SStartIndexAboveEnd);
    for (const auto& [First, Last] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"x", "1"}, {"9", "20"}, {"30", "20"}}) {
        EXPECT_FALSE(Check(First, Last).Acceptable) << First << ".." << Last;
    }
}

// ---- The dump's lines ----

TEST(ImageDumpLines, AddressIsFoundInItsLineAcrossExtendedAddresses) {
    // Page 130 starts at 68640, beyond the first 64 KiB: its lines follow an extended address.
    const std::vector<std::string> Dump = DumpOf({0, 1, 130});
    const std::optional<std::size_t> First = DumpLineOfAddress(Dump, 0);
    ASSERT_TRUE(First);
    EXPECT_EQ(Dump[*First].substr(0, 8), ":20 0000");

    const std::optional<std::size_t> Second = DumpLineOfAddress(Dump, 528 + 5);
    ASSERT_TRUE(Second);
    EXPECT_EQ(Dump[*Second].substr(0, 8), ":20 0200");

    const std::optional<std::size_t> Far = DumpLineOfAddress(Dump, 130 * 528);
    ASSERT_TRUE(Far);
    EXPECT_GT(*Far, *Second);
    // 68640 = 0x10C20: the line at 0C20 after the base 0x10000.
    EXPECT_EQ(Dump[*Far].substr(0, 8), ":20 0C20");

    EXPECT_FALSE(DumpLineOfAddress(Dump, 50 * 528));
    EXPECT_FALSE(DumpLineOfAddress({}, 0));
}
