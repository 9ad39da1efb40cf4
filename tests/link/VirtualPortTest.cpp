// The command set over the virtual serial port that --simulate uses where there are no
// pseudo-terminals: the link cannot tell it from a line to a real board, and the port keeps
// the waiting rules of a real port.
#include "link/Protocol.h"

#include "image/MemoryMapObjects.h"
#include "simulator/VirtualSerialPort.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TMemoryPage MakePage(int PageNumber, const TByteArray& Data) {
    TMemoryPage Page;
    Page.Fill(PageNumber, PageNumber * 528, Data);
    return Page;
}

TEST(VirtualPortTest, EveryCommandReachesTheBoardThroughTheLink) {
    TTestLog Log;
    TBoardOptions Options;
    Options.ForcedReplies[0x20] = 0x23;
    TProgrammerBoard Board(Options);
    Board.SetPage(7, EveryByteValuePage(9));
    TProtocolManager Protocol("simulator", std::make_unique<TVirtualSerialPort>(Board), Log);

    std::string Answer;
    Protocol.Initialize(Answer);
    EXPECT_EQ(Answer, "Velmora simulator 1.0");

    const TByteArray Data = EveryByteValuePage(3);
    EXPECT_TRUE(Protocol.TransferPage(5, MakePage(5, Data)));
    EXPECT_EQ(Board.GetBuffer(), Data);
    EXPECT_THROW(Protocol.WritePage(5), EMicroControllerOperationError);
    EXPECT_FALSE(Protocol.ComparePage(5)); // the write did not take: the page is still erased

    EXPECT_TRUE(Protocol.ReadPage(7));
    std::shared_ptr<IMemoryPage> Received;
    Protocol.RequestPage(Received);
    ASSERT_NE(Received, nullptr);
    EXPECT_EQ(Received->GetData(), EveryByteValuePage(9));
    EXPECT_TRUE(Protocol.DeletePage(7));
    EXPECT_EQ(Board.GetPage(7), TByteArray(528, 0xFF));
}

TEST(VirtualPortTest, ReadsWaitAsARealPortsDo) {
    TProgrammerBoard Board;
    TVirtualSerialPort Port(Board);
    std::uint8_t Buffer[16];
    bool TimedOut = false;
    EXPECT_EQ(Port.Read(Buffer, sizeof Buffer, TimedOut, 1, 4), 0u) << "closed";
    ASSERT_TRUE(Port.SetPortName("simulator").Opened());

    // Nothing asked, nothing answered: the wait ends with its time.
    EXPECT_EQ(Port.Read(Buffer, sizeof Buffer, TimedOut, 5, 4), 0u);
    EXPECT_TRUE(TimedOut);

    // An initialise request: the reply is there at once, in the input queue.
    const TByteArray Request = Hex("AA 01 F0 00 00 00 00 0F 55 FF");
    EXPECT_EQ(Port.Write(Request.data(), static_cast<std::uint32_t>(Request.size())),
              Request.size());
    EXPECT_GT(Port.BytesInQueue(), 10u);
    EXPECT_EQ(Port.Read(Buffer, sizeof Buffer, TimedOut, 1, 2), 2u);
    EXPECT_FALSE(TimedOut);
    EXPECT_EQ(Buffer[0], 0xAA);
    Port.Purge();
    EXPECT_EQ(Port.BytesInQueue(), 0u);

    // A waiting reader leaves at once when the reader is interrupted, and when the port is
    // closed; one that is not let go runs into the test's bound and fails as timed out.
    for (const bool ByClose : {false, true}) {
        std::thread Reader([&] {
            bool ReaderTimedOut = true;
            std::uint8_t Byte = 0;
            EXPECT_EQ(Port.Read(&Byte, 1, ReaderTimedOut, TestWaitBoundMs, 1), 0u);
            EXPECT_FALSE(ReaderTimedOut) << (ByClose ? "close" : "interrupt");
        });
        if (ByClose) {
            Port.Close();
        } else {
            Port.InterruptReader();
        }
        Reader.join();
        Port.EndReaderInterrupt();
    }
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_FALSE(Port.WaitUntilOpen(0));
}

} // namespace
