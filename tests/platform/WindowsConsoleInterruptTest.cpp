// Interrupt of a child that has no interrupt channel of this program, only a console control
// handler: Ctrl-Break through the console the test shares with it.
#include "platform/ChildProcess.h"
#include "tests/platform/ChildHelperClient.h"

#include <gtest/gtest.h>

TEST(WindowsConsole, InterruptReachesAConsoleHandlerThroughCtrlBreak) {
    TChildProcess Child(HelperPath(), {"console-interrupt"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Interrupt();
    EXPECT_EQ(ReadLine(Child), "stopping");
    EXPECT_EQ(Child.Wait(), 4);
}
