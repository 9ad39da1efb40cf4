#include "simulator/SimulatorCommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulatorCommandLineTest, ParsesEveryOption) {
    TSimulatorCommandLine CommandLine;
    std::string Error;
    ASSERT_TRUE(ParseSimulatorCommandLine({"--chip",
                                           "chip.bin",
                                           "--link=/tmp/port",
                                           "--id",
                                           "Board 2",
                                           "--baud",
                                           "115200",
                                           "--silent",
                                           "--reply",
                                           "0x20=0x23",
                                           "--reply=16=2",
                                           "--unknown-page",
                                           "3,0x10",
                                           "--unknown-page",
                                           "4095",
                                           "--noise",
                                           "5",
                                           "--pieces",
                                           "4",
                                           "--piece-gap",
                                           "3",
                                           "--delay",
                                           "250",
                                           "--stop-after",
                                           "7",
                                           "--hang-up-after",
                                           "0",
                                           "--cut-reply",
                                           "5",
                                           "--late",
                                           "1,3",
                                           "--no-echo",
                                           "--damage=2",
                                           "--stuck-page",
                                           "7,9",
                                           "--lose-writes",
                                           "5=2",
                                           "--lose-writes=6=1",
                                           "--success",
                                           "0x51",
                                           "--success=0x20=0x11",
                                           "--refuse-write",
                                           "17=0x13",
                                           "--broken-frame",
                                           "12",
                                           "-v"},
                                          CommandLine, Error))
        << Error;
    const TSimulatorOptions& Options = CommandLine.Options;
    EXPECT_EQ(Options.ChipFile, "chip.bin");
    EXPECT_EQ(CommandLine.LinkPath, "/tmp/port");
    EXPECT_EQ(Options.IdentificationText, "Board 2");
    EXPECT_EQ(Options.BaudRate, 115200u);
    EXPECT_TRUE(Options.NeverAnswer);
    EXPECT_EQ(Options.ForcedReplies,
              (std::map<std::uint8_t, std::uint8_t>{{0x20, 0x23}, {0x10, 0x02}}));
    EXPECT_EQ(Options.UnknownPages, (std::set<std::uint16_t>{3, 16, 4095}));
    EXPECT_EQ(Options.NoiseBytes, 5u);
    EXPECT_EQ(Options.ReplyPieceSize, 4u);
    EXPECT_EQ(Options.ReplyPieceGapMs, 3u);
    EXPECT_EQ(Options.ReplyDelayMs, 250u);
    EXPECT_EQ(Options.StopAfter, std::optional<std::size_t>(7));
    EXPECT_EQ(Options.HangUpAfter, std::optional<std::size_t>(0));
    EXPECT_EQ(Options.CutRepliesTo, std::optional<std::size_t>(5));
    EXPECT_EQ(Options.LateFrames, (std::set<std::size_t>{1, 3}));
    EXPECT_FALSE(Options.EchoNumbers);
    EXPECT_EQ(Options.DamageEvery, 2u);
    EXPECT_EQ(Options.StuckPages, (std::set<std::uint16_t>{7, 9}));
    EXPECT_EQ(Options.LostWrites, (std::map<std::uint16_t, std::size_t>{{5, 2}, {6, 1}}));
    EXPECT_EQ(Options.SuccessCodes,
              (std::map<std::uint8_t, std::uint8_t>{
                  {0x10, 0x51}, {0x20, 0x11}, {0x30, 0x51}, {0x40, 0x51}, {0x50, 0x51}}));
    EXPECT_EQ(Options.RefusedWrites, (std::map<std::uint16_t, std::uint8_t>{{17, 0x13}}));
    EXPECT_EQ(Options.BrokenFrameBytes, 12u);
    EXPECT_TRUE(CommandLine.Verbose);
    EXPECT_FALSE(CommandLine.ShowHelp);
}

TEST(SimulatorCommandLineTest, RejectsBadArguments) {
    const std::vector<std::vector<std::string>> Bad = {
        {"--frobnicate"},         {"--delay"},
        {"--delay", "-5"},        {"--baud", "0"},
        {"--reply", "0x20"},      {"--reply", "0x20=0x123"},
        {"--unknown-page", "1,"}, {"--unknown-page", "65536"},
        {"--noise", "many"},      {"--late", "0"},
        {"--damage", "x"},        {"--lose-writes", "5"},
        {"--stuck-page", "x"},    {"--success", "0x123"},
        {"--refuse-write", "17"}, {"--broken-frame", "3"},
    };
    for (const auto& Arguments : Bad) {
        TSimulatorCommandLine CommandLine;
        std::string Error;
        EXPECT_FALSE(ParseSimulatorCommandLine(Arguments, CommandLine, Error)) << Arguments[0];
        EXPECT_FALSE(Error.empty());
    }
}

} // namespace
