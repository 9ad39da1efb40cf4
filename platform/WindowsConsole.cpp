// The console on Windows. Ctrl-C and Ctrl-Break arrive through a console control handler, which
// the system calls on a thread of its own. A child started by TChildProcess has Ctrl-C switched
// off (its own process group) and may share no console with its parent, so the catcher also
// watches a named semaphore of its process through which the parent's Interrupt arrives.
#include "platform/Console.h"
#include "platform/WindowsConsoleBuffer.h"
#include "platform/WindowsHandle.h"
#include "platform/WindowsInterruptChannel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>
#include <vector>

namespace {

// What the system's own handler makes a process's exit code when a Ctrl-C ends it.
constexpr UINT ControlCExit = 0xC000013A;

HANDLE HandleOf(const std::ostream& Stream) {
    if (&Stream == &std::cout) {
        return GetStdHandle(STD_OUTPUT_HANDLE);
    }
    if (&Stream == &std::cerr) {
        return GetStdHandle(STD_ERROR_HANDLE);
    }
    return nullptr;
}

// GetConsoleMode fails for anything but a console: a file, a pipe, a mintty window.
bool ConsoleModeOf(HANDLE Handle, DWORD& Mode) {
    return Handle != nullptr && Handle != INVALID_HANDLE_VALUE && GetConsoleMode(Handle, &Mode);
}

struct TSavedConsole {
    UINT OutputCodePage = 0;
    HANDLE Handles[2] = {};
    DWORD Modes[2] = {};
    // The stream buffers standard output and error had before they were given the console's.
    std::streambuf* Buffers[2] = {};
};

std::ostream& StreamOf(int Index) {
    return Index == 0 ? std::cout : std::cerr;
}

TSavedConsole SavedConsole;

void RestoreConsole() {
    for (int Index = 0; Index < 2; ++Index) {
        if (SavedConsole.Buffers[Index] != nullptr) {
            StreamOf(Index).flush();
            StreamOf(Index).rdbuf(SavedConsole.Buffers[Index]);
        }
        if (SavedConsole.Handles[Index] != nullptr) {
            SetConsoleMode(SavedConsole.Handles[Index], SavedConsole.Modes[Index]);
        }
    }
    if (SavedConsole.OutputCodePage != 0) {
        SetConsoleOutputCP(SavedConsole.OutputCodePage);
    }
}

std::atomic<int> PendingInterrupts{0};
// Every interrupt caught since the catcher was made.
std::atomic<int> CaughtInterrupts{0};
// Released for every interrupt while a catcher watches for a stuck program; made once and never
// closed, as a handler left installed after its catcher may still run.
std::atomic<HANDLE> InterruptNews{nullptr};

void CountInterrupt() {
    PendingInterrupts.fetch_add(1);
    CaughtInterrupts.fetch_add(1);
    if (const HANDLE News = InterruptNews.load()) {
        ReleaseSemaphore(News, 1, nullptr);
    }
}

HANDLE MakeInterruptNews() {
    static const HANDLE News = CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr);
    return News;
}

BOOL WINAPI HandleControl(DWORD Event) {
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    CountInterrupt();
    return TRUE;
}

} // namespace

std::wstring InterruptChannelName(DWORD ProcessId) {
    return L"Local\\velmora-interrupt-" + std::to_wstring(ProcessId);
}

bool SignalInterruptChannel(DWORD ProcessId) {
    const TWindowsHandle Channel(
        OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, InterruptChannelName(ProcessId).c_str()));
    return Channel && ReleaseSemaphore(Channel.Get(), 1, nullptr);
}

bool IsTerminalStream(const std::ostream& Stream) {
    DWORD Mode = 0;
    return ConsoleModeOf(HandleOf(Stream), Mode);
}

int TerminalColumns(const std::ostream& Stream) {
    CONSOLE_SCREEN_BUFFER_INFO Info{};
    const HANDLE Handle = HandleOf(Stream);
    if (Handle == nullptr || !GetConsoleScreenBufferInfo(Handle, &Info)) {
        return 0;
    }
    return Info.srWindow.Right - Info.srWindow.Left + 1;
}

