// Child processes on Windows. The child's standard output is an anonymous pipe whose write end
// only the child holds, its standard input the NUL device, its standard error this process's.
// It starts in a process group of its own (CREATE_NEW_PROCESS_GROUP), which switches Ctrl-C off
// in it: a Ctrl-C typed at the console reaches only this process, which hands it on with
// Interrupt. Every child goes into one job object that kills its processes when its last handle
// closes; this process keeps that handle until it ends, so that its children end with it however
// it ends, as PR_SET_PDEATHSIG does on Linux.
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/SystemError.h"
#include "platform/WindowsHandle.h"
#include "platform/WindowsInterruptChannel.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <mutex>
#include <windows.h>

namespace {

// Exit codes as on Linux: a child ended by Terminate gets 128 + SIGKILL, and one that a Ctrl-C
// or Ctrl-Break ended (the system's STATUS_CONTROL_C_EXIT) reports 128 + SIGINT.
constexpr UINT TerminatedExitCode = 128 + 9;
constexpr DWORD ControlCExit = 0xC000013A;
constexpr int InterruptedExitCode = 128 + 2;

[[noreturn]] void ThrowSystemError(const char* What) {
    throw EChildProcessError(std::string(What) + ": " + LastSystemError());
}

// The job all children join. Made once and never closed by this process: the system closes it
// when the process ends, and the job then kills every child still in it. One job serves all
// children, since all of them share the one rule "end with this process".
HANDLE ChildrenJob() {
    static const HANDLE Job = [] {
        const HANDLE Made = CreateJobObjectW(nullptr, nullptr);
        if (Made != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION Limits{};
            Limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(Made, JobObjectExtendedLimitInformation, &Limits,
                                    sizeof Limits);
        }
        return Made;
    }();
    return Job;
}

// An inheritable copy of Handle for the child; empty when Handle is none.
TWindowsHandle InheritableCopy(HANDLE Handle) {
    HANDLE Copy = nullptr;
    if (Handle == nullptr || Handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), Handle, GetCurrentProcess(), &Copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return TWindowsHandle();
    }
    return TWindowsHandle(Copy);
}

TWindowsHandle OpenNullInput() {
    SECURITY_ATTRIBUTES Inherited{sizeof Inherited, nullptr, TRUE};
    return TWindowsHandle(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &Inherited, OPEN_EXISTING, 0, nullptr));
}

std::wstring CommandLineOf(const std::string& Program, const std::vector<std::string>& Arguments) {
    std::string Line = QuoteCommandLineWord(Program);
    for (const std::string& Argument : Arguments) {
        Line += ' ';
        Line += QuoteCommandLineWord(Argument);
    }
    return WidenUtf8(Line);
}

// The handles a child gets are inheritable only while it starts, and only they are handed to it
// (PROC_THREAD_ATTRIBUTE_HANDLE_LIST). Starts go one at a time besides, for a system that
// ignores that list: a child started at the same moment from another thread would otherwise
// also hold this child's output pipe, and its reader would see no end until both had ended.
std::mutex StartMutex;

struct TAttributeList {
    std::vector<char> Storage;
    LPPROC_THREAD_ATTRIBUTE_LIST List = nullptr;

    explicit TAttributeList(std::vector<HANDLE>& Inherited) {
        SIZE_T Size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &Size);
        Storage.resize(Size);
        auto* Made = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(Storage.data());
        if (!InitializeProcThreadAttributeList(Made, 1, 0, &Size)) {
            return;
        }
        List = Made;
        if (!UpdateProcThreadAttribute(List, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, Inherited.data(),
                                       Inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(List);
            List = nullptr;
        }
    }
    ~TAttributeList() {
        if (List != nullptr) {
            DeleteProcThreadAttributeList(List);
        }
    }
    TAttributeList(const TAttributeList&) = delete;
    TAttributeList& operator=(const TAttributeList&) = delete;
};

} // namespace

struct TChildProcess::TState {
    TWindowsHandle Process;
    TWindowsHandle Output;
    DWORD ProcessId = 0;
    bool Waited = false;
    int ExitCode = -1;
};

