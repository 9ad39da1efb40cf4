// What the command line needs to know of its console: whether a stream is a terminal, how wide
// it is, whether it shows escape sequences, and Ctrl-C turned into a request the running command
// checks.
#pragma once

#include <memory>
#include <ostream>

// True when Stream is standard output or standard error and that is a terminal.
bool IsTerminalStream(const std::ostream& Stream);
// The terminal's width in columns; 0 when Stream is no terminal or does not say.
int TerminalColumns(const std::ostream& Stream);

// Makes the console ready for the command line's output, once at its start: UTF-8 text, and
// escape sequences (colours, erasing a line, moving up) interpreted rather than printed where
// the console can. Nothing to do on Linux; on Windows the console's previous output code page
// and modes come back when the program ends normally.
void PrepareConsoleOutput();
// True when Stream is a terminal that interprets escape sequences: on Linux every terminal, on
// Windows a console in which PrepareConsoleOutput could switch them on.
bool ShowsEscapeSequences(const std::ostream& Stream);

// Catches Ctrl-C (SIGINT; on Windows also Ctrl-Break and TChildProcess::Interrupt from the
// parent) while it lives and counts it for TakeInterrupt; the previous handling comes back at
// its end. With OnlyFirst, the second Ctrl-C ends the program at once, as it does without one.
class TInterruptCatcher {
public:
    explicit TInterruptCatcher(bool OnlyFirst = true);
    ~TInterruptCatcher();
    TInterruptCatcher(const TInterruptCatcher&) = delete;
    TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

    // True once for every Ctrl-C caught since the last call that returned true.
    static bool TakeInterrupt();

private:
    struct TPrevious;
    std::unique_ptr<TPrevious> Previous;
};
