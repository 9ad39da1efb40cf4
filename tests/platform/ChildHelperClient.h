// How the tests start the helper program of tests/platform/ChildHelper.cpp and read what it says.
#pragma once

#include "platform/ChildProcess.h"

#include <string>
#include <vector>

// The helper lies beside the test program.
inline std::string HelperPath() {
    const std::string Own = TChildProcess::OwnProgramPath();
    return Own.substr(0, Own.find_last_of("/\\") + 1) + VELMORA_CHILD_HELPER_NAME;
}

// Text split into lines without their ends (Windows writes "\r\n").
inline std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> Lines;
    std::string::size_type Start = 0;
    while (Start < Text.size()) {
        const std::string::size_type End = Text.find('\n', Start);
        std::string Line = Text.substr(Start, End - Start);
        if (!Line.empty() && Line.back() == '\r') {
            Line.pop_back();
        }
        Lines.push_back(Line);
        Start = End == std::string::npos ? Text.size() : End + 1;
    }
    return Lines;
}

// One line of the child's output; empty at its end. The helper ends by itself after a bound, so
// a read never blocks longer than that.
inline std::string ReadLine(TChildProcess& Child) {
    std::string Text;
    char Character = 0;
    while (Child.ReadOutput(&Character, 1) == 1 && Character != '\n') {
        Text += Character;
    }
    const std::vector<std::string> Lines = SplitLines(Text);
    return Lines.empty() ? std::string() : Lines[0];
}

// All of the child's output to its end, as lines.
inline std::vector<std::string> ReadAllLines(TChildProcess& Child) {
    std::string Text;
    char Buffer[1000];
    while (const std::size_t Count = Child.ReadOutput(Buffer, sizeof Buffer)) {
        Text.append(Buffer, Count);
    }
    return SplitLines(Text);
}
