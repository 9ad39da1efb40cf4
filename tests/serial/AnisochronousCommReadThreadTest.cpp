#include "serial/AnisochronousCommReadThread.h"
#include "PseudoTerminal.h"
#include "serial/AnisochronousCommPort.h"
#include "tests/support/Deliveries.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

const char* const ReceivedCaption = "Получено из COM порта: [ (Hex mode) ";

class CommReadThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Comm.SetPortName(Line.SlavePath()).Opened()); }

    void StartReading(bool WithHandler = true) {
        // Installed before the thread starts, so that bytes already queued are delivered.
        Thread = std::make_unique<TAnisochronousCommReadThread>(
            Comm, Log, WithHandler ? Sink.Handler() : TBytesEvent());
    }
    void QueueOnPort(const TByteArray& Bytes) {
        Line.Send(Bytes);
        ASSERT_TRUE(WaitUntil([&] { return Comm.BytesInQueue() >= Bytes.size(); }));
    }

    TTestLog Log;
    TPseudoTerminal Line;
    TAnisochronousComm Comm;
    TDeliveries Sink;
    std::unique_ptr<TAnisochronousCommReadThread> Thread;
};

} // namespace

TEST_F(CommReadThreadTest, SingleByteIsDeliveredAsOneByteBurstAndLogged) {
    StartReading();
    Line.Send({0x3C});
    ASSERT_TRUE(Sink.Delivered({{0x3C}}));
    EXPECT_EQ(Sink.Senders()[0], Thread.get());
    Thread->Stop();
    EXPECT_NE(Log.Contents().find(std::string(ReceivedCaption) + "3C  ]\r\n"), std::string::npos)
        << Log.Contents();
}

TEST_F(CommReadThreadTest, QueuedBytesBehindTheFirstFormOneBurst) {
    const TByteArray Frame = {0xAA, 0x01, 0x10, 0x0D, 0x0A, 0x00, 0xFF, 0x55, 0xFF};
    QueueOnPort(Frame);
    StartReading();
    EXPECT_TRUE(Sink.Delivered({Frame}));
    Thread->Stop();
    EXPECT_NE(
        Log.Contents().find(std::string(ReceivedCaption) + "AA 01 10 0D 0A 00 FF 55 FF  ]\r\n"),
        std::string::npos);
}

TEST_F(CommReadThreadTest, WithoutHandlerBytesAreConsumedButNotLoggedOrDelivered) {
    QueueOnPort({1, 2, 3});
    StartReading(false);
    // The queued bytes are read without waiting; the thread's first wait is for the next burst.
    ASSERT_TRUE(WaitUntilAnotherThreadBlockedInPoll());
    EXPECT_EQ(Comm.BytesInQueue(), 0u);
    // Bytes read before the handler was installed are not delivered later.
    Thread->SetOnBytesReceived(Sink.Handler());
    Line.Send({4});
    EXPECT_TRUE(Sink.Delivered({{4}}));
    Thread->Stop();
    EXPECT_EQ(Log.Contents().find("01 02 03"), std::string::npos);
    EXPECT_EQ(Log.Contents().find("Получено из COM порта"),
              Log.Contents().rfind("Получено из COM порта"));
}

TEST_F(CommReadThreadTest, ReadingFollowsThePortToAnotherDevice) {
    StartReading();
    Line.Send({0x11});
    ASSERT_TRUE(Sink.WaitForCount(1));

    TPseudoTerminal SecondLine;
    ASSERT_TRUE(Comm.SetPortName(SecondLine.SlavePath()).Opened());
    SecondLine.Send({0x22, 0x33});
    ASSERT_TRUE(Sink.WaitForCount(2));
    // The two bytes may come as one burst or as two.
    if (Sink.Received()[1].size() == 1) {
        ASSERT_TRUE(Sink.WaitForCount(3));
    }
    const std::vector<TByteArray> Bursts = Sink.Received();
    EXPECT_EQ(Join({Bursts.begin() + 1, Bursts.end()}), (TByteArray{0x22, 0x33}));
}

TEST_F(CommReadThreadTest, HandlerFailureIsLoggedAndReadingGoesOn) {
    std::atomic<int> Calls{0};
    StartReading(false);
    Thread->SetOnBytesReceived([&](void* Sender, const TByteArray& Bytes) {
        if (++Calls == 1) {
            throw std::runtime_error("handler broke");
        }
        Sink.Handler()(Sender, Bytes);
    });
    Line.Send({1});
    ASSERT_TRUE(WaitUntil([&] { return Calls.load() > 0; }));
    Line.Send({2});
    EXPECT_TRUE(Sink.Delivered({{2}}));
    Thread->Stop();
    EXPECT_NE(Log.Contents().find("Ошибка в потоке чтения COM порта: handler broke"),
              std::string::npos);
}

TEST_F(CommReadThreadTest, HungUpLineDoesNotMakeTheThreadSpin) {
    StartReading();
    Line.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return Thread->GetFailedReadCount() > 0; }));
    // A spinning loop would fail thousands of reads in this period; a pausing one a few dozen.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Thread->GetFailedReadCount(), 200u);
    EXPECT_TRUE(Comm.IsOpen());
    Thread->Stop();
}

// A handler that still waits for the rest of a frame makes the thread pause while it crosses
// the line; stopping the thread ends that pause.
TEST_F(CommReadThreadTest, StopEndsThePauseForBytesStillDue) {
    std::atomic<pid_t> ReaderTid{0};
    Thread = std::make_unique<TAnisochronousCommReadThread>(Comm, Log);
    Thread->SetOnBytesReceived(Sink.Handler(), [&] {
        ReaderTid = gettid();
        return BoundsWorthOfBytes;
    });
    Line.Send({0xAA});
    ASSERT_TRUE(Sink.Delivered({{0xAA}}));
    ASSERT_TRUE(WaitUntil([&] { return ReaderTid != 0; }));
    EXPECT_TRUE(WaitUntilBlockedInPoll(ReaderTid));
    std::atomic<bool> Stopped{false};
    std::thread Stopping([&] {
        Thread->Stop();
        Stopped = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return Stopped.load(); }));
    Stopping.join();
}

TEST(CommReadThreadStop, StopsWhileWaitingForTheOpenEventOrInsideARead) {
    TPseudoTerminal Line;
    TAnisochronousComm Comm;
    {
        // Never opened: the thread sleeps on the open event.
        TAnisochronousCommReadThread Thread(Comm, NoLog());
        Thread.Stop();
        Thread.Stop();
    }
    EXPECT_FALSE(Comm.WaitUntilOpen(0));

    ASSERT_TRUE(Comm.SetPortName(Line.SlavePath()).Opened());
    {
        // Open and quiet: the thread blocks in its one-byte read; the destructor stops it.
        TAnisochronousCommReadThread Thread(Comm, NoLog());
    }
    EXPECT_TRUE(Comm.WaitUntilOpen(0));
    EXPECT_TRUE(Comm.IsOpen());

    // A new reader on the same port reads normally.
    TDeliveries Sink;
    TAnisochronousCommReadThread Thread(Comm, NoLog());
    Thread.SetOnBytesReceived(Sink.Handler());
    Line.Send({7});
    EXPECT_TRUE(Sink.Delivered({{7}}));
}
