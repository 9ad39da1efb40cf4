#include "package/ByteStaffing.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct TStaffingCase {
    TByteArray Input;
    TByteArray Result;
};

TEST(ByteStaffingTest, StuffDoublesEveryMarker) {
    const std::vector<TStaffingCase> Cases = {
        {{0x01, 0x50, 0x00, 0x00, 0x00, 0x00, 0xAF}, {0x01, 0x50, 0x00, 0x00, 0x00, 0x00, 0xAF}},
        {{0x01, 0x50, 0x01, 0x55, 0x00, 0x00, 0x59},
         {0x01, 0x50, 0x01, 0x55, 0x55, 0x00, 0x00, 0x59}},
        {{0x02, 0x40, 0x00, 0x07, 0x00, 0x02, 0xAA, 0xC3, 0x47},
         {0x02, 0x40, 0x00, 0x07, 0x00, 0x02, 0xAA, 0xAA, 0xC3, 0x47}},
        {{0xAA, 0xAA, 0xAA}, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {{}, {}},
    };
    const TSendStaffer Stuffer(0xAA, 0x55);
    for (const TStaffingCase& Case : Cases) {
        TByteArray Result{0x77};
        Stuffer.Stuff(Case.Input, Result);
        EXPECT_EQ(Result, Case.Result);
    }
}

TEST(ByteStaffingTest, UnstuffTurnsDoubledMarkersIntoSingleOnes) {
    const std::vector<TStaffingCase> Cases = {
        {{0x01, 0x50, 0x01, 0x55, 0x55, 0x00, 0x00, 0x59},
         {0x01, 0x50, 0x01, 0x55, 0x00, 0x00, 0x59}},
        {{0xAA, 0xAA, 0x55, 0x55}, {0xAA, 0x55}},
        {{0xAA, 0x55, 0x55}, {0xAA, 0x55}},
        {{0x55, 0x55, 0x55}, {0x55, 0x55}},
        {{0x01, 0xAA}, {0x01, 0xAA}},
        {{0x55}, {0x55}},
        {{0xAA}, {0xAA}},
        {{0x55, 0xAA}, {0x55, 0xAA}},
        {{0xAA, 0x55}, {0xAA, 0x55}},
        {{}, {}},
    };
    const TReceiveStaffer Unstuffer(0xAA, 0x55);
    for (const TStaffingCase& Case : Cases) {
        TByteArray Result{0x77};
        Unstuffer.Unstuff(Case.Input, Result);
        EXPECT_EQ(Result, Case.Result);
    }
}

TEST(ByteStaffingTest, OutputMayBeTheInputArray) {
    TByteArray Bytes = {0x55, 0x01, 0xAA};
    TSendStaffer(0xAA, 0x55).Stuff(Bytes, Bytes);
    EXPECT_EQ(Bytes, (TByteArray{0x55, 0x55, 0x01, 0xAA, 0xAA}));
    TReceiveStaffer(0xAA, 0x55).Unstuff(Bytes, Bytes);
    EXPECT_EQ(Bytes, (TByteArray{0x55, 0x01, 0xAA}));
}

TEST(ByteStaffingTest, UnstuffUndoesStuffForRandomInputs) {
    std::mt19937 Random(20240611);
    // Markers are drawn often so that runs of doubled and mixed markers occur.
    const std::vector<std::uint8_t> Alphabet = {0xAA, 0x55, 0x00, 0xFF, 0x01, 0xA5};
    std::uniform_int_distribution<int> Length(0, 64);
    std::uniform_int_distribution<int> Pick(0, static_cast<int>(Alphabet.size()));
    std::uniform_int_distribution<int> AnyByte(0, 255);
    const TSendStaffer Stuffer(0xAA, 0x55);
    const TReceiveStaffer Unstuffer(0xAA, 0x55);
    for (int Round = 0; Round < 5000; ++Round) {
        TByteArray Input(static_cast<std::size_t>(Length(Random)));
        for (std::uint8_t& Byte : Input) {
            const int Choice = Pick(Random);
            Byte = Choice < static_cast<int>(Alphabet.size())
                       ? Alphabet[static_cast<std::size_t>(Choice)]
                       : static_cast<std::uint8_t>(AnyByte(Random));
        }
        TByteArray Stuffed, Unstuffed;
        Stuffer.Stuff(Input, Stuffed);
        Unstuffer.Unstuff(Stuffed, Unstuffed);
        ASSERT_EQ(Unstuffed, Input) << "round " << Round;
    }
}

} // namespace
