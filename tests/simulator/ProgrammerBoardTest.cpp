// The board model on its own: request packages against reply packages, and what each request
// leaves in the page buffer and on the chip.
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatorWire.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

const TByteArray Erased(SimPageLength, 0xFF);

TByteArray Package(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                   const TByteArray& Data = {}) {
    return SimBuildPackage(Number, Command, PageNumber, Data);
}

TByteArray Answer(TProgrammerBoard& Board, const TByteArray& Request, bool StuffingValid = true) {
    return Board.Answer(SimParseRequest(Request, StuffingValid)).Package;
}

TEST(ProgrammerBoardTest, EveryCommandRepliesAndActsOnBufferAndChip) {
    const TByteArray Written = EveryByteValuePage(3);
    const TByteArray Stored = EveryByteValuePage(7);
    const std::string Text = "Velmora simulator 1.0";
    struct TStep {
        const char* What;
        TByteArray Request;
        TByteArray Reply;
        // Afterwards: chip page 5, the buffer and its page number.
        TByteArray Page5;
        TByteArray Buffer;
        std::uint16_t BufferPage;
    };
    const TStep Steps[] = {
        {"request before any read", Package(1, SimCmdRequest, 0), Package(1, 0x65, 0xFFFF, Erased),
         Erased, Erased, 0xFFFF},
        {"transfer", Package(2, SimCmdTransfer, 5, Written), Package(2, 0x11, 5), Erased, Written,
         5},
        {"compare with the erased page", Package(3, SimCmdCompare, 5), Package(3, 0x44, 5), Erased,
         Written, 5},
        {"write", Package(4, SimCmdWrite, 5), Package(4, 0x21, 5), Written, Written, 5},
        {"compare with the written page", Package(5, SimCmdCompare, 5), Package(5, 0x41, 5),
         Written, Written, 5},
        {"erase", Package(6, SimCmdErase, 5), Package(6, 0x51, 5), Erased, Written, 5},
        {"read", Package(7, SimCmdRead, 7), Package(7, 0x31, 7), Erased, Stored, 7},
        {"request", Package(8, SimCmdRequest, 0), Package(8, 0x65, 7, Stored), Erased, Stored, 7},
        {"initialise", Package(9, SimCmdInitialize, 0),
         Package(9, 0xF6, 0, TByteArray(Text.begin(), Text.end())), Erased, Stored, 7},
    };
    TProgrammerBoard Board;
    Board.SetPage(7, Stored);
    for (const TStep& Step : Steps) {
        SCOPED_TRACE(Step.What);
        EXPECT_EQ(Answer(Board, Step.Request), Step.Reply);
        EXPECT_EQ(Board.GetPage(5), Step.Page5);
        EXPECT_EQ(Board.GetBuffer(), Step.Buffer);
        EXPECT_EQ(Board.GetBufferPageNumber(), Step.BufferPage);
    }
    EXPECT_EQ(Board.GetPage(7), Stored);
}

// The chip file starts erased, takes every stored page and gives them to the next board.
TEST(ProgrammerBoardTest, ChipFileKeepsThePagesForTheNextBoard) {
    TTempFolder Folder;
    TBoardOptions Options;
    Options.ChipFile = Folder.File("chip.bin");
    {
        TProgrammerBoard Board(Options);
        Board.OpenChipFile();
        Board.SetPage(12, EveryByteValuePage(12));
        EXPECT_EQ(Answer(Board, Package(1, SimCmdTransfer, 4095, EveryByteValuePage(7))),
                  Package(1, 0x11, 4095));
        EXPECT_EQ(Answer(Board, Package(2, SimCmdWrite, 4095)), Package(2, 0x21, 4095));
        Board.CloseChipFile();
    }
    TProgrammerBoard Board(Options);
    Board.OpenChipFile();
    EXPECT_EQ(Board.GetPage(12), EveryByteValuePage(12));
    EXPECT_EQ(Board.GetPage(4095), EveryByteValuePage(7));
    EXPECT_EQ(Board.GetPage(11), Erased);
}

