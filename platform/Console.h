// What the command line needs to know of its console: whether a stream is a terminal, how wide
// it is, and Ctrl-C turned into a request the running command checks.
#pragma once

#include <memory>
#include <ostream>

// True when Stream is standard output or standard error and that is a terminal.
bool IsTerminalStream(const std::ostream& Stream);
// The terminal's width in columns; 0 when Stream is no terminal or does not say.
int TerminalColumns(const std::ostream& Stream);

// Catches Ctrl-C (SIGINT) while it lives and counts it for TakeInterrupt; the previous handling
// comes back at its end. With OnlyFirst, the second Ctrl-C ends the program at once, as it
// does without one.
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
