// A program run as a child process with its standard input from /dev/null and its standard
// output and error captured in the files "stdout" and "stderr" of a folder.
#pragma once

#include "tests/support/Wait.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct TProcessResult {
    int Code = -1; // the exit code; -1 when the process did not exit normally
    std::string Out;
    std::string Err;
};

// Starts Arguments[0] with Arguments as its argument list, in a process group of its own (whose
// id is the child's). Each "NAME=value" of Environment replaces the variable NAME of this
// process's environment for the child.
pid_t StartProcess(const std::vector<std::string>& Arguments, const std::string& OutputFolder,
                   const std::vector<std::string>& Environment = {});
// Waits for the child's end and reads back what it printed. A child still running after Timeout
// is killed; Code is then -1 and Err begins with a line that says so.
TProcessResult WaitForProcess(pid_t Child, const std::string& OutputFolder,
                              std::chrono::milliseconds Timeout = TestWaitBound);
// StartProcess, then WaitForProcess.
TProcessResult RunProcess(const std::vector<std::string>& Arguments,
                          const std::string& OutputFolder,
                          const std::vector<std::string>& Environment = {});
