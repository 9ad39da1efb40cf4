#include "platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

struct TChildProcess::TState {
    pid_t Pid = -1;
    int Output = -1;
    bool Waited = false;
    int ExitCode = -1;
};

namespace {

std::string SystemErrorText(const char* What) {
    return std::string(What) + ": " + std::strerror(errno);
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const std::vector<char*>& Words, int OutputWrite, pid_t Parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != Parent) {
        _exit(127);
    }
    setpgid(0, 0);
    const int Null = open("/dev/null", O_RDONLY);
    if (Null >= 0) {
        dup2(Null, STDIN_FILENO);
    }
    dup2(OutputWrite, STDOUT_FILENO);
    execv(Words[0], Words.data());
    _exit(127);
}

} // namespace

TChildProcess::TChildProcess(const std::string& Program, const std::vector<std::string>& Arguments)
    : State(std::make_unique<TState>()) {
    std::vector<std::string> Owned;
    Owned.reserve(Arguments.size() + 1);
    Owned.push_back(Program);
    Owned.insert(Owned.end(), Arguments.begin(), Arguments.end());
    std::vector<char*> Words;
    for (std::string& Word : Owned) {
        Words.push_back(Word.data());
    }
    Words.push_back(nullptr);

    int Pipe[2];
    if (pipe2(Pipe, O_CLOEXEC) != 0) {
        throw EChildProcessError(SystemErrorText("pipe"));
    }
    const pid_t Parent = getpid();
    const pid_t Pid = fork();
    if (Pid < 0) {
        const std::string Text = SystemErrorText("fork");
        close(Pipe[0]);
        close(Pipe[1]);
        throw EChildProcessError(Text);
    }
    if (Pid == 0) {
        ExecChild(Words, Pipe[1], Parent);
    }
    close(Pipe[1]);
    // Set here too, so that the group exists before any Interrupt, whichever runs first.
    setpgid(Pid, Pid);
    State->Pid = Pid;
    State->Output = Pipe[0];
}

TChildProcess::~TChildProcess() {
    Terminate();
    Wait();
    if (State->Output >= 0) {
        close(State->Output);
    }
}

std::size_t TChildProcess::ReadOutput(char* Buffer, std::size_t Size) {
    for (;;) {
        const ssize_t Count = read(State->Output, Buffer, Size);
        if (Count >= 0) {
            return static_cast<std::size_t>(Count);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

void TChildProcess::Interrupt() {
    if (!State->Waited && State->Pid > 0) {
        kill(State->Pid, SIGINT);
    }
}

void TChildProcess::Terminate() {
    if (!State->Waited && State->Pid > 0) {
        kill(State->Pid, SIGKILL);
    }
}

int TChildProcess::Wait() {
    if (State->Waited) {
        return State->ExitCode;
    }
    int Status = 0;
    while (waitpid(State->Pid, &Status, 0) < 0) {
        if (errno != EINTR) {
            State->Waited = true;
            return State->ExitCode;
        }
    }
    State->Waited = true;
    State->ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    return State->ExitCode;
}

std::string TChildProcess::OwnProgramPath() {
    std::string Path(4096, '\0');
    const ssize_t Length = readlink("/proc/self/exe", Path.data(), Path.size());
    if (Length <= 0) {
        throw EChildProcessError(SystemErrorText("/proc/self/exe"));
    }
    Path.resize(static_cast<std::size_t>(Length));
    return Path;
}
