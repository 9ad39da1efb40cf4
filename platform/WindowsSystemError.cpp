#include "platform/SystemError.h"
#include "platform/WindowsText.h"

#include <windows.h>

// The system's own message in the user's language, without its line end; the number when
// there is none.
std::string LastSystemError() {
    const DWORD Error = GetLastError();
    wchar_t Text[512] = {};
    const DWORD Length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Error,
                       0, Text, sizeof Text / sizeof Text[0], nullptr);
    std::wstring Message(Text, Length);
    while (!Message.empty() && (Message.back() == L'\n' || Message.back() == L'\r')) {
        Message.pop_back();
    }
    return Message.empty() ? "error " + std::to_string(Error) : NarrowToUtf8(Message);
}
