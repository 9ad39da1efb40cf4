#include "package/PackageExtractor.h"

#include "package/PackageComposer.h"
#include "package/PackageObjects.h"
#include "tests/support/Deliveries.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

namespace {

using TPieces = std::vector<TByteArray>;

// A complete frame of its own, fed after the bytes under test: once its package has arrived,
// everything fed before it has been examined.
const TByteArray SentinelFrame = {0xAA, 0x5E, 0x55, 0xFF};
const TByteArray SentinelPackage = {0x5E};

// Feeds Pieces and then the sentinel frame into a fresh extractor and returns every package
// delivered before the sentinel's.
std::vector<TByteArray> Extract(const TPieces& Pieces) {
    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    Extractor.OnPackageExtracted = Collector.Handler();
    for (const TByteArray& Piece : Pieces) {
        Extractor.AddBytes(Piece);
    }
    Extractor.AddBytes(SentinelFrame);
    EXPECT_TRUE(Collector.WaitFor(SentinelPackage));
    return Collector.ReceivedBefore(SentinelPackage);
}

// 00 is noise; the frame carries a doubled 55 inside.
const TByteArray NoiseAndFrame = {0x00, 0xAA, 0x01, 0x50, 0x01, 0x55,
                                  0x55, 0x00, 0x00, 0x59, 0x55, 0xFF};
const TByteArray FramePackage = {0x01, 0x50, 0x01, 0x55, 0x00, 0x00, 0x59};

TEST(PackageExtractorTest, WorkedExampleIsLoggedAndDelivered) {
    TTestLog Log;
    {
        TDeliveries Collector;
        TPackageExtractor Extractor(0xAA, 0x55, Log);
        Extractor.OnPackageExtracted = Collector.Handler();
        Extractor.AddBytes(NoiseAndFrame);
        EXPECT_TRUE(Collector.Delivered({FramePackage}));
    }
    // The start and suspension records interleave with the others depending on timing.
    std::vector<std::string> Texts = Log.Texts();
    Texts.erase(std::remove_if(Texts.begin(), Texts.end(),
                               [](const std::string& Text) {
                                   return Text == "Поток извлечения пакетов запущен." ||
                                          Text == "Поток извлечения пакетов приостановлен.";
                               }),
                Texts.end());
    const std::vector<std::string> Expected = {
        "Indexies have been zeroed.", "", "Получен пакет: [ (Hex mode) 01 50 01 55 00 00 59  ]",
        "Break", "Поток извлечения пакетов уничтожен."};
    EXPECT_EQ(Texts, Expected);
}

TEST(PackageExtractorTest, FrameSplitAnywhereGivesTheSamePackage) {
    for (std::size_t Cut = 1; Cut < NoiseAndFrame.size(); ++Cut) {
        const TPieces Pieces = {TByteArray(NoiseAndFrame.begin(), NoiseAndFrame.begin() + Cut),
                                TByteArray(NoiseAndFrame.begin() + Cut, NoiseAndFrame.end())};
        EXPECT_EQ(Extract(Pieces), std::vector<TByteArray>{FramePackage}) << "cut at " << Cut;
    }
    TPieces OneByOne;
    for (const std::uint8_t Byte : NoiseAndFrame) {
        OneByOne.push_back({Byte});
    }
    EXPECT_EQ(Extract(OneByOne), std::vector<TByteArray>{FramePackage});
}

TEST(PackageExtractorTest, FramesFollowingEachOtherAreDeliveredInOrder) {
    struct TCase {
        const char* Name;
        TPieces Pieces;
        std::vector<TByteArray> Packages;
    };
    const std::vector<TCase> Cases = {
        {"two frames in one call",
         {{0xAA, 0x01, 0x55, 0xFF, 0xAA, 0x02, 0xAA, 0xAA, 0x55, 0xFF}},
         {{0x01}, {0x02, 0xAA}}},
        {"next start marker ends the frame",
         {{0xAA, 0x01, 0x55, 0xAA, 0x02, 0x55, 0xFF}},
         {{0x01}, {0x02}}},
        {"next start marker is the last byte received",
         {{0xAA, 0x01, 0x55, 0xAA}, {0x02, 0x55, 0xFF}},
         {{0x01}, {0x02}}},
        {"terminator arrives later",
         {{0xAA, 0x01, 0x55}, {0x55, 0x02, 0x55}, {0xFF}},
         {{0x01, 0x55, 0x02}}},
        {"empty package", {{0xAA, 0x55, 0xFF}}, {{}}},
        {"noise before the start marker",
         {{0x00, 0x55, 0xFF, 0x55, 0x55}, {0x13, 0xAA, 0x01, 0x55, 0xFF}},
         {{0x01}}},
        {"start marker inside a frame is data",
         {{0xAA, 0x01, 0xAA, 0x02, 0x55, 0xFF}},
         {{0x01, 0xAA, 0x02}}},
    };
    for (const TCase& Case : Cases) {
        EXPECT_EQ(Extract(Case.Pieces), Case.Packages) << Case.Name;
        // The same bytes in one call give the same packages.
        EXPECT_EQ(Extract({Join(Case.Pieces)}), Case.Packages) << Case.Name << " (one call)";
    }
}

// The start marker that ends a frame is the last byte received: the first package is delivered
// at once, and the marker must still open the frame whose bytes arrive afterwards.
TEST(PackageExtractorTest, StartMarkerEndingAFrameSurvivesTheBufferReset) {
    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    Extractor.OnPackageExtracted = Collector.Handler();
    Extractor.AddBytes({0xAA, 0x01, 0x55, 0xAA});
    EXPECT_TRUE(Collector.Delivered({{0x01}}));
    Extractor.AddBytes({0x02, 0x55, 0xFF});
    Extractor.AddBytes(SentinelFrame);
    ASSERT_TRUE(Collector.WaitFor(SentinelPackage));
    EXPECT_EQ(Collector.ReceivedBefore(SentinelPackage), (std::vector<TByteArray>{{0x01}, {0x02}}));
}

TEST(PackageExtractorTest, WithoutHandlerFramesAreDropped) {
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    Extractor.AddBytes(NoiseAndFrame);
    Extractor.AddBytes({0xAA, 0x55, 0xFF, 0xAA});
}

TEST(PackageExtractorTest, HandlerFailureDoesNotStopTheThread) {
    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, NoLog());
    const TBytesEvent Collect = Collector.Handler();
    Extractor.OnPackageExtracted = [&Collect](void* Sender, const TByteArray& Package) {
        if (Package == TByteArray{0x01}) {
            throw std::runtime_error("handler failed");
        }
        Collect(Sender, Package);
    };
    Extractor.AddBytes({0xAA, 0x01, 0x55, 0xFF});
    Extractor.AddBytes({0xAA, 0x02, 0x55, 0xFF});
    EXPECT_TRUE(Collector.Delivered({{0x02}}));
}

