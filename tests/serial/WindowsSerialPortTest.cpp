#include "serial/SerialPort.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

TEST(WindowsSerialPort, FreshPortIsClosedAndHarmless) {
    const std::unique_ptr<ISerialPort> Port = MakeSerialPort();
    EXPECT_EQ(Port->GetPortName(), "COM1");
    EXPECT_FALSE(Port->IsOpen());
    EXPECT_FALSE(Port->WaitUntilOpen(0));

    std::uint8_t Buffer[4] = {1, 2, 3, 4};
    bool TimedOut = true;
    EXPECT_EQ(Port->Write(Buffer, 4), 0u);
    EXPECT_EQ(Port->Read(Buffer, 4, TimedOut, TestWaitBoundMs, 1), 0u);
    EXPECT_FALSE(TimedOut);
    EXPECT_EQ(Port->BytesInQueue(), 0u);
    Port->Purge();
    Port->Close();
    EXPECT_FALSE(Port->IsOpen());

    // An interrupted reader is let through while the port is closed, until the interrupt ends.
    Port->InterruptReader();
    EXPECT_TRUE(Port->WaitUntilOpen(0));
    Port->EndReaderInterrupt();
    EXPECT_FALSE(Port->WaitUntilOpen(0));
}

TEST(WindowsSerialPort, FailedOpenLeavesThePortClosedAndSaysWhy) {
    const std::unique_ptr<ISerialPort> Port = MakeSerialPort();
    const struct {
        const char* Name;
        TCommOpenError Error;
        const char* Logged;
    } Cases[] = {
        {"COM250", TCommOpenError::NoSuchDevice, "COM порт COM250 (\\\\.\\COM250) не найден."},
        {"VelmoraNoSuchPort", TCommOpenError::NoSuchDevice,
         "(\\\\.\\VelmoraNoSuchPort) не найден."},
        {"NUL", TCommOpenError::NotASerialPort, "не является последовательным портом."},
    };
    for (const auto& Case : Cases) {
        const TCommOpenResult Result = Port->SetPortName(Case.Name);
        EXPECT_EQ(Port->GetPortName(), Case.Name);
        EXPECT_FALSE(Port->IsOpen());
        EXPECT_FALSE(Port->WaitUntilOpen(0));
        EXPECT_EQ(Result.Error, Case.Error) << Case.Name;
        EXPECT_NE(Result.Text.find(Case.Logged), std::string::npos) << Result.Text;
    }
}
