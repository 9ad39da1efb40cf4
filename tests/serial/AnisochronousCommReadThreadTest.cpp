#include "serial/AnisochronousCommReadThread.h"
#include "PseudoTerminal.h"
#include "serial/AnisochronousCommPort.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Collects the bursts a read thread delivers.
class TBurstSink {
public:
    TBytesEvent Handler() {
        return [this](void* Sender, const TByteArray& Bytes) {
            std::lock_guard<std::mutex> Guard(Mutex);
            Senders.push_back(Sender);
            Bursts.push_back(Bytes);
            Arrived.notify_all();
        };
    }
    // Waits until Count bursts were delivered and returns all of them.
    std::vector<TByteArray> WaitFor(std::size_t Count) {
        std::unique_lock<std::mutex> Guard(Mutex);
        Arrived.wait(Guard, [&] { return Bursts.size() >= Count; });
        return Bursts;
    }
    std::vector<void*> GetSenders() {
        std::lock_guard<std::mutex> Guard(Mutex);
        return Senders;
    }

private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::vector<TByteArray> Bursts;
    std::vector<void*> Senders;
};

const char* const ReceivedCaption = "Получено из COM порта: [ (Hex mode) ";

class CommReadThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Comm.SetPortName(Line.SlavePath())); }

    void StartReading(bool WithHandler = true) {
        // Installed before the thread starts, so that bytes already queued are delivered.
        Thread = std::make_unique<TAnisochronousCommReadThread>(Comm, WithHandler ? Sink.Handler()
                                                                                  : TBytesEvent());
    }
    void QueueOnPort(const TByteArray& Bytes) {
        Line.Send(Bytes);
        while (Comm.BytesInQueue() < Bytes.size()) {
            std::this_thread::yield();
        }
    }

    TTestLog Log;
    TPseudoTerminal Line;
    TAnisochronousComm Comm;
    TBurstSink Sink;
    std::unique_ptr<TAnisochronousCommReadThread> Thread;
};

} // namespace

TEST_F(CommReadThreadTest, SingleByteIsDeliveredAsOneByteBurstAndLogged) {
    StartReading();
    Line.Send({0x3C});
    const auto Bursts = Sink.WaitFor(1);
    ASSERT_EQ(Bursts.size(), 1u);
    EXPECT_EQ(Bursts[0], TByteArray{0x3C});
    EXPECT_EQ(Sink.GetSenders()[0], Thread.get());
    Thread->Stop();
    EXPECT_NE(Log.Contents().find(std::string(ReceivedCaption) + "3C  ]\r\n"), std::string::npos)
        << Log.Contents();
}

TEST_F(CommReadThreadTest, QueuedBytesBehindTheFirstFormOneBurst) {
    const TByteArray Frame = {0xAA, 0x01, 0x10, 0x0D, 0x0A, 0x00, 0xFF, 0x55, 0xFF};
    QueueOnPort(Frame);
    StartReading();
    const auto Bursts = Sink.WaitFor(1);
    ASSERT_EQ(Bursts.size(), 1u);
    EXPECT_EQ(Bursts[0], Frame);
    Thread->Stop();
    EXPECT_NE(
        Log.Contents().find(std::string(ReceivedCaption) + "AA 01 10 0D 0A 00 FF 55 FF  ]\r\n"),
        std::string::npos);
}

TEST_F(CommReadThreadTest, WithoutHandlerBytesAreConsumedButNotLoggedOrDelivered) {
    QueueOnPort({1, 2, 3});
    StartReading(false);
    // The queued bytes are read without waiting; the thread's first wait is for the next burst.
    WaitUntilAnotherThreadBlockedInPoll();
    EXPECT_EQ(Comm.BytesInQueue(), 0u);
    // Bytes read before the handler was installed are not delivered later.
    Thread->SetOnBytesReceived(Sink.Handler());
    Line.Send({4});
    EXPECT_EQ(Sink.WaitFor(1), std::vector<TByteArray>{{4}});
    Thread->Stop();
    EXPECT_EQ(Log.Contents().find("01 02 03"), std::string::npos);
    EXPECT_EQ(Log.Contents().find("Получено из COM порта"),
              Log.Contents().rfind("Получено из COM порта"));
}

TEST_F(CommReadThreadTest, ReadingFollowsThePortToAnotherDevice) {
    StartReading();
    Line.Send({0x11});
    Sink.WaitFor(1);

    TPseudoTerminal SecondLine;
    ASSERT_TRUE(Comm.SetPortName(SecondLine.SlavePath()));
    SecondLine.Send({0x22, 0x33});
    auto Bursts = Sink.WaitFor(2);
    // The two bytes may come as one burst or as two.
    if (Bursts.size() == 2 && Bursts[1].size() == 1) {
        Bursts = Sink.WaitFor(3);
    }
    TByteArray Joined;
    for (std::size_t Index = 1; Index < Bursts.size(); ++Index) {
        Joined.insert(Joined.end(), Bursts[Index].begin(), Bursts[Index].end());
    }
    EXPECT_EQ(Joined, (TByteArray{0x22, 0x33}));
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
    while (Calls.load() == 0) {
        std::this_thread::yield();
    }
    Line.Send({2});
    EXPECT_EQ(Sink.WaitFor(1), std::vector<TByteArray>{{2}});
    Thread->Stop();
    EXPECT_NE(Log.Contents().find("Ошибка в потоке чтения COM порта: handler broke"),
              std::string::npos);
}

TEST_F(CommReadThreadTest, HungUpLineDoesNotMakeTheThreadSpin) {
    StartReading();
    Line.CloseMaster();
    while (Thread->GetFailedReadCount() == 0) {
        std::this_thread::yield();
    }
    // A spinning loop would fail thousands of reads in this period; a pausing one a few dozen.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(Thread->GetFailedReadCount(), 200u);
    EXPECT_TRUE(Comm.IsOpen());
    Thread->Stop();
}

TEST(CommReadThreadStop, StopsWhileWaitingForTheOpenEventOrInsideARead) {
    TPseudoTerminal Line;
    TAnisochronousComm Comm;
    {
        // Never opened: the thread sleeps on the open event.
        TAnisochronousCommReadThread Thread(Comm);
        Thread.Stop();
        Thread.Stop();
    }
    EXPECT_FALSE(Comm.WaitUntilOpen(0));

    ASSERT_TRUE(Comm.SetPortName(Line.SlavePath()));
    {
        // Open and quiet: the thread blocks in its one-byte read; the destructor stops it.
        TAnisochronousCommReadThread Thread(Comm);
    }
    EXPECT_TRUE(Comm.WaitUntilOpen(0));
    EXPECT_TRUE(Comm.IsOpen());

    // A new reader on the same port reads normally.
    TBurstSink Sink;
    TAnisochronousCommReadThread Thread(Comm);
    Thread.SetOnBytesReceived(Sink.Handler());
    Line.Send({7});
    EXPECT_EQ(Sink.WaitFor(1), std::vector<TByteArray>{{7}});
}