TChildProcess::TChildProcess(const std::string& Program, const std::vector<std::string>& Arguments)
    : State(std::make_unique<TState>()) {
    SECURITY_ATTRIBUTES NotInherited{sizeof NotInherited, nullptr, FALSE};
    HANDLE ReadEnd = nullptr;
    HANDLE WriteEnd = nullptr;
    if (!CreatePipe(&ReadEnd, &WriteEnd, &NotInherited, 0)) {
        ThrowSystemError("CreatePipe");
    }
    State->Output = TWindowsHandle(ReadEnd);
    const TWindowsHandle OutputWrite(WriteEnd);
    std::wstring CommandLine = CommandLineOf(Program, Arguments);

    PROCESS_INFORMATION Started{};
    {
        const std::lock_guard<std::mutex> Lock(StartMutex);
        const TWindowsHandle Input = OpenNullInput();
        const TWindowsHandle Output = InheritableCopy(OutputWrite.Get());
        const TWindowsHandle Error = InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));
        if (!Output) {
            ThrowSystemError("DuplicateHandle");
        }
        std::vector<HANDLE> Inherited;
        for (const TWindowsHandle* Handle : {&Input, &Output, &Error}) {
            if (*Handle) {
                Inherited.push_back(Handle->Get());
            }
        }
        TAttributeList Attributes(Inherited);

        STARTUPINFOEXW Startup{};
        Startup.StartupInfo.cb = sizeof Startup;
        Startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        Startup.StartupInfo.hStdInput = Input.Get();
        Startup.StartupInfo.hStdOutput = Output.Get();
        Startup.StartupInfo.hStdError = Error.Get();
        Startup.lpAttributeList = Attributes.List;
        // Suspended until it is in the job, so that nothing it starts escapes the job.
        DWORD Flags = CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED;
        if (Attributes.List != nullptr) {
            Flags |= EXTENDED_STARTUPINFO_PRESENT;
        }
        if (!CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, TRUE, Flags, nullptr,
                            nullptr, &Startup.StartupInfo, &Started)) {
            throw EChildProcessError(Program + ": " + LastSystemError());
        }
    }
    State->Process = TWindowsHandle(Started.hProcess);
    State->ProcessId = Started.dwProcessId;
    const TWindowsHandle Thread(Started.hThread);
    // A process already in a job that allows no nested one cannot join this job; it then ends
    // with the job this process is in.
    const HANDLE Job = ChildrenJob();
    if (Job != nullptr) {
        AssignProcessToJobObject(Job, State->Process.Get());
    }
    ResumeThread(Thread.Get());
}

TChildProcess::~TChildProcess() {
    Terminate();
    Wait();
}

std::size_t TChildProcess::ReadOutput(char* Buffer, std::size_t Size) {
    const DWORD Wanted = static_cast<DWORD>(std::min<std::size_t>(Size, MAXDWORD));
    DWORD Count = 0;
    // A read of the pipe fails with ERROR_BROKEN_PIPE once the child's end is closed.
    if (!ReadFile(State->Output.Get(), Buffer, Wanted, &Count, nullptr)) {
        return 0;
    }
    return Count;
}

// The child's own interrupt channel when it has one open (a TInterruptCatcher of this program);
// otherwise Ctrl-Break to its process group, the one console event a group made with
// CREATE_NEW_PROCESS_GROUP still takes, and which reaches it only when both share a console.
// When neither can reach it, the child ends as one without a handler ends at a Ctrl-C, as
// SIGINT ends it on Linux: this is also what a child that has no catcher yet or any more gets.
void TChildProcess::Interrupt() {
    if (State->Waited || !State->Process) {
        return;
    }
    if (!SignalInterruptChannel(State->ProcessId) &&
        !GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, State->ProcessId)) {
        TerminateProcess(State->Process.Get(), ControlCExit);
    }
}

void TChildProcess::Terminate() {
    if (!State->Waited && State->Process) {
        TerminateProcess(State->Process.Get(), TerminatedExitCode);
    }
}

int TChildProcess::Wait() {
    if (State->Waited || !State->Process) {
        return State->ExitCode;
    }
    WaitForSingleObject(State->Process.Get(), INFINITE);
    DWORD ExitCode = 0;
    if (GetExitCodeProcess(State->Process.Get(), &ExitCode)) {
        State->ExitCode =
            ExitCode == ControlCExit ? InterruptedExitCode : static_cast<int>(ExitCode);
    }
    State->Waited = true;
    return State->ExitCode;
}

std::string TChildProcess::OwnProgramPath() {
    std::wstring Path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD Length =
            GetModuleFileNameW(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
        if (Length == 0) {
            ThrowSystemError("GetModuleFileNameW");
        }
        if (Length < Path.size()) {
            Path.resize(Length);
            return NarrowToUtf8(Path);
        }
        Path.resize(Path.size() * 2);
    }
}
