// A program started as a child process whose standard output this process reads. Used to run
// one copy of velmora-cli per programmer: each copy has its own port, log and process-wide
// objects, and one that hangs or dies leaves the others alone.
#pragma once

#include "common/Exception.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// A child process that could not be started.
class EChildProcessError : public Exception {
public:
    using Exception::Exception;
};

class TChildProcess {
public:
    // Starts Program with Arguments (without the program itself). Its standard input is empty,
    // its standard output a pipe to ReadOutput, its standard error this process's. The child
    // gets a process group of its own, so that a Ctrl-C typed at the terminal reaches only this
    // process, which hands it on with Interrupt; it is killed when this process dies.
    TChildProcess(const std::string& Program, const std::vector<std::string>& Arguments);
    // Kills the child when it still runs and waits for it.
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    // Blocks until the child writes to its standard output; returns the count of bytes read, 0
    // once the child has closed it (usually by ending).
    std::size_t ReadOutput(char* Buffer, std::size_t Size);
    // Asks the child to stop as Ctrl-C at its terminal would (SIGINT).
    void Interrupt();
    // Ends the child at once (SIGKILL); ReadOutput then sees the end of its output.
    void Terminate();
    // Waits for the child's end; returns its exit code, or 128 + the signal that ended it.
    int Wait();

    // The path of this process's own program file.
    static std::string OwnProgramPath();

private:
    struct TState;
    std::unique_ptr<TState> State;
};
