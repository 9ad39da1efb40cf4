// Child processes as the command line uses them, on every system: a helper program built for
// these tests does what its first argument says (tests/platform/ChildHelper.cpp).
#include "platform/ChildProcess.h"
#include "tests/platform/ChildHelperClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// More output than a pipe holds, so that the child blocks in its writes while the test reads.
TEST(ChildProcess, OutputIsReadToItsEnd) {
    constexpr int Lines = 20000;
    TChildProcess Child(HelperPath(), {"lines", std::to_string(Lines)});
    const std::vector<std::string> Read = ReadAllLines(Child);
    ASSERT_EQ(Read.size(), Lines + 1u);
    EXPECT_EQ(Read[0], "line 0");
    EXPECT_EQ(Read[Lines - 1], "line " + std::to_string(Lines - 1));
    EXPECT_EQ(Read[Lines], "end");
    EXPECT_EQ(Child.Wait(), 0);
}

TEST(ChildProcess, WaitGivesTheExitCode) {
    for (const int Code : {0, 1, 4, 77, 255}) {
        TChildProcess Child(HelperPath(), {"exit", std::to_string(Code)});
        EXPECT_EQ(Child.Wait(), Code) << Code;
        EXPECT_EQ(Child.Wait(), Code) << "asked again, " << Code;
    }
}

// Windows hands a child one command line that the child splits again: what the quoting must
// carry through unchanged.
TEST(ChildProcess, ArgumentsArriveUnchanged) {
    const std::vector<std::string> Words = {
        "plain",
        "two words",
        "",
        "tab\there",
        "say \"hi\"",
        "\"",
        "C:\\Program Files\\Velmora\\",
        "back\\\\slashes\\",
        "\\\\server\\share\\\"quoted\"",
        "trailing\\\\",
        "--image=/tmp/my image.hex",
        "Прошивка платы.hex",
        "C:\\Данные\\\"кавычки\" и пробелы\\",
    };
    std::vector<std::string> Arguments = {"echo"};
    Arguments.insert(Arguments.end(), Words.begin(), Words.end());
    TChildProcess Child(HelperPath(), Arguments);
    const std::vector<std::string> Read = ReadAllLines(Child);
    EXPECT_EQ(Child.Wait(), 0);
    EXPECT_EQ(Read, Words);
}

TEST(ChildProcess, TerminateEndsAChildThatHangs) {
    TChildProcess Child(HelperPath(), {"hang"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Terminate();
    EXPECT_EQ(ReadAllLines(Child), std::vector<std::string>());
    EXPECT_EQ(Child.Wait(), 128 + 9);
}

// The command line hands a Ctrl-C on to every child: the first one asks it to stop after the
// current page; a second one ends it only when it is stuck.
TEST(ChildProcess, InterruptReachesTheChildsCatcher) {
    TChildProcess Child(HelperPath(), {"stop-on-interrupt"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Interrupt();
    EXPECT_EQ(ReadLine(Child), "stopping");
    EXPECT_EQ(Child.Wait(), 4);
}

TEST(ChildProcess, InterruptEndsAChildThatDoesNotCatchIt) {
    TChildProcess Child(HelperPath(), {"hang"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Interrupt();
    EXPECT_EQ(Child.Wait(), 128 + 2);
}

// A terminal's Ctrl-C pressed twice in quick succession, as by an impatient hand: the child
// still stops by itself, with its own exit code, also when the second comes as it ends.
TEST(ChildProcess, TwoQuickInterruptsLeaveTheChildToStopByItself) {
    TChildProcess Child(HelperPath(), {"stop-on-interrupt"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Interrupt();
    Child.Interrupt();
    EXPECT_EQ(ReadLine(Child), "stopping");
    EXPECT_EQ(Child.Wait(), 4);
}

TEST(ChildProcess, SecondInterruptEndsAStuckChildThatCaughtTheFirst) {
    TChildProcess Child(HelperPath(), {"linger-on-interrupt"});
    ASSERT_EQ(ReadLine(Child), "ready");
    Child.Interrupt();
    ASSERT_EQ(ReadLine(Child), "caught");
    Child.Interrupt();
    EXPECT_EQ(Child.Wait(), 128 + 2);
}

// A child whose output goes to a pipe, as the command line's children do, sees no terminal
// there, so that it writes neither colours nor progress bars into its parent's reading; readying
// the console then changes nothing about its text.
TEST(Console, ChildWritingToAPipeSeesNoTerminal) {
    TChildProcess Child(HelperPath(), {"console"});
    EXPECT_EQ(ReadAllLines(Child),
              (std::vector<std::string>{"terminal 0 columns 0 escapes 0", "Готово"}));
    EXPECT_EQ(Child.Wait(), 0);
}
