#include "winui/WinText.h"

#include "platform/WindowsText.h"

std::wstring Wide(const std::string& Text) {
    return WidenUtf8(Text);
}

std::string Narrow(const std::wstring& Text) {
    return NarrowToUtf8(Text);
}

std::string WindowTextOf(HWND Window) {
    std::wstring Text(static_cast<std::size_t>(GetWindowTextLengthW(Window)) + 1, L'\0');
    Text.resize(static_cast<std::size_t>(
        GetWindowTextW(Window, Text.data(), static_cast<int>(Text.size()))));
    return Narrow(Text);
}

void SetWindowTextTo(HWND Window, const std::string& Text) {
    SetWindowTextW(Window, Wide(Text).c_str());
}