void PrepareConsoleOutput() {
    static bool Prepared = false;
    if (Prepared) {
        return;
    }
    Prepared = true;
    const HANDLE Outputs[2] = {GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
    bool AnyConsole = false;
    for (int Index = 0; Index < 2; ++Index) {
        DWORD Mode = 0;
        if (!ConsoleModeOf(Outputs[Index], Mode)) {
            continue;
        }
        AnyConsole = true;
        // A console takes its text as UTF-16; redirected output keeps the UTF-8 bytes. The
        // buffers outlive RestoreConsole, which hands the streams their own back first.
        static TConsoleUtf16Buffer ConsoleBuffers[2] = {
            TConsoleUtf16Buffer(ConsoleWriter(Outputs[0])),
            TConsoleUtf16Buffer(ConsoleWriter(Outputs[1]))};
        SavedConsole.Buffers[Index] = StreamOf(Index).rdbuf(&ConsoleBuffers[Index]);
        if (Index == 1 && Outputs[1] == Outputs[0]) {
            continue;
        }
        SavedConsole.Handles[Index] = Outputs[Index];
        SavedConsole.Modes[Index] = Mode;
        SetConsoleMode(Outputs[Index],
                       Mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    if (AnyConsole) {
        SavedConsole.OutputCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
    std::atexit(RestoreConsole);
}

// Asks the console itself, so that a console too old for escape sequences, which refuses the
// mode, leaves the output plain.
bool ShowsEscapeSequences(const std::ostream& Stream) {
    DWORD Mode = 0;
    return ConsoleModeOf(HandleOf(Stream), Mode) &&
           (Mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

struct TInterruptCatcher::TState {
    TWindowsHandle Channel;
    TWindowsHandle Stop;
    // Set when the catcher watches for a stuck program.
    HANDLE News = nullptr;
    std::chrono::milliseconds StuckAfter{0};
    std::thread Watcher;

    void Start() {
        PendingInterrupts.store(0);
        CaughtInterrupts.store(0);
        if (News != nullptr) {
            // News left behind after an earlier catcher is not this catcher's.
            while (WaitForSingleObject(News, 0) == WAIT_OBJECT_0) {
            }
            InterruptNews.store(News);
        }
        SetConsoleCtrlHandler(HandleControl, TRUE);
        Channel = TWindowsHandle(CreateSemaphoreW(
            nullptr, 0, LONG_MAX, InterruptChannelName(GetCurrentProcessId()).c_str()));
        // What an earlier catcher's channel, left open, took in is not this catcher's.
        while (Channel && WaitForSingleObject(Channel.Get(), 0) == WAIT_OBJECT_0) {
        }
        Stop = TWindowsHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (Stop && (Channel || News != nullptr)) {
            Watcher = std::thread([this] { Watch(); });
        }
    }

    // Counts each release of the channel as an interrupt and, with News, ends the program once
    // StuckAfter has passed since the first interrupt with a later one given.
    void Watch() {
        std::vector<HANDLE> Waited = {Stop.Get()};
        if (Channel) {
            Waited.push_back(Channel.Get());
        }
        if (News != nullptr) {
            Waited.push_back(News);
        }
        const auto Is = [&Waited](DWORD Woken, HANDLE Handle) {
            return Handle != nullptr && Woken >= WAIT_OBJECT_0 &&
                   Woken < WAIT_OBJECT_0 + Waited.size() && Waited[Woken - WAIT_OBJECT_0] == Handle;
        };
        std::optional<std::chrono::steady_clock::time_point> Deadline;
        bool Armed = false;
        for (;;) {
            DWORD Timeout = INFINITE;
            if (Armed) {
                const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    *Deadline - std::chrono::steady_clock::now());
                Timeout = static_cast<DWORD>(std::max<long long>(0, Left.count()));
            }
            const DWORD Woken = WaitForMultipleObjects(static_cast<DWORD>(Waited.size()),
                                                       Waited.data(), FALSE, Timeout);
            if (Woken == WAIT_TIMEOUT) {
                ExitProcess(ControlCExit);
            }
            if (Is(Woken, Channel.Get())) {
                CountInterrupt();
            } else if (Is(Woken, News)) {
                Armed = Deadline.has_value();
                if (!Deadline) {
                    Deadline = std::chrono::steady_clock::now() + StuckAfter;
                }
            } else {
                return; // the catcher's end, or a wait that failed
            }
        }
    }
};

TInterruptCatcher::TInterruptCatcher() : State(std::make_unique<TState>()) {
    State->Start();
}

TInterruptCatcher::TInterruptCatcher(std::chrono::milliseconds StuckAfter)
    : State(std::make_unique<TState>()) {
    State->News = MakeInterruptNews();
    State->StuckAfter = StuckAfter;
    State->Start();
}

TInterruptCatcher::~TInterruptCatcher() {
    if (State->News != nullptr) {
        InterruptNews.store(nullptr);
    }
    if (State->Watcher.joinable()) {
        SetEvent(State->Stop.Get());
        State->Watcher.join();
    }
    if (CaughtInterrupts.load() == 0) {
        SetConsoleCtrlHandler(HandleControl, FALSE);
        return;
    }
    // A program that caught an interrupt is ending as stopped: the handler stays and only counts
    // a further one, and the channel stays open until the program ends, so that a parent's
    // further Interrupt finds it instead of ending the program.
    static TWindowsHandle LeftOpen;
    LeftOpen = std::move(State->Channel);
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
