// The loops that take the window's input from the thread's message queue: the program's main
// loop, the one that handles what waits during an operation, and a modal dialog's.
#pragma once

#include "winui/WindowsApi.h"

#include <functional>

// Gives a message to the window it is meant for after the keyboard's translation (accelerators,
// dialog navigation) had its say: true when that translation handled it.
using TInputTranslation = std::function<bool(MSG& Message)>;

// Takes and handles messages until Window is gone (or WM_QUIT comes); the exit code.
int RunMessageLoop(HWND Window, const TInputTranslation& Translate);
// Handles the messages that wait, then returns. WM_QUIT is put back for the loop that waits
// for it.
void HandlePendingMessages(const TInputTranslation& Translate);
// Handles messages with Dialog's keyboard translation until Ended says so or Dialog is gone;
// Owner stays disabled meanwhile and is active again afterwards.
void RunModalLoop(HWND Dialog, HWND Owner, const std::function<bool()>& Ended,
                  const TInputTranslation& Translate);
