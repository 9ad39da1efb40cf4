#include "serial/AnisochronousCommPort.h"
#include "PseudoTerminal.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const TByteArray ControlBytes = {0x0D, 0x0A, 0x03, 0x11, 0x13, 0xFF, 0x00, 0x1A, 0x7F, 0x0D};

class CommPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Comm.SetPortName(Line.SlavePath()).Opened()); }

    TPseudoTerminal Line;
    TAnisochronousComm Comm;
};

} // namespace

TEST(CommPortState, FreshPortIsClosedUnderTheDefaultName) {
    TAnisochronousComm Comm;
    EXPECT_EQ(Comm.GetPortName(), "COM1");
    EXPECT_FALSE(Comm.IsOpen());
    EXPECT_FALSE(Comm.WaitUntilOpen(0));

    // Every operation on a closed port is harmless and reports nothing done.
    std::uint8_t Buffer[4] = {1, 2, 3, 4};
    bool TimedOut = true;
    EXPECT_EQ(Comm.Write(Buffer, 4), 0u);
    EXPECT_EQ(Comm.Read(Buffer, 4, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);
    EXPECT_EQ(Comm.BytesInQueue(), 0u);
    EXPECT_FALSE(Comm.ApplySettings());
    EXPECT_FALSE(Comm.ApplyTimeouts());
    Comm.Purge();
    Comm.Close();
    Comm.Close();
    EXPECT_FALSE(Comm.IsOpen());
}

TEST(CommPortState, FailedOpenLeavesThePortClosedAndSaysWhy) {
    TPseudoTerminal Line;
    TAnisochronousComm Comm;
    ASSERT_TRUE(Comm.SetPortName(Line.SlavePath()).Opened());
    ASSERT_TRUE(Comm.WaitUntilOpen(0));

    const struct {
        const char* Name;
        TCommOpenError Error;
        const char* Logged;
    } Cases[] = {
        {"ttyVelmoraMissing7", TCommOpenError::NoSuchDevice,
         "COM порт ttyVelmoraMissing7 (/dev/ttyVelmoraMissing7) не найден."},
        {"/nonexistent/port", TCommOpenError::NoSuchDevice, "(/nonexistent/port) не найден."},
        {"/dev/null", TCommOpenError::NotASerialPort, "не является последовательным портом."},
    };
    for (const auto& Case : Cases) {
        const TCommOpenResult Result = Comm.SetPortName(Case.Name);
        EXPECT_EQ(Comm.GetPortName(), Case.Name);
        EXPECT_FALSE(Comm.IsOpen());
        EXPECT_FALSE(Comm.WaitUntilOpen(0));
        EXPECT_EQ(Result.Error, Case.Error) << Case.Name;
        EXPECT_NE(Result.Text.find(Case.Logged), std::string::npos) << Result.Text;
    }

    // Success has no reason.
    const TCommOpenResult Result = Comm.SetPortName(Line.SlavePath());
    EXPECT_TRUE(Result.Opened());
    EXPECT_EQ(Result.Text, "");
}

TEST(CommPortState, PermissionDeniedHintsAtTheDialoutGroup) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    const std::string Path = ::testing::TempDir() + "/velmora-locked-port";
    FILE* File = std::fopen(Path.c_str(), "w");
    ASSERT_NE(File, nullptr);
    std::fclose(File);
    chmod(Path.c_str(), 0);
    TAnisochronousComm Comm;
    const TCommOpenResult Result = Comm.SetPortName(Path);
    EXPECT_EQ(Result.Error, TCommOpenError::PermissionDenied);
    EXPECT_NE(Result.Text.find("dialout"), std::string::npos);
    std::remove(Path.c_str());
}

// A terminal that keeps some of its settings whatever it is asked, as a serial adapter that
// cannot do 115200 baud keeps its speed: the pseudo-terminal's settings are locked, so that
// tcsetattr reports success and leaves those fields as they were.
TEST(CommPortSettings, TerminalThatKeepsOtherSettingsIsNotOpened) {
    const struct {
        const char* Kept;
        tcflag_t LockedFlags;
        cc_t LockedMinimum;
        const char* Reason;
    } Cases[] = {
        {"speed", CBAUD, 0, "настройки линии 115200 8N1: не применились скорость."},
        {"stop bits", CSTOPB, 0, "настройки линии 115200 8N1: не применились число стоп-бит."},
        {"read minimum", 0, 1, "настройки чтения (VMIN 1, VTIME 0): не применились VMIN."},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Kept);
        TPseudoTerminal Line;
        // 9600 baud, two stop bits, reads that return at once without data.
        termios Settings = Line.GetSettings();
        cfsetspeed(&Settings, B9600);
        Settings.c_cflag |= CSTOPB;
        Settings.c_cc[VMIN] = 0;
        termios Locked{};
        Locked.c_cflag = Case.LockedFlags;
        Locked.c_cc[VMIN] = Case.LockedMinimum;
        if (!Line.LockSettings(Settings, Locked)) {
            GTEST_SKIP() << "locking terminal settings needs CAP_SYS_ADMIN";
        }

        TAnisochronousComm Comm;
        const TCommOpenResult Result = Comm.SetPortName(Line.SlavePath());
        EXPECT_FALSE(Comm.IsOpen());
        EXPECT_FALSE(Comm.WaitUntilOpen(0));
        EXPECT_EQ(Result.Error, TCommOpenError::SettingsRefused);
        EXPECT_NE(Result.Text.find(Case.Reason), std::string::npos) << Result.Text;

        // Nothing of the refused attempt holds the device: it opens once it takes the settings.
        ASSERT_TRUE(Line.LockSettings(Settings, termios{}));
        EXPECT_TRUE(Comm.Open().Opened());
    }
}

