#include "winui/MessageLoop.h"

namespace {

void Deliver(MSG& Message, const TInputTranslation& Translate) {
    if (!Translate || !Translate(Message)) {
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
}

} // namespace

int RunMessageLoop(HWND Window, const TInputTranslation& Translate) {
    MSG Message{};
    while (IsWindow(Window)) {
        const BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
        if (Got == 0 || Got == -1) {
            return static_cast<int>(Message.wParam);
        }
        Deliver(Message, Translate);
    }
    return 0;
}

void HandlePendingMessages(const TInputTranslation& Translate) {
    MSG Message{};
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
        if (Message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(Message.wParam));
            return;
        }
        Deliver(Message, Translate);
    }
}

void RunModalLoop(HWND Dialog, HWND Owner, const std::function<bool()>& Ended,
                  const TInputTranslation& Translate) {
    const bool OwnerWasEnabled = Owner != nullptr && IsWindowEnabled(Owner);
    if (OwnerWasEnabled) {
        EnableWindow(Owner, FALSE);
    }
    MSG Message{};
    while (!Ended() && IsWindow(Dialog)) {
        const BOOL Got = GetMessageW(&Message, nullptr, 0, 0);
        if (Got == 0 || Got == -1) {
            PostQuitMessage(static_cast<int>(Message.wParam));
            break;
        }
        Deliver(Message, Translate);
    }
    // The owner is enabled before the dialog goes, so that it becomes the active window again.
    if (OwnerWasEnabled) {
        EnableWindow(Owner, TRUE);
        SetActiveWindow(Owner);
    }
}
