// The Windows port against the Linux simulator, reached through wine's mapping of a COM port to
// the simulator's pseudo-terminal. tests/windows/with-simulator.sh starts the simulator and
// names the port in VELMORA_TEST_COM_PORT; each suite runs against a simulator started with
// other options (see CMakeLists.txt).
#include "serial/AnisochronousCommReadThread.h"
#include "serial/SerialPort.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatorWire.h"
#include "tests/support/TestLog.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

const std::string Identification = "Velmora simulator 1.0";

TByteArray InitialiseFrame(std::uint8_t Number) {
    return SimComposeFrame(SimBuildPackage(Number, SimCmdInitialize, 0, {}));
}

long long MsSince(TClock::time_point Start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - Start).count();
}

// Reads one frame a byte at a time; nothing when the port ends the reads or no frame comes
// within the test's wait bound.
std::optional<TSimReceivedFrame> ReadFrame(ISerialPort& Port) {
    TSimFrameCutter Cutter;
    const auto Start = TClock::now();
    while (TClock::now() - Start < TestWaitBound) {
        std::uint8_t Byte = 0;
        bool TimedOut = false;
        if (Port.Read(&Byte, 1, TimedOut, 1000, 1) == 1) {
            if (auto Frame = Cutter.Feed(Byte)) {
                return Frame;
            }
        } else if (!TimedOut) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

class SimulatorPortTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        const char* Name = std::getenv("VELMORA_TEST_COM_PORT");
        if (Name == nullptr || Name[0] == '\0') {
            GTEST_SKIP() << "no simulator: run through tests/windows/with-simulator.sh";
        }
        PortName = Name;
        const TCommOpenResult Result = Port->SetPortName(PortName);
        ASSERT_TRUE(Result.Opened()) << Result.Text;
    }

    // Starts a read of one byte that waits up to the test's bound, on a thread of its own.
    void StartWaitingRead() {
        Reader = std::thread([this] {
            ReadCount = Port->Read(ReadBuffer, sizeof ReadBuffer, ReadTimedOut, TestWaitBoundMs, 1);
            ReadDone = true;
        });
        // Gives the read time to reach its wait; a read that has not yet started must end
        // alike.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

    void TearDown() override {
        if (Reader.joinable()) {
            Reader.join();
        }
    }

    TTestLog Log;
    std::string PortName;
    std::unique_ptr<ISerialPort> Port = MakeSerialPort();
    std::thread Reader;
    std::uint8_t ReadBuffer[4] = {};
    std::uint32_t ReadCount = 99;
    bool ReadTimedOut = true;
    std::atomic<bool> ReadDone{false};
};

using SimulatorPort = SimulatorPortTestBase;
using SilentSimulatorPort = SimulatorPortTestBase;
using HangingUpSimulatorPort = SimulatorPortTestBase;

} // namespace

// wine lets a second CreateFile of a COM port through; a second port object (in this program or
// another) must still be refused while the first holds the port, in any case of its name.
TEST_F(SimulatorPort, ASecondOpenOfAPortInUseIsRefusedAsBusyUntilItIsClosed) {
    const std::unique_ptr<ISerialPort> Second = MakeSerialPort();
    std::string Lower = PortName;
    for (char& Letter : Lower) {
        Letter = static_cast<char>(std::tolower(static_cast<unsigned char>(Letter)));
    }
    for (const std::string& Name : {PortName, Lower}) {
        const TCommOpenResult Refused = Second->SetPortName(Name);
        EXPECT_EQ(Refused.Error, TCommOpenError::Busy) << Name << ": " << Refused.Text;
        EXPECT_FALSE(Second->IsOpen());
    }
    Port->Close();
    const TCommOpenResult Opened = Second->SetPortName(PortName);
    EXPECT_TRUE(Opened.Opened()) << Opened.Text;
}

TEST_F(SimulatorPort, RequestGetsTheBoardsReplyWhetherReadByteByByteOrAtOnce) {
    const TByteArray Request = InitialiseFrame(7);
    ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    const auto Reply = ReadFrame(*Port);
    ASSERT_TRUE(Reply.has_value());
    ASSERT_TRUE(Reply->StuffingValid);
    ASSERT_GE(Reply->Package.size(), SimPackageOverhead);
    EXPECT_EQ(Reply->Package[0], 7);
    EXPECT_EQ(Reply->Package[1], SimReplyIdentification);
    EXPECT_EQ(std::string(Reply->Package.begin() + 6, Reply->Package.end() - 1), Identification);

    // The same request again: the whole reply waits in the queue and comes in one read.
    const auto Size = static_cast<std::uint32_t>(Reply->Raw.size());
    ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    ASSERT_TRUE(WaitUntil([&] { return Port->BytesInQueue() >= Size; }));
    EXPECT_EQ(Port->BytesInQueue(), Size);
    TByteArray Again(Size + 8);
    bool TimedOut = true;
    EXPECT_EQ(Port->Read(Again.data(), Size + 8, TimedOut, TestWaitBoundMs, Size), Size);
    EXPECT_FALSE(TimedOut);
    Again.resize(Size);
    EXPECT_EQ(Again, Reply->Raw);
    EXPECT_EQ(Port->BytesInQueue(), 0u);

    // And once more, thrown away unread.
    ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    ASSERT_TRUE(WaitUntil([&] { return Port->BytesInQueue() >= Size; }));
    Port->Purge();
    EXPECT_EQ(Port->BytesInQueue(), 0u);
}

