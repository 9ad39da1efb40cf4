#include "platform/Console.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <iostream>
#include <mutex>
#include <semaphore.h>
#include <sys/ioctl.h>
#include <thread>
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
// Every Ctrl-C caught since the catcher was made.
std::atomic<int> CaughtInterrupts{0};
// Posted for every Ctrl-C while a catcher watches for a stuck program (sem_post is one of the
// few calls a signal handler may make); made once and never destroyed, as a handler left in
// place after its catcher may still run.
std::atomic<sem_t*> InterruptNews{nullptr};

extern "C" void CountInterrupt(int) {
    const int SavedError = errno;
    PendingInterrupts.fetch_add(1);
    CaughtInterrupts.fetch_add(1);
    if (sem_t* News = InterruptNews.load()) {
        sem_post(News);
    }
    errno = SavedError;
}

sem_t* MakeInterruptNews() {
    static sem_t News;
    static const bool Made = sem_init(&News, 0, 0) == 0;
    return Made ? &News : nullptr;
}

// Ends the program as Ctrl-C ends one that does not catch it.
void EndAsInterrupted() {
    struct sigaction Default {};
    Default.sa_handler = SIG_DFL;
    sigemptyset(&Default.sa_mask);
    sigaction(SIGINT, &Default, nullptr);
    raise(SIGINT);
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

struct TInterruptCatcher::TState {
    struct sigaction Previous {};
    // The watch for a stuck program, and what ends it: Closing, set under Mutex.
    std::thread Watch;
    std::mutex Mutex;
    std::condition_variable Closed;
    bool Closing = false;

    // Counts every Ctrl-C from now on.
    void Install() {
        PendingInterrupts.store(0);
        CaughtInterrupts.store(0);
        struct sigaction Action {};
        Action.sa_handler = CountInterrupt;
        sigemptyset(&Action.sa_mask);
        Action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &Action, &Previous);
    }

    // Waits for the next Ctrl-C, or the catcher's end; true for a Ctrl-C.
    bool AwaitInterrupt(sem_t* News) {
        while (sem_wait(News) != 0 && errno == EINTR) {
        }
        const std::lock_guard<std::mutex> Lock(Mutex);
        return !Closing;
    }

    // The first Ctrl-C starts the time, a later one sets the end at StuckAfter after the first.
    void WatchForStuckProgram(sem_t* News, std::chrono::milliseconds StuckAfter) {
        if (!AwaitInterrupt(News)) {
            return;
        }
        const auto Deadline = std::chrono::steady_clock::now() + StuckAfter;
        if (!AwaitInterrupt(News)) {
            return;
        }
        std::unique_lock<std::mutex> Lock(Mutex);
        if (!Closed.wait_until(Lock, Deadline, [this] { return Closing; })) {
            EndAsInterrupted();
        }
    }
};

TInterruptCatcher::TInterruptCatcher() : State(std::make_unique<TState>()) {
    State->Install();
}

TInterruptCatcher::TInterruptCatcher(std::chrono::milliseconds StuckAfter)
    : State(std::make_unique<TState>()) {
    sem_t* News = MakeInterruptNews();
    if (News != nullptr) {
        // News a handler left behind after an earlier catcher is not this catcher's.
        while (sem_trywait(News) == 0) {
        }
        State->Watch = std::thread(
            [this, News, StuckAfter] { State->WatchForStuckProgram(News, StuckAfter); });
        InterruptNews.store(News);
    }
    State->Install();
}

TInterruptCatcher::~TInterruptCatcher() {
    if (State->Watch.joinable()) {
        sem_t* News = InterruptNews.exchange(nullptr);
        {
            const std::lock_guard<std::mutex> Lock(State->Mutex);
            State->Closing = true;
        }
        State->Closed.notify_all();
        sem_post(News);
        State->Watch.join();
    }
    if (CaughtInterrupts.load() == 0) {
        sigaction(SIGINT, &State->Previous, nullptr);
    }
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