// Thousands of random packages, framed and fed in random pieces with noise between the frames
// from a second thread, all come out once, in order and unchanged.
TEST(PackageExtractorTest, RandomFramesFedFromAnotherThreadComeOutInOrder) {
    TTestLog Log;
    constexpr int PackageCount = 5000;
    std::mt19937 Random(7);
    std::uniform_int_distribution<int> DataLength(0, 24);
    std::uniform_int_distribution<int> Marker(0, 3);
    std::uniform_int_distribution<int> AnyByte(0, 255);
    std::uniform_int_distribution<int> NoiseLength(0, 3);
    std::uniform_int_distribution<int> PieceLength(1, 40);

    TPackageManager Manager;
    TPackageComposer Composer(0xAA, 0x55, 0xFF);
    TByteArray Stream;
    Composer.OnPackageComposed = [&Stream](void*, const TByteArray& Frame) {
        Stream.insert(Stream.end(), Frame.begin(), Frame.end());
    };
    std::vector<TByteArray> Sent;
    for (int Index = 0; Index < PackageCount; ++Index) {
        TByteArray Data(static_cast<std::size_t>(DataLength(Random)));
        for (std::uint8_t& Byte : Data) {
            const int Choice = Marker(Random);
            Byte = Choice == 0   ? 0xAA
                   : Choice == 1 ? 0x55
                                 : static_cast<std::uint8_t>(AnyByte(Random));
        }
        TByteArray Package;
        Manager.MakePackage(static_cast<std::uint8_t>(AnyByte(Random)),
                            static_cast<std::uint16_t>(Index), Data, Package);
        Sent.push_back(Package);
        // Noise between frames never holds a start marker.
        for (int Noise = NoiseLength(Random); Noise > 0; --Noise) {
            Stream.push_back(static_cast<std::uint8_t>(AnyByte(Random) % 0xAA));
        }
        Composer.Compose(Package);
    }
    TPieces Pieces;
    for (std::size_t Start = 0; Start < Stream.size();) {
        const std::size_t Length =
            std::min(Stream.size() - Start, static_cast<std::size_t>(PieceLength(Random)));
        Pieces.emplace_back(Stream.begin() + Start, Stream.begin() + Start + Length);
        Start += Length;
    }

    TDeliveries Collector;
    TPackageExtractor Extractor(0xAA, 0x55, Log);
    Extractor.OnPackageExtracted = Collector.Handler();
    std::thread Feeder([&] {
        for (const TByteArray& Piece : Pieces) {
            Extractor.AddBytes(Piece);
        }
        Extractor.AddBytes(SentinelFrame);
    });
    EXPECT_TRUE(Collector.WaitFor(SentinelPackage));
    Feeder.join();
    const std::vector<TByteArray> Received = Collector.ReceivedBefore(SentinelPackage);
    ASSERT_EQ(Received.size(), Sent.size());
    for (std::size_t Index = 0; Index < Sent.size(); ++Index) {
        ASSERT_EQ(Received[Index], Sent[Index]) << "package " << Index;
    }
}

} // namespace
