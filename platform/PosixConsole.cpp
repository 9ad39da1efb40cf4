#include "platform/Console.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int DescriptorOf(const std::ostream& Stream) {
    if (&Stream == &std::cout) {
        return STDOUT_FILENO;
    }
    if (&Stream == &std::cerr) {
        return STDERR_FILENO;
    }
    return -1;
}

std::atomic<int> PendingInterrupts{0};

extern "C" void CountInterrupt(int) {
    PendingInterrupts.fetch_add(1);
}

} // namespace

bool IsTerminalStream(const std::ostream& Stream) {
    const int Descriptor = DescriptorOf(Stream);
    return Descriptor >= 0 && isatty(Descriptor) != 0;
}

int TerminalColumns(const std::ostream& Stream) {
    const int Descriptor = DescriptorOf(Stream);
    struct winsize Size {};
    if (Descriptor < 0 || ioctl(Descriptor, TIOCGWINSZ, &Size) != 0) {
        return 0;
    }
    return Size.ws_col;
}

void PrepareConsoleOutput() {}

bool ShowsEscapeSequences(const std::ostream& Stream) {
    return IsTerminalStream(Stream);
}

struct TInterruptCatcher::TPrevious {
    struct sigaction Action {};
};

TInterruptCatcher::TInterruptCatcher(bool OnlyFirst) : Previous(std::make_unique<TPrevious>()) {
    PendingInterrupts.store(0);
    struct sigaction Action {};
    Action.sa_handler = CountInterrupt;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART | (OnlyFirst ? SA_RESETHAND : 0);
    sigaction(SIGINT, &Action, &Previous->Action);
}

TInterruptCatcher::~TInterruptCatcher() {
    sigaction(SIGINT, &Previous->Action, nullptr);
}

bool TInterruptCatcher::TakeInterrupt() {
    int Pending = PendingInterrupts.load();
    while (Pending > 0) {
        if (PendingInterrupts.compare_exchange_weak(Pending, Pending - 1)) {
            return true;
        }
    }
    return false;
}
