// The system-dependent part of the child-process tests' helper program.
#pragma once

#include <chrono>

// The helper's own process id.
unsigned long OwnProcessId();
// Puts a console control handler of the system's own in place, calls Ready, then waits at most
// Timeout for a Ctrl-C or Ctrl-Break that handler catches; false when none came. Windows only:
// elsewhere false at once.
bool WaitForConsoleInterrupt(std::chrono::milliseconds Timeout, void (*Ready)());
