// What the frame scanner says a frame in progress still lacks: the serial read thread sleeps
// while that many bytes cross the line, so saying more than will come holds a reply back.
#include "package/FrameScanner.h"
#include "package/PackageComposer.h"
#include "package/PackageObjects.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TByteArray FrameOf(const TByteArray& Package) {
    TByteArray Frame;
    TPackageComposer Composer(0xAA, 0x55, 0xFF);
    Composer.OnPackageComposed = [&Frame](void*, const TByteArray& Composed) { Frame = Composed; };
    Composer.Compose(Package);
    return Frame;
}

// Packages of every length up to a page's, their bytes often markers.
TByteArray RandomPackage(std::mt19937& Random) {
    TByteArray Data(Random() % 540);
    for (std::uint8_t& Byte : Data) {
        const std::uint32_t Pick = Random() % 4;
        Byte = Pick == 0 ? 0xAA : Pick == 1 ? 0x55 : static_cast<std::uint8_t>(Random());
    }
    TByteArray Package;
    TSendPackageBuilder().Build(static_cast<std::int32_t>(Random()),
                                static_cast<std::uint8_t>(Random()),
                                static_cast<std::uint16_t>(Random()), Data, Package);
    return Package;
}

TEST(FrameScannerDue, NeverMoreThanTheFrameStillBringsAndNothingOnceItEnded) {
    std::mt19937 Random(5);
    const TFrameScanner::TSink Sink;
    for (int Round = 0; Round < 200; ++Round) {
        const TByteArray Frame = FrameOf(RandomPackage(Random));
        TFrameScanner Scanner(0xAA, 0x55);
        EXPECT_EQ(Scanner.GetBytesStillDue(), 0u);
        for (std::size_t Fed = 0; Fed < Frame.size(); ++Fed) {
            Scanner.Feed(&Frame[Fed], 1, Sink);
            const std::size_t Left = Frame.size() - Fed - 1;
            ASSERT_LE(Scanner.GetBytesStillDue(), Left) << "round " << Round << ", byte " << Fed;
        }
        EXPECT_EQ(Scanner.GetBytesStillDue(), 0u) << "round " << Round;
    }
}

// Once the head has come, a frame without doubled bytes after it is due exactly.
TEST(FrameScannerDue, ExactOnceTheHeadGivesTheLength) {
    const TByteArray Frame = FrameOf({0x01, 0x65, 0x00, 0x07, 0x00, 0x03, 0x10, 0x20, 0x30, 0x30});
    TFrameScanner Scanner(0xAA, 0x55);
    const TFrameScanner::TSink Sink;
    Scanner.Feed(Frame.data(), 7, Sink);
    EXPECT_EQ(Scanner.GetBytesStillDue(), Frame.size() - 7);
    // Before the head is complete only a package without data can be counted on.
    TFrameScanner Early(0xAA, 0x55);
    Early.Feed(Frame.data(), 1, Sink);
    EXPECT_EQ(Early.GetBytesStillDue(), 9u);
}

} // namespace
