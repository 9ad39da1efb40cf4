// The console on Windows. Ctrl-C and Ctrl-Break arrive through a console control handler, which
// the system calls on a thread of its own. A child started by TChildProcess has Ctrl-C switched
// off (its own process group) and may share no console with its parent, so the catcher also
// watches a named semaphore of its process through which the parent's Interrupt arrives.
#include "platform/Console.h"
#include "platform/WindowsConsoleBuffer.h"
#include "platform/WindowsHandle.h"
#include "platform/WindowsInterruptChannel.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <thread>

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
std::atomic<bool> StopsAtSecond{false};
std::atomic<bool> CaughtOne{false};

// Counts one interrupt; false when it is the second one of a catcher made with OnlyFirst, which
// the system's default handling is to take.
bool CountInterrupt() {
    if (CaughtOne.exchange(true) && StopsAtSecond.load()) {
        return false;
    }
    PendingInterrupts.fetch_add(1);
    return true;
}

BOOL WINAPI HandleControl(DWORD Event) {
    if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    return CountInterrupt() ? TRUE : FALSE;
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

struct TInterruptCatcher::TPrevious {
    TWindowsHandle Channel;
    TWindowsHandle Stop;
    std::thread Watcher;
};

TInterruptCatcher::TInterruptCatcher(bool OnlyFirst) : Previous(std::make_unique<TPrevious>()) {
    PendingInterrupts.store(0);
    CaughtOne.store(false);
    StopsAtSecond.store(OnlyFirst);
    SetConsoleCtrlHandler(HandleControl, TRUE);

    Previous->Channel = TWindowsHandle(CreateSemaphoreW(
        nullptr, 0, LONG_MAX, InterruptChannelName(GetCurrentProcessId()).c_str()));
    Previous->Stop = TWindowsHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!Previous->Channel || !Previous->Stop) {
        return;
    }
    // Each release of the semaphore is one interrupt; a second one that the catcher does not
    // take ends the program as the system's handler would.
    Previous->Watcher =
        std::thread([Channel = Previous->Channel.Get(), Stop = Previous->Stop.Get()] {
            const HANDLE Waited[2] = {Channel, Stop};
            while (WaitForMultipleObjects(2, Waited, FALSE, INFINITE) == WAIT_OBJECT_0) {
                if (!CountInterrupt()) {
                    ExitProcess(ControlCExit);
                }
            }
        });
}

TInterruptCatcher::~TInterruptCatcher() {
    if (Previous->Watcher.joinable()) {
        SetEvent(Previous->Stop.Get());
        Previous->Watcher.join();
    }
    SetConsoleCtrlHandler(HandleControl, FALSE);
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
