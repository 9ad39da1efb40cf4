// What the command line needs to know of its console: whether a stream is a terminal, how wide
// it is, whether it shows escape sequences, and Ctrl-C turned into a request the running command
// checks.
#pragma once

#include <chrono>
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
// parent) while it lives and counts every one for TakeInterrupt, however many come: a terminal's
// Ctrl-C pressed twice in quick succession must not end a command that stops after its current
// page. The previous handling comes back at its end, unless a Ctrl-C was caught: the program is
// then on its way to its end as stopped, and a further Ctrl-C is only counted, so that it cannot
// end the program in the middle of its last lines.
//
// Made with StuckAfter, a second Ctrl-C still ends a program that is stuck: once StuckAfter has
// passed since the first Ctrl-C, with a later one given (before or after that moment), the
// program ends as Ctrl-C ends it without a catcher. StuckAfter is longer than the command can
// take to stop when nothing hangs.
class TInterruptCatcher {
public:
    TInterruptCatcher();
    explicit TInterruptCatcher(std::chrono::milliseconds StuckAfter);
    ~TInterruptCatcher();
    TInterruptCatcher(const TInterruptCatcher&) = delete;
    TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

    // True once for every Ctrl-C caught since the last call that returned true.
    static bool TakeInterrupt();

private:
    struct TState;
    std::unique_ptr<TState> State;
};