// Left out of the runs under wine (tests/serial/CMakeLists.txt), which lets a program open a COM
// port twice.
TEST_F(SimulatorPort, SecondPortCannotOpenTheSamePort) {
    const std::unique_ptr<ISerialPort> Other = MakeSerialPort();
    const TCommOpenResult Refused = Other->SetPortName(PortName);
    EXPECT_EQ(Refused.Error, TCommOpenError::Busy) << Refused.Text;
    Port->Close();
    const TCommOpenResult Result = Other->Open();
    EXPECT_TRUE(Result.Opened()) << Result.Text;
}

TEST_F(SimulatorPort, CloseEndsAWaitingRead) {
    StartWaitingRead();
    const auto Start = TClock::now();
    Port->Close();
    Reader.join();
    std::cout << "Read ended " << MsSince(Start) << " ms after Close\n";
    EXPECT_EQ(ReadCount, 0u);
    EXPECT_FALSE(ReadTimedOut);
    EXPECT_FALSE(Port->IsOpen());
}

TEST_F(SimulatorPort, InterruptedReaderLeavesUntilTheInterruptEnds) {
    StartWaitingRead();
    const auto Start = TClock::now();
    Port->InterruptReader();
    Reader.join();
    std::cout << "Read ended " << MsSince(Start) << " ms after InterruptReader\n";
    EXPECT_EQ(ReadCount, 0u);
    EXPECT_FALSE(ReadTimedOut);

    // The next read leaves at once as well, with the reply waiting.
    const TByteArray Request = InitialiseFrame(1);
    ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    ASSERT_TRUE(WaitUntil([&] { return Port->BytesInQueue() > 0; }));
    std::uint8_t Byte = 0;
    bool TimedOut = true;
    EXPECT_EQ(Port->Read(&Byte, 1, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);

    Port->EndReaderInterrupt();
    const auto Reply = ReadFrame(*Port);
    ASSERT_TRUE(Reply.has_value());
    EXPECT_EQ(Reply->Package[1], SimReplyIdentification);
}

TEST_F(SimulatorPort, ReadThreadDeliversRepliesAcrossAReopen) {
    std::mutex Lock;
    TSimFrameCutter Cutter;
    std::vector<TSimReceivedFrame> Frames;
    TAnisochronousCommReadThread Thread(*Port, Log.Get(), [&](void*, const TByteArray& Bytes) {
        std::lock_guard<std::mutex> Guard(Lock);
        for (const std::uint8_t Byte : Bytes) {
            if (auto Frame = Cutter.Feed(Byte)) {
                Frames.push_back(*Frame);
            }
        }
    });
    const auto FrameCount = [&] {
        std::lock_guard<std::mutex> Guard(Lock);
        return Frames.size();
    };
    for (std::uint8_t Number = 1; Number <= 2; ++Number) {
        const TByteArray Request = InitialiseFrame(Number);
        ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
                  Request.size());
        ASSERT_TRUE(WaitUntil([&] { return FrameCount() == Number; }));
        // The thread goes on reading once the port is open again.
        Port->Close();
        const TCommOpenResult Result = Port->Open();
        ASSERT_TRUE(Result.Opened()) << Result.Text;
    }
    Thread.Stop();
    ASSERT_EQ(Frames.size(), 2u);
    for (std::uint8_t Number = 1; Number <= 2; ++Number) {
        EXPECT_EQ(Frames[Number - 1].Package[0], Number);
        EXPECT_EQ(Frames[Number - 1].Package[1], SimReplyIdentification);
    }
    EXPECT_EQ(Thread.GetFailedReadCount(), 0u);
}

TEST_F(SilentSimulatorPort, ReadWithoutAnswerTimesOutWithNothing) {
    const TByteArray Request = InitialiseFrame(1);
    ASSERT_EQ(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    std::uint8_t Buffer[16] = {};
    bool TimedOut = false;
    const auto Start = TClock::now();
    EXPECT_EQ(Port->Read(Buffer, sizeof Buffer, TimedOut, 100, 10), 0u);
    std::cout << "A read of 10 bytes at 100 ms each timed out after " << MsSince(Start) << " ms\n";
    EXPECT_TRUE(TimedOut);
    EXPECT_TRUE(Port->IsOpen());
}

TEST_F(HangingUpSimulatorPort, ReadEndsWhenTheBoardIsUnplugged) {
    const TByteArray Request = InitialiseFrame(1);
    Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size()));
    std::uint8_t Buffer[4] = {};
    bool TimedOut = true;
    const auto Start = TClock::now();
    EXPECT_EQ(Port->Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 0u);
    std::cout << "Read ended " << MsSince(Start) << " ms after the request that unplugged\n";
    EXPECT_FALSE(TimedOut);
    // Later reads and writes end as well, without waiting for anything.
    EXPECT_EQ(Port->Read(Buffer, sizeof Buffer, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);
    EXPECT_LT(Port->Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
}