TEST_F(CommPortTest, OpenSignalsTheEventAndCloseResetsItEvenTwice) {
    EXPECT_TRUE(Comm.IsOpen());
    EXPECT_TRUE(Comm.WaitUntilOpen(0));
    EXPECT_EQ(Comm.GetPortName(), Line.SlavePath());
    Comm.Close();
    EXPECT_FALSE(Comm.IsOpen());
    EXPECT_FALSE(Comm.WaitUntilOpen(0));
    Comm.Close();
    EXPECT_FALSE(Comm.IsOpen());
    EXPECT_TRUE(Comm.Open().Opened());
    EXPECT_TRUE(Comm.WaitUntilOpen(0));
}

TEST_F(CommPortTest, SecondPortObjectCannotShareTheDevice) {
    TAnisochronousComm Other;
    const TCommOpenResult Result = Other.SetPortName(Line.SlavePath());
    EXPECT_EQ(Result.Error, TCommOpenError::Busy);
    EXPECT_NE(Result.Text.find("занят другой программой"), std::string::npos);

    Comm.Close();
    EXPECT_TRUE(Other.Open().Opened());
}

TEST_F(CommPortTest, OneByteReadWithoutLimitReturnsWhenTheByteArrives) {
    std::uint8_t Buffer[16] = {};
    bool TimedOut = true;
    std::atomic<std::uint32_t> Got{99};
    std::thread Reader([&] { Got = Comm.Read(Buffer, sizeof Buffer, TimedOut, INFINITE_WAIT, 1); });
    Line.Send({0x5A, 0x01});
    // A read that misses the byte is made to leave, as the port promises, to end the test.
    const testing::AssertionResult Returned = WaitUntil([&] { return Got != 99; });
    if (!Returned) {
        Comm.InterruptReader();
    }
    Reader.join();
    ASSERT_TRUE(Returned);
    EXPECT_EQ(Got, 1u);
    EXPECT_EQ(Buffer[0], 0x5A);
    EXPECT_FALSE(TimedOut);
    ASSERT_TRUE(WaitUntil([&] { return Comm.BytesInQueue() >= 1; }));
    EXPECT_EQ(Comm.BytesInQueue(), 1u);
}

TEST_F(CommPortTest, QueuedBytesAreReadAtOnceAndShortReadsTimeOut) {
    const TByteArray Sent = {1, 2, 3, 4, 5, 6, 7, 8};
    Line.Send(Sent);
    ASSERT_TRUE(WaitUntil([&] { return Comm.BytesInQueue() >= 8; }));
    EXPECT_EQ(Comm.BytesInQueue(), 8u);

    TByteArray Buffer(64);
    bool TimedOut = true;
    EXPECT_EQ(Comm.Read(Buffer.data(), 64, TimedOut, 100, 5), 5u);
    EXPECT_FALSE(TimedOut);
    // Asking for more than is there returns what arrived once the wait is over.
    EXPECT_EQ(Comm.Read(Buffer.data() + 5, 59, TimedOut, 1, 10), 3u);
    EXPECT_TRUE(TimedOut);
    Buffer.resize(8);
    EXPECT_EQ(Buffer, Sent);
    EXPECT_EQ(Comm.BytesInQueue(), 0u);

    // Never more than the buffer holds; the rest stays queued.
    Line.Send({9, 10, 11});
    ASSERT_TRUE(WaitUntil([&] { return Comm.BytesInQueue() >= 3; }));
    EXPECT_EQ(Comm.Read(Buffer.data(), 2, TimedOut, 100, 3), 2u);
    EXPECT_EQ(Comm.BytesInQueue(), 1u);
}

