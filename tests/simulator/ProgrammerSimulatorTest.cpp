#include "simulator/ProgrammerSimulator.h"
#include "tests/support/Descriptor.h"
#include "tests/support/Programmer.h"
#include "tests/support/TestBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

// The program's side of the line, opened with plain POSIX calls.
class TPortClient {
public:
    explicit TPortClient(const std::string& Path)
        : Fd(open(Path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TPortClient() { close(Fd); }
    TPortClient(const TPortClient&) = delete;
    TPortClient& operator=(const TPortClient&) = delete;

    bool IsOpen() const { return Fd != -1; }

    void Send(const TByteArray& Bytes) const { WriteAllBytes(Fd, Bytes); }
    // Count bytes, or fewer when the line ended or the rest did not come in time.
    TByteArray Receive(std::size_t Count) const { return ReadBytes(Fd, Count); }

    bool HasPendingBytes() const {
        pollfd Check{Fd, POLLIN, 0};
        return poll(&Check, 1, 0) > 0;
    }

    // Waits until the line reports something; true when that is the end of the line (hang-up,
    // end of file or an I/O error) rather than data or silence.
    bool WaitForHangUp() const {
        pollfd Wait{Fd, POLLIN, 0};
        if (poll(&Wait, 1, static_cast<int>(TestWaitBoundMs)) <= 0) {
            return false;
        }
        if ((Wait.revents & (POLLHUP | POLLERR)) != 0) {
            return true;
        }
        std::uint8_t Byte = 0;
        const ssize_t Got = read(Fd, &Byte, 1);
        return Got == 0 || (Got < 0 && errno == EIO);
    }

private:
    int Fd;
};

class ProgrammerSimulatorTest : public ::testing::Test {
protected:
    void StartSimulator(TSimulatorOptions Options = {}) {
        Simulator = ::StartSimulator(std::move(Options));
        Port = std::make_unique<TPortClient>(Simulator->GetPortPath());
        ASSERT_TRUE(Port->IsOpen());
    }

    // Sends a request frame and expects exactly ExpectedReply in answer.
    void ExpectReply(const TByteArray& Request, const TByteArray& ExpectedReply) {
        Port->Send(Request);
        EXPECT_EQ(Port->Receive(ExpectedReply.size()), ExpectedReply);
    }

    // After Handled requests in all, nothing more is on the line.
    void ExpectQuietAfter(std::size_t Handled) {
        ASSERT_TRUE(Simulator->WaitForHandledRequests(Handled, TestWaitBoundMs));
        EXPECT_FALSE(Port->HasPendingBytes());
    }

    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<TPortClient> Port;
};

TEST_F(ProgrammerSimulatorTest, AnswersTheFramesOfTheWireFormatExamples) {
    StartSimulator(Recording());
    struct TCase {
        const char* Request;
        const char* Reply;
    };
    const TCase Cases[] = {
        // Erase page 0 and page 0x155 (a doubled 0x55 both ways).
        {"AA 01 50 00 00 00 00 AF 55 FF", "AA 01 51 00 00 00 00 AE 55 FF"},
        {"AA 01 50 01 55 55 00 00 59 55 FF", "AA 01 51 01 55 55 00 00 58 55 FF"},
        // Compare page 7 (erased) with the buffer (erased at start): equal.
        {"AA 02 40 00 07 00 02 AA AA C3 47 55 FF", "AA 02 41 00 07 00 00 B6 55 FF"},
        // Initialise.
        {"AA FF F0 00 00 00 00 10 55 FF",
         "AA FF F6 00 00 00 15 56 65 6C 6D 6F 72 61 20 73 69 6D 75 6C 61 74 6F 72 20 31 2E 30 68 "
         "55 FF"},
        // A start marker that is not doubled; an unknown command.
        {"AA 01 50 00 00 00 01 AA 04 55 FF", "AA 01 02 00 00 00 00 FD 55 FF"},
        {"AA 01 70 00 02 00 00 8D 55 FF", "AA 01 73 00 02 00 00 8A 55 FF"},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Request);
        ExpectReply(Hex(Case.Request), Hex(Case.Reply));
    }
    ExpectQuietAfter(6);
    EXPECT_EQ(Simulator->GetCounters().MalformedRequests, 1u);
    EXPECT_EQ(Simulator->GetCounters().UnknownCommands, 1u);

    const auto Requests = Simulator->GetRequests();
    ASSERT_EQ(Requests.size(), 6u);
    EXPECT_EQ(Requests[2].Frame, Hex(Cases[2].Request));
    EXPECT_EQ(Requests[2].Package, Hex("02 40 00 07 00 02 AA C3 47"));
    EXPECT_EQ(Requests[2].Command, 0x40);
    EXPECT_EQ(Requests[2].PageNumber, 7);
    EXPECT_EQ(Requests[2].Data, Hex("AA C3"));
    EXPECT_TRUE(Requests[2].IsWellFormed());
    EXPECT_FALSE(Requests[4].IsWellFormed());
}

TEST_F(ProgrammerSimulatorTest, TransferWriteReadRequestRoundTrip) {
    StartSimulator(Recording());
    const TByteArray Page = EveryByteValuePage(3);
    ExpectReply(WireFrame(1, SimCmdTransfer, 5, Page), WireFrame(1, 0x11, 5));
    ExpectReply(WireFrame(2, SimCmdWrite, 5), WireFrame(2, 0x21, 5));
    EXPECT_EQ(Simulator->GetPage(5), Page);
    EXPECT_EQ(Simulator->GetPage(4), TByteArray(SimPageLength, 0xFF));

    // Overwrite the buffer so the request can only return what the read loaded.
    Simulator->SetBuffer(EveryByteValuePage(99), 77);
    ExpectReply(WireFrame(3, SimCmdRead, 5), WireFrame(3, 0x31, 5));
    ExpectReply(WireFrame(4, SimCmdRequest, 0), WireFrame(4, 0x65, 5, Page));
    ExpectQuietAfter(4);

    const auto Requests = Simulator->GetRequests();
    ASSERT_EQ(Requests.size(), 4u);
    EXPECT_EQ(Requests[0].Frame, WireFrame(1, SimCmdTransfer, 5, Page));
    EXPECT_EQ(Requests[0].Data, Page);
    EXPECT_EQ(Simulator->GetReplies().size(), 4u);
}

TEST_F(ProgrammerSimulatorTest, SurvivesThePortBeingClosedAndReopened) {
    StartSimulator();
    ExpectReply(WireFrame(1, SimCmdErase, 1), WireFrame(1, 0x51, 1));
    Port = std::make_unique<TPortClient>(Simulator->GetPortPath());
    ExpectReply(WireFrame(2, SimCmdErase, 2), WireFrame(2, 0x51, 2));
}

TEST_F(ProgrammerSimulatorTest, AnswersFramesSplitOrSentTogether) {
    StartSimulator();
    const TByteArray Request = WireFrame(1, SimCmdTransfer, 0x155, EveryByteValuePage(0x55));
    for (const std::uint8_t Byte : Request) {
        Port->Send(TByteArray{Byte});
    }
    EXPECT_EQ(Port->Receive(WireFrame(1, 0x11, 0x155).size()), WireFrame(1, 0x11, 0x155));

    TByteArray Both = WireFrame(2, SimCmdWrite, 0x155);
    const TByteArray Second = WireFrame(3, SimCmdCompare, 0x155);
    Both.insert(Both.end(), Second.begin(), Second.end());
    TByteArray Expected = WireFrame(2, 0x21, 0x155);
    const TByteArray SecondReply = WireFrame(3, 0x41, 0x155);
    Expected.insert(Expected.end(), SecondReply.begin(), SecondReply.end());
    ExpectReply(Both, Expected);
}

TEST_F(ProgrammerSimulatorTest, RecordsTrafficOnlyWhenAsked) {
    constexpr std::uint8_t Exchanges = 50;
    struct TCase {
        const char* What;
        std::function<void(TSimulatorOptions&)> Configure;
        std::size_t Recorded;
    };
    const TCase Cases[] = {
        {"left at its defaults", [](TSimulatorOptions&) {}, 0},
        {"asked to record", [](TSimulatorOptions& O) { O.RecordTraffic = true; }, Exchanges},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TSimulatorOptions Options;
        Case.Configure(Options);
        StartSimulator(Options);
        for (std::uint8_t Number = 1; Number <= Exchanges; ++Number) {
            ExpectReply(WireFrame(Number, SimCmdErase, Number), WireFrame(Number, 0x51, Number));
        }
        ExpectQuietAfter(Exchanges);
        EXPECT_EQ(Simulator->GetRequests().size(), Case.Recorded);
        EXPECT_EQ(Simulator->GetReplies().size(), Case.Recorded);
        EXPECT_EQ(Simulator->GetRequestCount(), Exchanges);
        EXPECT_EQ(Simulator->GetCounters().RepliesSent, Exchanges);
    }
}

// ---- Faults ----

TEST_F(ProgrammerSimulatorTest, NoiseGoesBeforeEveryReply) {
    TSimulatorOptions Options;
    Options.NoiseBytes = 40;
    StartSimulator(Options);
    for (std::uint8_t Number = 1; Number <= 2; ++Number) {
        Port->Send(WireFrame(Number, SimCmdErase, 8));
        const TByteArray Reply = WireFrame(Number, 0x51, 8);
        const TByteArray Received = Port->Receive(Options.NoiseBytes + Reply.size());
        ASSERT_EQ(Received.size(), Options.NoiseBytes + Reply.size());
        const auto ReplyBegin = Received.begin() + static_cast<std::ptrdiff_t>(Options.NoiseBytes);
        EXPECT_EQ(std::count(Received.begin(), ReplyBegin, SimStartMarker), 0);
        EXPECT_EQ(TByteArray(ReplyBegin, Received.end()), Reply);
    }
    ExpectQuietAfter(2);
}

TEST_F(ProgrammerSimulatorTest, RepliesCutIntoPiecesArriveWhole) {
    TSimulatorOptions Options;
    Options.ReplyPieceSize = 3;
    Options.ReplyPieceGapMs = 1;
    StartSimulator(Options);
    const TByteArray Reply =
        Hex("AA FF F6 00 00 00 15 56 65 6C 6D 6F 72 61 20 73 69 6D 75 6C 61 74 6F 72 20 31 2E 30 "
            "68 55 FF");
    ExpectReply(Hex("AA FF F0 00 00 00 00 10 55 FF"), Reply);
    ExpectQuietAfter(1);
    EXPECT_EQ(Simulator->GetCounters().PiecesWritten, (Reply.size() + 2) / 3);
}

TEST_F(ProgrammerSimulatorTest, LateRepliesArriveWhole) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 30;
    StartSimulator(Options);
    ExpectReply(WireFrame(1, SimCmdErase, 2), WireFrame(1, 0x51, 2));
    ExpectQuietAfter(1);
}

