// A small program the child-process tests start: it does one thing its first argument names,
// so that the tests see what arrives in a child and how it ends on every system alike.
//   echo WORD...        prints every further argument on a line of its own
//   lines COUNT         prints COUNT numbered lines, then "end"
//   exit CODE           ends with CODE
//   hang                prints "ready" and waits
//   stop-on-interrupt   catches Ctrl-C as the command line on one port does, prints "ready"; at
//                       the first one prints "stopping" and ends with 4
//   linger-on-interrupt as stop-on-interrupt, but prints "caught" and goes on waiting as a stuck
//                       program would, so that a second Ctrl-C ends it (taken for stuck at once)
//   pid                 prints its process id and waits
//   parent              starts "pid" as its own child, prints that child's first line and waits
//   console             readies the console as the command line does and prints what it
//                       says of standard output, then a line in Cyrillic
//   console-interrupt   as stop-on-interrupt, with the system's own console handler in place
//                       of TInterruptCatcher (Windows only)
// A helper left waiting ends with 99 after twice the bound of a test's waits, so that a test
// that waits for its end sees the difference.
#include "tests/platform/ChildHelper.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/Console.h"
#include "tests/support/Wait.h"

#include <chrono>
#include <iostream>
#include <string>
#include <thread>

namespace {

constexpr int LeftWaiting = 99;

void Say(const std::string& Line) {
    std::cout << Line << '\n' << std::flush;
}

// Waits until Condition holds; false when the tests' bound passes first.
template <class TCondition> bool WaitFor(TCondition Condition) {
    const auto Deadline = std::chrono::steady_clock::now() + 2 * TestWaitBound;
    while (!Condition()) {
        if (std::chrono::steady_clock::now() > Deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int AwaitInterrupt(bool Linger) {
    // A helper that stops takes long past any wait of a test for stuck; one that lingers is stuck.
    const TInterruptCatcher Catcher(Linger ? std::chrono::milliseconds(0) : 4 * TestWaitBound);
    Say("ready");
    if (!WaitFor([] { return TInterruptCatcher::TakeInterrupt(); })) {
        return LeftWaiting;
    }
    if (!Linger) {
        Say("stopping");
        return 4;
    }
    Say("caught");
    WaitFor([] { return false; });
    return LeftWaiting;
}

int StartGrandchild() {
    TChildProcess Child(TChildProcess::OwnProgramPath(), {"pid"});
    std::string Line;
    char Character = 0;
    while (Child.ReadOutput(&Character, 1) == 1 && Character != '\n') {
        Line += Character;
    }
    Say(Line);
    WaitFor([] { return false; });
    return LeftWaiting;
}

} // namespace

int main(int Count, char** Words) {
    const std::vector<std::string> Arguments = ProgramArguments(Count, Words);
    const std::string Mode = Arguments.empty() ? "" : Arguments[0];
    if (Mode == "echo") {
        for (std::size_t Index = 1; Index < Arguments.size(); ++Index) {
            std::cout << Arguments[Index] << '\n';
        }
        return 0;
    }
    if (Mode == "lines" && Arguments.size() == 2) {
        const int Lines = std::stoi(Arguments[1]);
        for (int Index = 0; Index < Lines; ++Index) {
            std::cout << "line " << Index << '\n';
        }
        std::cout << "end\n";
        return 0;
    }
    if (Mode == "exit" && Arguments.size() == 2) {
        return std::stoi(Arguments[1]);
    }
    if (Mode == "hang") {
        Say("ready");
        WaitFor([] { return false; });
        return LeftWaiting;
    }
    if (Mode == "stop-on-interrupt" || Mode == "linger-on-interrupt") {
        return AwaitInterrupt(Mode == "linger-on-interrupt");
    }
    if (Mode == "pid") {
        Say(std::to_string(OwnProcessId()));
        WaitFor([] { return false; });
        return LeftWaiting;
    }
    if (Mode == "parent") {
        return StartGrandchild();
    }
    if (Mode == "console") {
        PrepareConsoleOutput();
        Say("terminal " + std::to_string(IsTerminalStream(std::cout)) + " columns " +
            std::to_string(TerminalColumns(std::cout)) + " escapes " +
            std::to_string(ShowsEscapeSequences(std::cout)));
        Say("Готово");
        return 0;
    }
    if (Mode == "console-interrupt") {
        if (!WaitForConsoleInterrupt(2 * TestWaitBound, [] { Say("ready"); })) {
            return LeftWaiting;
        }
        Say("stopping");
        return 4;
    }
    std::cerr << "child helper: unknown mode " << Mode << '\n';
    return 2;
}
