#include "simulator/SimulatorWire.h"
#include "tests/support/TestBytes.h"

#include <gtest/gtest.h>

namespace {

struct TWireExample {
    std::uint8_t Number;
    std::uint8_t Command;
    std::uint16_t PageNumber;
    const char* Data;
    const char* Package;
    const char* Frame;
};

const TWireExample WireExamples[] = {
    {1, 0x50, 0, "", "01 50 00 00 00 00 AF", "AA 01 50 00 00 00 00 AF 55 FF"},
    {1, 0x50, 0x0155, "", "01 50 01 55 00 00 59", "AA 01 50 01 55 55 00 00 59 55 FF"},
    {2, 0x40, 7, "AA C3", "02 40 00 07 00 02 AA C3 47", "AA 02 40 00 07 00 02 AA AA C3 47 55 FF"},
    {255, 0xF0, 0, "", "FF F0 00 00 00 00 10", "AA FF F0 00 00 00 00 10 55 FF"},
};

TEST(SimulatorWireTest, BuildsPackagesAndFramesOfTheWireFormat) {
    for (const TWireExample& Example : WireExamples) {
        SCOPED_TRACE(Example.Package);
        const TByteArray Package =
            SimBuildPackage(Example.Number, Example.Command, Example.PageNumber, Hex(Example.Data));
        EXPECT_EQ(Package, Hex(Example.Package));
        EXPECT_EQ(SimComposeFrame(Package), Hex(Example.Frame));
    }
}

TEST(SimulatorWireTest, CheckSumUsesEndAroundCarry) {
    EXPECT_EQ(SimCheckSum(TByteArray{}), 0x00);
    EXPECT_EQ(SimCheckSum(Hex("01")), 0xFF);
    EXPECT_EQ(SimCheckSum(Hex("FF 01")), 0xFF);
    EXPECT_EQ(SimCheckSum(Hex("FF F0 00 00 00 00")), 0x10);
}

TEST(SimulatorWireTest, UnstuffUndoesStuffAndFlagsALoneStartMarker) {
    const TByteArray Package = Hex("AA 55 AA AA 00 55 55 55 FF AA");
    bool Valid = false;
    EXPECT_EQ(SimUnstuff(SimStuff(Package), &Valid), Package);
    EXPECT_TRUE(Valid);

    EXPECT_EQ(SimUnstuff(Hex("01 AA C3"), &Valid), Hex("01 AA C3"));
    EXPECT_FALSE(Valid);
}

std::vector<TSimReceivedFrame> FeedAll(TSimFrameCutter& Cutter, const TByteArray& Bytes) {
    std::vector<TSimReceivedFrame> Frames;
    for (const std::uint8_t Byte : Bytes) {
        if (auto Frame = Cutter.Feed(Byte)) {
            Frames.push_back(*Frame);
        }
    }
    return Frames;
}

TEST(SimulatorWireTest, CutterSkipsNoiseAndSeparatesFrames) {
    TSimFrameCutter Cutter;
    // Noise, a frame with doubled markers, a frame ended by the next start marker, a frame
    // with an undoubled start marker, an empty frame.
    const auto Frames = FeedAll(
        Cutter,
        Hex("00 55 FF AA 01 50 01 55 55 00 00 59 55 FF 13 AA 02 55 AA 03 55 55 AA 55 FF AA 55 FF"));
    ASSERT_EQ(Frames.size(), 4u);
    EXPECT_EQ(Frames[0].Raw, Hex("AA 01 50 01 55 55 00 00 59 55 FF"));
    EXPECT_EQ(Frames[0].Package, Hex("01 50 01 55 00 00 59"));
    EXPECT_EQ(Frames[1].Raw, Hex("AA 02 55"));
    EXPECT_EQ(Frames[1].Package, Hex("02"));
    EXPECT_EQ(Frames[2].Package, Hex("03 55 AA"));
    EXPECT_FALSE(Frames[2].StuffingValid);
    EXPECT_TRUE(Frames[3].Package.empty());
    EXPECT_EQ(Cutter.GetSkippedBytes(), 4u);
}

TEST(SimulatorWireTest, CutterWaitsForTheByteAfterTheEndMarker) {
    TSimFrameCutter Cutter;
    EXPECT_TRUE(FeedAll(Cutter, Hex("AA 01 50 00 00 00 00 AF 55")).empty());
    const auto Frames = FeedAll(Cutter, Hex("FF"));
    ASSERT_EQ(Frames.size(), 1u);
    EXPECT_EQ(Frames[0].Package, Hex("01 50 00 00 00 00 AF"));
}

} // namespace