TEST_F(ProgrammerSimulatorTest, PacedLineCarriesWholePages) {
    TSimulatorOptions Options;
    Options.BaudRate = 115200;
    Options.ReplyPieceSize = 100;
    StartSimulator(Options);
    const TByteArray Page = EveryByteValuePage(0xAA);
    ExpectReply(WireFrame(1, SimCmdTransfer, 10, Page), WireFrame(1, 0x11, 10));
    ExpectReply(WireFrame(2, SimCmdRequest, 0), WireFrame(2, 0x65, 10, Page));
    ExpectQuietAfter(2);
}

TEST_F(ProgrammerSimulatorTest, SilentSimulatorRecordsButNeverAnswers) {
    TSimulatorOptions Options = Recording();
    Options.NeverAnswer = true;
    StartSimulator(Options);
    Port->Send(WireFrame(1, SimCmdErase, 2));
    ExpectQuietAfter(1);
    ASSERT_EQ(Simulator->GetRequestCount(), 1u);
    EXPECT_EQ(Simulator->GetRequests()[0].Command, SimCmdErase);
    EXPECT_EQ(Simulator->GetCounters().RepliesSent, 0u);
}

TEST_F(ProgrammerSimulatorTest, StopsAnsweringAfterNFrames) {
    TSimulatorOptions Options;
    Options.StopAfter = 2;
    StartSimulator(Options);
    ExpectReply(WireFrame(1, SimCmdErase, 1), WireFrame(1, 0x51, 1));
    ExpectReply(WireFrame(2, SimCmdErase, 2), WireFrame(2, 0x51, 2));
    Port->Send(WireFrame(3, SimCmdErase, 3));
    ExpectQuietAfter(3);
    EXPECT_EQ(Simulator->GetCounters().FramesReceived, 3u);
    EXPECT_EQ(Simulator->GetCounters().RepliesSent, 2u);
    EXPECT_TRUE(Simulator->IsServing());
}

