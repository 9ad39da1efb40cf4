// The request/reply link and the device manager against the programmer simulator over a real
// pseudo-terminal: late and short replies, switching and failing ports.
#include "link/ConnectionManager.h"
#include "link/DeviceManager.h"
#include "link/Protocol.h"

#include "package/Package.h"
#include "package/PackageObjects.h"
#include "tests/support/Programmer.h"
#include "tests/support/TestLog.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr const char* MissingPort = "/nonexistent/velmora-port";

class DeviceManagerTest : public ::testing::Test {
protected:
    void Start(TSimulatorOptions Options = {}) {
        Simulator = StartSimulator(Recording(std::move(Options)));
        Device = std::make_unique<TDeviceManager>(Simulator->GetPortPath(), nullptr, Log);
    }

    TTestLog Log;
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<TDeviceManager> Device;
};

TEST_F(DeviceManagerTest, LateReplyIsNotTakenForTheNextAnswer) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 300;
    Start(Options);
    TROMPackage Reply;
    EXPECT_THROW(Device->ExecuteCommand(0x50, 1, 1, Reply), EBurnerNotPlugged);
    // The late answer to the erase arrives and is stored before the next command starts.
    ASSERT_TRUE(Device->GetConnectionManager().WaitForPackagesReceived(1, TestWaitBoundMs));

    ASSERT_TRUE(Device->ExecuteCommand(0xF0, 0, 5000, Reply));
    EXPECT_EQ(Reply.GetCommand(), 0xF6);
    EXPECT_EQ(Reply.GetNumber(), 2);
    EXPECT_TRUE(Log.Contains("Package wait time out. Time out was: 1."));
}

// A request to a board that answers at the line's pace learns to look for the answer once, when
// it must be whole; whatever the board does, every answer is still taken, and only its own.
TEST_F(DeviceManagerTest, EveryAnswerIsTakenWhateverPaceTheBoardKeeps) {
    struct TCase {
        const char* What;
        std::uint32_t ReplyDelayMs;
        std::set<std::size_t> LateFrames;
    };
    const TCase Cases[] = {
        {"answers at once", 0, {}},
        {"works 20 ms before each answer", 20, {}},
        {"answers one request after the program gave up", 0, {12}},
    };
    constexpr std::uint16_t Exchanges = 24;
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.What);
        TSimulatorOptions Options;
        Options.BaudRate = Programmer::BaudRate;
        Options.ReplyDelayMs = Case.ReplyDelayMs;
        Options.LateFrames = Case.LateFrames;
        Start(Options);
        for (std::uint16_t Page = 1; Page <= Exchanges; ++Page) {
            TROMPackage Reply;
            if (Case.LateFrames.count(Page) != 0) {
                EXPECT_THROW(Device->ExecuteCommand(0x50, Page, 100, Reply), EBurnerNotPlugged);
                continue;
            }
            ASSERT_TRUE(Device->ExecuteCommand(0x50, Page, 1000, Reply)) << "page " << Page;
            EXPECT_EQ(Reply.GetPageNumber(), Page);
            EXPECT_EQ(Reply.GetNumber(), Page % 256);
        }
        Device.reset();
    }
}

TEST_F(DeviceManagerTest, RepliesShorterThanAPackageRaiseWrongLength) {
    for (const std::size_t Length : {std::size_t{0}, std::size_t{6}}) {
        SCOPED_TRACE(Length);
        TSimulatorOptions Options;
        Options.CutRepliesTo = Length;
        Device.reset();
        Start(Options);
        TROMPackage Reply;
        EXPECT_THROW(Device->ExecuteCommand(0x50, 1, 1000, Reply), EWrongLength);
        // The log keeps what came.
        EXPECT_TRUE(Log.Contains("EWrongLength Length is: " + std::to_string(Length)));
    }
}

TEST_F(DeviceManagerTest, EmptyReplyEndsTheWait) {
    TSimulatorOptions Options;
    Options.CutRepliesTo = 0;
    Simulator = StartSimulator(Options);
    TConnectionManager Connection(Simulator->GetPortPath(), nullptr, Log);
    TByteArray Package;
    TPackageManager().MakePackage(0x50, 1, {}, Package);
    TByteArray Reply = {1, 2, 3};
    EXPECT_EQ(Connection.SendAndWait(Package, 1000, Reply), TConnectionManager::TWaitEnd::Replied);
    EXPECT_TRUE(Reply.empty());
}

