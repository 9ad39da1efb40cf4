// A second way for Interrupt to reach a child of this program besides the console's Ctrl-Break,
// which arrives only when parent and child share a console: a named semaphore the child's
// TInterruptCatcher opens under its process id, released once for every interrupt. Used only by
// the Windows files of the platform layer.
#pragma once

#include <string>
#include <windows.h>

// The semaphore's name for the process ProcessId.
std::wstring InterruptChannelName(DWORD ProcessId);
// Releases the semaphore of ProcessId once; false when that process has none open.
bool SignalInterruptChannel(DWORD ProcessId);