TEST(ProgrammerBoardTest, RefusedAndMalformedRequestsChangeNothing) {
    struct TCase {
        const char* What;
        TByteArray Request;
        bool StuffingValid;
        TByteArray Reply;
    };
    const TCase Cases[] = {
        {"unknown command", Package(1, 0x70, 2), true, Package(1, 0x73, 2)},
        {"write beyond the chip", Package(2, SimCmdWrite, 5000), true, Package(2, 0x23, 5000)},
        {"read beyond the chip", Package(3, SimCmdRead, 4096), true, Package(3, 0x33, 4096)},
        {"compare beyond the chip", Package(4, SimCmdCompare, 4096), true, Package(4, 0x43, 4096)},
        {"erase beyond the chip", Package(5, SimCmdErase, 4096), true, Package(5, 0x53, 4096)},
        {"transfer of less than a page", Package(6, SimCmdTransfer, 1, TByteArray(10, 0)), true,
         Package(6, 0x13, 1)},
        {"transfer beyond the chip", Package(7, SimCmdTransfer, 4096, Erased), true,
         Package(7, 0x13, 4096)},
        {"wrong checksum", Hex("03 50 00 00 00 00 00"), true, Hex("03 02 00 00 00 00 FB")},
        {"data length field 5 with 1 data byte", Hex("07 50 00 09 00 05 00 9B"), true,
         Hex("07 02 00 09 00 00 EE")},
        {"package of two bytes", Hex("01 50"), true, Hex("01 02 00 00 00 00 FD")},
        {"start marker not doubled", Package(1, SimCmdErase, 0, {0xAA}), false,
         Hex("01 02 00 00 00 00 FD")},
        {"empty package", {}, true, Hex("00 02 00 00 00 00 FE")},
    };
    // Pages where a page number taken modulo the chip would land, and a buffer to write.
    const TByteArray Kept = EveryByteValuePage(1);
    TProgrammerBoard Board;
    for (const std::uint16_t Page : {0, 9, 904}) {
        Board.SetPage(Page, Kept);
    }
    Board.SetBuffer(Kept, 9);
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.What);
        EXPECT_EQ(Answer(Board, Case.Request, Case.StuffingValid), Case.Reply);
    }
    for (const std::uint16_t Page : {0, 9, 904}) {
        EXPECT_EQ(Board.GetPage(Page), Kept) << Page;
    }
    EXPECT_EQ(Board.GetBuffer(), Kept);
    EXPECT_EQ(Board.GetBufferPageNumber(), 9);
    EXPECT_EQ(Board.GetUnknownCommands(), 1u);
    EXPECT_EQ(Board.GetMalformedRequests(), 5u);
}

TEST(ProgrammerBoardTest, FaultsShapeTheReplies) {
    struct TStep {
        TByteArray Request;
        TByteArray Reply;
    };
    struct TCase {
        const char* What;
        std::function<void(TBoardOptions&)> Configure;
        std::vector<TStep> Steps;
    };
    const TByteArray Page = EveryByteValuePage(2);
    const TCase Cases[] = {
        {"forced reply code, command not carried out",
         [](TBoardOptions& O) { O.ForcedReplies[SimCmdWrite] = 0x23; },
         {{Package(1, SimCmdTransfer, 6, Page), Package(1, 0x11, 6)},
          {Package(2, SimCmdWrite, 6), Package(2, 0x23, 6)},
          {Package(3, SimCmdCompare, 6), Package(3, 0x44, 6)}}},
        {"unknown page in the buffer",
         [](TBoardOptions& O) { O.UnknownPages = {4}; },
         {{Package(1, SimCmdRead, 3), Package(1, 0x31, 3)},
          {Package(2, SimCmdRequest, 0), Package(2, 0x65, 3, Erased)},
          {Package(3, SimCmdRead, 4), Package(3, 0x31, 4)},
          {Package(4, SimCmdRequest, 0), Package(4, 0x65, 0xFFFF, Erased)}}},
        {"own running numbers",
         [](TBoardOptions& O) { O.EchoNumbers = false; },
         {{Package(1, SimCmdErase, 1), Package(0x80, 0x51, 1)},
          {Package(1, SimCmdErase, 2), Package(0x81, 0x51, 2)}}},
        {"cut to the first 5 bytes",
         [](TBoardOptions& O) { O.CutRepliesTo = 5; },
         {{Package(1, SimCmdErase, 0x0102), Hex("01 51 01 02 00")}}},
        {"every second reply damaged",
         [](TBoardOptions& O) { O.DamageEvery = 2; },
         {{Package(1, SimCmdErase, 1), Package(1, 0x51, 1)},
          {Package(2, SimCmdErase, 1), Hex("02 51 00 11 00 00 AC")},
          {Package(3, SimCmdErase, 1), Package(3, 0x51, 1)}}},
        {"first write of page 6 lost",
         [](TBoardOptions& O) { O.LostWrites[6] = 1; },
         {{Package(1, SimCmdTransfer, 6, Page), Package(1, 0x11, 6)},
          {Package(2, SimCmdWrite, 6), Package(2, 0x21, 6)},
          {Package(3, SimCmdCompare, 6), Package(3, 0x44, 6)},
          {Package(4, SimCmdWrite, 6), Package(4, 0x21, 6)},
          {Package(5, SimCmdCompare, 6), Package(5, 0x41, 6)}}},
        {"lowest bits of page 6 stuck at 0",
         [](TBoardOptions& O) { O.StuckPages = {6}; },
         {{Package(1, SimCmdTransfer, 6, Page), Package(1, 0x11, 6)},
          {Package(2, SimCmdWrite, 6), Package(2, 0x21, 6)},
          {Package(3, SimCmdCompare, 6), Package(3, 0x44, 6)},
          {Package(4, SimCmdErase, 6), Package(4, 0x51, 6)},
          {Package(5, SimCmdRead, 6), Package(5, 0x31, 6)},
          {Package(6, SimCmdRequest, 0), Package(6, 0x65, 6, TByteArray(528, 0xFE))}}},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TBoardOptions Options;
        Case.Configure(Options);
        TProgrammerBoard Board(Options);
        for (const TStep& Step : Case.Steps) {
            EXPECT_EQ(Answer(Board, Step.Request), Step.Reply);
        }
    }
}

} // namespace