TEST_F(CommPortTest, ControlAndBinaryBytesPassUnchangedBothWays) {
    EXPECT_EQ(Comm.Write(ControlBytes.data(), ControlBytes.size()), ControlBytes.size());
    EXPECT_EQ(Line.Receive(ControlBytes.size()), ControlBytes);

    Line.Send(ControlBytes);
    TByteArray Buffer(ControlBytes.size());
    bool TimedOut = false;
    EXPECT_EQ(Comm.Read(Buffer.data(), Buffer.size(), TimedOut, TestWaitBoundMs, Buffer.size()),
              Buffer.size());
    EXPECT_EQ(Buffer, ControlBytes);
}

TEST_F(CommPortTest, LargeWriteArrivesComplete) {
    TByteArray Frame(300000);
    for (std::size_t Index = 0; Index < Frame.size(); ++Index) {
        Frame[Index] = static_cast<std::uint8_t>(Index * 7 + Index / 251);
    }
    TByteArray Received;
    std::thread Device([&] { Received = Line.Receive(Frame.size()); });
    EXPECT_EQ(Comm.Write(Frame.data(), Frame.size()), Frame.size());
    Device.join();
    EXPECT_EQ(Received, Frame);
}

TEST_F(CommPortTest, PurgeDropsReceivedBytes) {
    Line.Send({1, 2, 3});
    ASSERT_TRUE(WaitUntil([&] { return Comm.BytesInQueue() >= 3; }));
    Comm.Purge();
    EXPECT_EQ(Comm.BytesInQueue(), 0u);
}

TEST_F(CommPortTest, CloseEndsABlockedReadWithoutBytes) {
    std::uint8_t Buffer[8];
    bool TimedOut = true;
    std::uint32_t Got = 99;
    std::atomic<pid_t> ReaderTid{0};
    // The read's own limit ends it should the close not.
    std::thread Reader([&] {
        ReaderTid = gettid();
        Got = Comm.Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1);
    });
    EXPECT_TRUE(WaitUntil([&] { return ReaderTid != 0; }));
    EXPECT_TRUE(WaitUntilBlockedInPoll(ReaderTid));
    Comm.Close();
    Reader.join();
    EXPECT_EQ(Got, 0u);
    EXPECT_FALSE(TimedOut);

    // The port opens again and reads normally afterwards.
    ASSERT_TRUE(Comm.Open().Opened());
    Line.Send({0x42});
    EXPECT_EQ(Comm.Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 1u);
    EXPECT_EQ(Buffer[0], 0x42);
}

TEST_F(CommPortTest, InterruptedReaderLeavesUntilTheInterruptEnds) {
    std::uint8_t Buffer[8];
    bool TimedOut = true;
    Comm.InterruptReader();
    EXPECT_EQ(Comm.Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);
    Comm.EndReaderInterrupt();
    EXPECT_TRUE(Comm.WaitUntilOpen(0));

    // While closed, the interrupt signals the open event and its end resets it again.
    Comm.Close();
    Comm.InterruptReader();
    EXPECT_TRUE(Comm.WaitUntilOpen(0));
    Comm.EndReaderInterrupt();
    EXPECT_FALSE(Comm.WaitUntilOpen(0));

    ASSERT_TRUE(Comm.Open().Opened());
    Line.Send({0x24});
    EXPECT_EQ(Comm.Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 1u);
}

// The reader's pause while the rest of a frame crosses the line does not outlast the port, nor
// a request that the reader leave.
TEST_F(CommPortTest, PauseWhileBytesCrossEndsWhenThePortClosesOrTheReaderIsInterrupted) {
    for (const bool ByClosing : {true, false}) {
        std::atomic<pid_t> PausingTid{0};
        std::atomic<bool> Ended{false};
        std::thread Pausing([&] {
            PausingTid = gettid();
            Comm.PauseReading(Programmer::WireTime(BoundsWorthOfBytes));
            Ended = true;
        });
        ASSERT_TRUE(WaitUntil([&] { return PausingTid != 0; }));
        EXPECT_TRUE(WaitUntilBlockedInPoll(PausingTid));
        if (ByClosing) {
            Comm.Close();
        } else {
            Comm.InterruptReader();
        }
        EXPECT_TRUE(WaitUntil([&] { return Ended.load(); })) << (ByClosing ? "close" : "interrupt");
        Pausing.join();
        if (ByClosing) {
            ASSERT_TRUE(Comm.Open().Opened());
        } else {
            Comm.EndReaderInterrupt();
        }
    }
}

TEST_F(CommPortTest, HungUpLineEndsReadsAndWritesAtOnce) {
    Line.CloseMaster();
    std::uint8_t Buffer[8] = {};
    bool TimedOut = true;
    EXPECT_EQ(Comm.Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);
    EXPECT_LT(Comm.Write(Buffer, sizeof Buffer), sizeof Buffer);
    EXPECT_TRUE(Comm.IsOpen());
}
