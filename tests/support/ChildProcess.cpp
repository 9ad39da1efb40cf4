#include "tests/support/ChildProcess.h"

#include "tests/support/TempFolder.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string OutPath(const std::string& Folder) {
    return Folder + "/stdout";
}

std::string ErrPath(const std::string& Folder) {
    return Folder + "/stderr";
}

bool IsReplaced(const char* Variable, const std::vector<std::string>& Replacements) {
    for (const std::string& Replacement : Replacements) {
        const std::size_t NameEnd = Replacement.find('=') + 1;
        if (std::strncmp(Variable, Replacement.c_str(), NameEnd) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<char*> NullTerminated(std::vector<std::string>& Texts) {
    std::vector<char*> Pointers;
    for (std::string& Text : Texts) {
        Pointers.push_back(Text.data());
    }
    Pointers.push_back(nullptr);
    return Pointers;
}

} // namespace

pid_t StartProcess(const std::vector<std::string>& Arguments, const std::string& OutputFolder,
                   const std::vector<std::string>& Environment) {
    // Everything the child needs is prepared here: between fork and exec only calls that are
    // safe in a copy of a threaded process are made.
    std::vector<std::string> Words = Arguments;
    std::vector<char*> Argv = NullTerminated(Words);
    std::vector<std::string> Variables = Environment;
    for (char** Variable = environ; *Variable != nullptr; ++Variable) {
        if (!IsReplaced(*Variable, Environment)) {
            Variables.emplace_back(*Variable);
        }
    }
    std::vector<char*> Envp = NullTerminated(Variables);
    const std::string Out = OutPath(OutputFolder);
    const std::string Err = ErrPath(OutputFolder);

    const pid_t Child = fork();
    if (Child == 0) {
        const int OutFile = open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int ErrFile = open(Err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int InFile = open("/dev/null", O_RDONLY);
        dup2(OutFile, STDOUT_FILENO);
        dup2(ErrFile, STDERR_FILENO);
        dup2(InFile, STDIN_FILENO);
        signal(SIGINT, SIG_DFL);
        // A process group of its own, as a shell's job: a test can send a signal to the group
        // as a terminal sends Ctrl-C, without reaching the test itself.
        setpgid(0, 0);
        execve(Argv[0], Argv.data(), Envp.data());
        _exit(127);
    }
    return Child;
}

TProcessResult WaitForProcess(pid_t Child, const std::string& OutputFolder,
                              std::chrono::milliseconds Timeout) {
    int Status = 0;
    pid_t Reaped = 0;
    const testing::AssertionResult Ended =
        WaitUntil([&] { return (Reaped = waitpid(Child, &Status, WNOHANG)) != 0; }, Timeout);
    if (!Ended) {
        kill(Child, SIGKILL);
        waitpid(Child, &Status, 0);
    }
    TProcessResult Result;
    Result.Code = Ended && Reaped == Child && WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    Result.Out = ReadFileText(OutPath(OutputFolder));
    Result.Err = ReadFileText(ErrPath(OutputFolder));
    if (!Ended) {
        Result.Err =
            "killed: still running after " + std::to_string(Timeout.count()) + " ms\n" + Result.Err;
    }
    return Result;
}

TProcessResult RunProcess(const std::vector<std::string>& Arguments,
                          const std::string& OutputFolder,
                          const std::vector<std::string>& Environment) {
    return WaitForProcess(StartProcess(Arguments, OutputFolder, Environment), OutputFolder);
}