TEST_F(DeviceManagerTest, LinkWorksOverAPortHandedInAsItIs) {
    Simulator = StartSimulator();
    std::unique_ptr<ISerialPort> Port = MakeSerialPort();
    ASSERT_TRUE(Port->SetPortName(Simulator->GetPortPath()).Opened());
    TConnectionManager Connection(std::move(Port), Log);
    EXPECT_TRUE(Connection.IsPortOpen());
    EXPECT_EQ(Connection.GetPortName(), Simulator->GetPortPath());

    TByteArray Package;
    TPackageManager().MakePackage(0x50, 1, {}, Package);
    TByteArray Reply;
    ASSERT_EQ(Connection.SendAndWait(Package, 1000, Reply), TConnectionManager::TWaitEnd::Replied);
    EXPECT_EQ(Simulator->GetRequestCount(), 1u);
}

TEST_F(DeviceManagerTest, SwitchesToAnotherPortWhileReading) {
    Start();
    const std::unique_ptr<TProgrammerSimulator> Second = StartSimulator(Recording());
    TROMPackage Reply;
    ASSERT_TRUE(Device->ExecuteCommand(0x50, 1, 1000, Reply));

    ASSERT_TRUE(Device->SetPortName(Second->GetPortPath()).Opened());
    EXPECT_EQ(Device->GetPortName(), Second->GetPortPath());
    ASSERT_TRUE(Device->ExecuteCommand(0x50, 2, 1000, Reply));
    EXPECT_EQ(Reply.GetCommand(), 0x51);
    EXPECT_EQ(Reply.GetPageNumber(), 2);

    ASSERT_TRUE(Device->SetPortName(Simulator->GetPortPath()).Opened());
    ASSERT_TRUE(Device->ExecuteCommand(0x50, 3, 1000, Reply));
    EXPECT_EQ(Reply.GetPageNumber(), 3);

    ASSERT_EQ(Simulator->GetRequestCount(), 2u);
    ASSERT_EQ(Second->GetRequestCount(), 1u);
    EXPECT_EQ(Second->GetRequests()[0].Frame, WireFrame(2, 0x50, 2));
    EXPECT_EQ(Simulator->GetRequests()[1].Frame, WireFrame(3, 0x50, 3));
}

TEST_F(DeviceManagerTest, PortThatCannotBeOpenedIsLeftClosed) {
    Start();
    const TCommOpenResult Result = Device->SetPortName(MissingPort);
    EXPECT_FALSE(Device->IsPortOpen());
    EXPECT_EQ(Device->GetPortName(), MissingPort);
    EXPECT_EQ(Result.Error, TCommOpenError::NoSuchDevice);
    EXPECT_FALSE(Result.Text.empty());
    EXPECT_EQ(Device->GetLastOpenResult().Error, TCommOpenError::NoSuchDevice);
    // The log says why.
    EXPECT_TRUE(Log.Contains(Result.Text));

    // The frame is still logged as written; no answer comes.
    TROMPackage Reply;
    EXPECT_THROW(Device->ExecuteCommand(0x50, 1, 50, Reply), EBurnerNotPlugged);
    EXPECT_TRUE(
        Log.ContainsInOrder({"Записано в COM порт*", "Package wait time out. Time out was: 50."}));

    ASSERT_TRUE(Device->SetPortName(Simulator->GetPortPath()).Opened());
    EXPECT_TRUE(Device->GetLastOpenResult().Opened());
    ASSERT_TRUE(Device->ExecuteCommand(0x50, 1, 1000, Reply));
    EXPECT_EQ(Simulator->GetRequestCount(), 1u);
}

TEST(ProtocolManagerStartTest, StartsWithAPortThatCannotBeOpened) {
    TProtocolManager Protocol(MissingPort, nullptr, NoLog());
    EXPECT_FALSE(Protocol.GetDeviceManager().IsPortOpen());
    EXPECT_EQ(Protocol.GetDeviceManager().GetPortName(), MissingPort);
    EXPECT_EQ(Protocol.GetDeviceManager().GetLastOpenResult().Error, TCommOpenError::NoSuchDevice);
}

} // namespace
