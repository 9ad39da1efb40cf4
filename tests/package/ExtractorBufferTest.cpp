// The extractor's receive buffer after noise and after frames longer than any package: its
// memory is given back, and the frames that follow still come out unchanged.
#include "package/ByteStaffing.h"
#include "package/Package.h"
#include "package/PackageExtractor.h"
#include "tests/support/Deliveries.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Far below the megabytes fed in, and more than a few short frames need.
constexpr std::size_t SmallCapacity = 16 * 1024;
// Every wait ends here at the latest; only a broken extractor makes it that far.
constexpr auto WaitBound = std::chrono::seconds(60);

// The longest package: a head, 65535 data bytes and a checksum.
constexpr std::size_t LongestPackage = 7 + 65535;

const TByteArray ValidFrame = {0xAA, 0x01, 0xAA, 0xAA, 0x02, 0x55, 0x55, 0x03, 0x55, 0xFF};
const TByteArray ValidPackage = {0x01, 0xAA, 0x02, 0x55, 0x03};

// Bytes from 0x00 to 0xA9 but 0x55, over and over: no marker of either kind.
TByteArray Noise(std::size_t Length) {
    TByteArray Bytes(Length);
    for (std::size_t Index = 0; Index < Length; ++Index) {
        Bytes[Index] = static_cast<std::uint8_t>(Index % 0xAA == 0x55 ? 0 : Index % 0xAA);
    }
    return Bytes;
}

// Feeds Bytes the way the serial port delivers them, a few kilobytes at a time.
void Feed(TPackageExtractor& Extractor, const TByteArray& Bytes) {
    constexpr std::size_t PieceLength = 4096;
    for (std::size_t Start = 0; Start < Bytes.size(); Start += PieceLength) {
        const std::size_t End = std::min(Bytes.size(), Start + PieceLength);
        Extractor.AddBytes(TByteArray(Bytes.begin() + Start, Bytes.begin() + End));
    }
}

// Packages short enough for a failure message: the length and first bytes of each.
std::string Describe(const std::vector<TByteArray>& Packages) {
    std::string Text;
    for (const TByteArray& Package : Packages) {
        Text += "[" + std::to_string(Package.size()) + " bytes:";
        for (std::size_t Index = 0; Index < std::min<std::size_t>(Package.size(), 8); ++Index) {
            char Pair[4];
            std::snprintf(Pair, sizeof Pair, " %02X", Package[Index]);
            Text += Pair;
        }
        Text += Package.size() > 8 ? " ...] " : "] ";
    }
    return Text;
}

TEST(ExtractorBuffer, NoiseWithoutStartMarkerGivesItsMemoryBack) {
    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    Extractor.OnPackageExtracted = Collector.Handler();
    Feed(Extractor, Noise(8 << 20));
    EXPECT_TRUE(
        WaitUntil([&] { return Extractor.GetBufferCapacity() <= SmallCapacity; }, WaitBound))
        << Extractor.GetBufferCapacity();
    Extractor.AddBytes(ValidFrame);
    EXPECT_TRUE(Collector.WaitFor(ValidPackage, WaitBound));
    EXPECT_EQ(Collector.Received(), std::vector<TByteArray>{ValidPackage});
}

// The longest sound package, its data all start markers, so that stuffing doubles nearly every
// byte, and its frame.
TByteArray LongestSoundPackage() {
    TROMPackage Package;
    Package.SetNumber(0x01);
    Package.SetCommand(0x65);
    Package.SetPageNumber(0x0102);
    Package.SetData(TByteArray(LongestPackage - 7, 0xAA));
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    return Bytes;
}

TByteArray FrameOf(const TByteArray& Package) {
    TByteArray Stuffed;
    TSendStaffer(0xAA, 0x55).Stuff(Package, Stuffed);
    return Join({{0xAA}, Stuffed, {0x55, 0xFF}});
}

TEST(ExtractorBuffer, FramesLongerThanAnyPackageAreDroppedAndTheSearchGoesOn) {
    const TByteArray LongestUnstuffed = LongestSoundPackage();
    const TByteArray Longest = FrameOf(LongestUnstuffed);
    struct TCase {
        const char* Name;
        TByteArray Bytes;
        std::vector<TByteArray> Packages; // ValidPackage last
    };
    const TCase Cases[] = {
        {"longest frame", Longest, {LongestUnstuffed, ValidPackage}},
        {"one byte longer",
         Join({{0xAA}, TByteArray(2 * LongestPackage + 1, 0x00), {0x55, 0xFF}}),
         {ValidPackage}},
        {"noise after a stray start marker", Join({{0xAA}, Noise(1 << 20)}), {ValidPackage}},
        // The longest frame's own start marker, not doubled, opens the frame anew: it comes
        // out whole although the stray frame would be too long by then.
        {"longest frame after a stray start marker",
         Join({{0xAA}, Noise(10), Longest}),
         {LongestUnstuffed, ValidPackage}},
    };
    for (const TCase& Case : Cases) {
        TDeliveries Collector;
        TPackageExtractor Extractor(0xAA, 0x55, NoLog());
        Extractor.OnPackageExtracted = Collector.Handler();
        Feed(Extractor, Case.Bytes);
        Extractor.AddBytes(ValidFrame);
        EXPECT_TRUE(Collector.WaitFor(ValidPackage, WaitBound)) << Case.Name;
        const std::vector<TByteArray> Packages = Collector.Received();
        EXPECT_TRUE(Packages == Case.Packages) << Case.Name << ": " << Describe(Packages);
        EXPECT_LE(Extractor.GetBufferCapacity(), SmallCapacity) << Case.Name;
    }
}