TEST_F(ProgrammerSimulatorTest, HangsUpAfterNFrames) {
    TSimulatorOptions Options;
    Options.HangUpAfter = 1;
    StartSimulator(Options);
    ExpectReply(WireFrame(1, SimCmdErase, 1), WireFrame(1, 0x51, 1));
    Port->Send(WireFrame(2, SimCmdErase, 2));
    EXPECT_TRUE(Port->WaitForHangUp());
    EXPECT_FALSE(Simulator->WaitForHandledRequests(2, TestWaitBoundMs));
    EXPECT_TRUE(Simulator->HasHungUp());
    EXPECT_FALSE(Simulator->IsServing());
    EXPECT_EQ(Simulator->GetRequestCount(), 2u);
}

// ---- Chip file ----

class SimulatorChipFileTest : public ProgrammerSimulatorTest {
protected:
    void SetUp() override {
        ChipPath = ::testing::TempDir() + "velmora-sim-chip-" + std::to_string(getpid()) + ".bin";
        unlink(ChipPath.c_str());
    }
    void TearDown() override { unlink(ChipPath.c_str()); }

    std::string ChipPath;
};

TEST_F(SimulatorChipFileTest, ChipIsKeptBetweenRuns) {
    TSimulatorOptions Options;
    Options.ChipFile = ChipPath;
    StartSimulator(Options);
    EXPECT_EQ(Simulator->GetPage(0), TByteArray(SimPageLength, 0xFF));
    ExpectReply(WireFrame(1, SimCmdTransfer, 12, EveryByteValuePage(12)), WireFrame(1, 0x11, 12));
    ExpectReply(WireFrame(2, SimCmdWrite, 12), WireFrame(2, 0x21, 12));
    Simulator->SetPage(4095, EveryByteValuePage(7));
    Port.reset();
    Simulator->Stop();

    StartSimulator(Options);
    EXPECT_EQ(Simulator->GetPage(12), EveryByteValuePage(12));
    EXPECT_EQ(Simulator->GetPage(4095), EveryByteValuePage(7));
    EXPECT_EQ(Simulator->GetPage(11), TByteArray(SimPageLength, 0xFF));
    ExpectReply(WireFrame(3, SimCmdErase, 12), WireFrame(3, 0x51, 12));
    Port.reset();
    Simulator->Stop();

    StartSimulator(Options);
    EXPECT_EQ(Simulator->GetPage(12), TByteArray(SimPageLength, 0xFF));
}

TEST_F(SimulatorChipFileTest, RefusesAFileThatIsNoChipImage) {
    {
        std::ofstream File(ChipPath, std::ios::binary);
        File << "not a chip";
    }
    TSimulatorOptions Options;
    Options.ChipFile = ChipPath;
    TProgrammerSimulator Refusing(Options);
    EXPECT_THROW(Refusing.Start(), ESimulatorError);
    std::ifstream File(ChipPath, std::ios::binary | std::ios::ate);
    EXPECT_EQ(File.tellg(), 10);
}

} // namespace