// A reply as a board sends it: the identification's reply package, framed.
TByteArray Reply() {
    TROMPackage Package;
    Package.SetNumber(0x07);
    Package.SetCommand(0xF6);
    Package.SetData({'V', 0xAA, 0x55, 'e'});
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    return Bytes;
}

// Bytes that hold start markers but no end marker: every other byte a start marker.
TByteArray StartMarkerNoise(std::size_t Length) {
    TByteArray Bytes(Length, 0x00);
    for (std::size_t Index = 0; Index < Length; Index += 2) {
        Bytes[Index] = 0xAA;
    }
    return Bytes;
}

// Noise on the line before a reply, start markers in it, never costs the reply: a start marker
// that is not doubled opens the frame anew, a frame too long for any package is dropped at
// once, and a frame whose package is damaged is searched for the reply's own start marker
// among the start markers it begins with.
TEST(ExtractorBuffer, NoiseWithStartMarkersBeforeAReplyStillGivesTheReply) {
    const TByteArray Package = Reply();
    const TByteArray Frame = FrameOf(Package);
    struct TCase {
        const char* Name;
        TByteArray Noise;
    };
    const TCase Cases[] = {
        {"AA 00", {0xAA, 0x00}},
        {"a start marker that pairs with the reply's", {0x01, 0x02, 0xAA}},
        {"start markers that pair with the reply's", {0x01, 0xAA, 0xAA, 0xAA}},
        {"a stray end marker after a start marker", {0xAA, 0x13, 0x55, 0x55, 0x00}},
        {"4 MiB of AA 00", StartMarkerNoise(4 << 20)},
        {"a start marker and 1 MiB without markers", Join({{0xAA}, Noise(1 << 20)})},
    };
    for (const TCase& Case : Cases) {
        TDeliveries Collector;
        TPackageExtractor Extractor(0xAA, 0x55, NoLog());
        Extractor.OnPackageExtracted = Collector.Handler();
        Feed(Extractor, Join({Case.Noise, Frame}));
        EXPECT_TRUE(Collector.WaitFor(Package, WaitBound)) << Case.Name;
        EXPECT_LE(Extractor.GetBufferCapacity(), SmallCapacity) << Case.Name;
    }
}

// Bytes that make a sound package, as page data or a reply can hold them by chance.
TByteArray ShortPackage(std::uint8_t Number) {
    TROMPackage Package;
    Package.SetNumber(Number);
    Package.SetCommand(0x21);
    Package.SetPageNumber(17);
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    return Bytes;
}

// A package is never carved out of the data of another: a doubled start marker inside a frame
// is data even when the frame is damaged and the bytes after it make a sound package (a write
// success here). The frame's own damaged package goes on, which the link rejects.
TEST(ExtractorBuffer, NoPackageIsCarvedOutOfTheDataOfADamagedFrame) {
    const TByteArray Carved = ShortPackage(0x3C);
    struct TCase {
        const char* Name;
        TByteArray Bytes;
    };
    // A page whose last data bytes are 0xAA and a short package; its checksum is then wrong.
    TByteArray PageData(528 - Carved.size() + 1, 0x00);
    PageData[PageData.size() - 1] = 0xAA;
    PageData.insert(PageData.end(), Carved.begin(), Carved.end() - 1);
    TROMPackage Page;
    Page.SetNumber(0x05);
    Page.SetCommand(0x65);
    Page.SetPageNumber(3);
    Page.SetData(PageData);
    TByteArray PagePackage;
    Page.ToBytes(PagePackage);
    PagePackage.back() = Carved.back();
    TByteArray LostBytes = PagePackage;
    LostBytes.erase(LostBytes.begin() + 100, LostBytes.begin() + 120);
    const TCase Cases[] = {
        {"a page with a wrong checksum", FrameOf(PagePackage)},
        {"a page that lost bytes on the line", FrameOf(LostBytes)},
        {"noise whose start marker pairs with the reply's inside its frame",
         Join({{0xAA, 0x01, 0x02, 0xAA}, FrameOf(Carved)})},
    };
    for (const TCase& Case : Cases) {
        TDeliveries Collector;
        TPackageExtractor Extractor(0xAA, 0x55, NoLog());
        Extractor.OnPackageExtracted = Collector.Handler();
        Feed(Extractor, Join({Case.Bytes, ValidFrame}));
        EXPECT_TRUE(Collector.WaitFor(ValidPackage, WaitBound)) << Case.Name;
        const std::vector<TByteArray> Before = Collector.ReceivedBefore(ValidPackage);
        ASSERT_EQ(Before.size(), 1u) << Case.Name << ": " << Describe(Before);
        EXPECT_NE(CheckPackageIntegrity(Before.front()), TPackageIntegrity::Sound)
            << Case.Name << ": " << Describe(Before);
    }
}

// A piece of no bytes between a frame's end marker and its last byte changes nothing.
TEST(ExtractorBuffer, AnEmptyPieceInsideAFrameLosesNothing) {
    const TByteArray Frame = FrameOf(Reply());
    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    Extractor.OnPackageExtracted = Collector.Handler();
    Extractor.AddBytes(TByteArray(Frame.begin(), Frame.end() - 1));
    Extractor.AddBytes({});
    Extractor.AddBytes({Frame.back()});
    EXPECT_TRUE(Collector.Delivered({Reply()}));
}

} // namespace
