#include "winui/HelpWindow.h"

#include "common/ResourseStrings.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

constexpr int WindowWidth = 640;
constexpr int WindowHeight = 560;
constexpr int Margin = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

// Line breaks as the edit control shows them.
std::wstring WithCrLf(const std::wstring& Text) {
    std::wstring Result;
    for (const wchar_t Letter : Text) {
        if (Letter == L'\n') {
            Result += L'\r';
        }
        if (Letter != L'\r') {
            Result += Letter;
        }
    }
    return Result;
}

} // namespace

std::string BuiltInHelpText() {
    const HMODULE Module = GetModuleHandleW(nullptr);
    const HRSRC Found = FindResourceW(Module, L"HELPTEXT", MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL Loaded = Found != nullptr ? LoadResource(Module, Found) : nullptr;
    const void* Bytes = Loaded != nullptr ? LockResource(Loaded) : nullptr;
    if (Bytes == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(Bytes), SizeofResource(Module, Found));
}

THelpWindow::THelpWindow(HWND Owner) {
    const UINT Dpi = WindowDpi(Owner);
    CreateWindowOf(
        {L"VelmoraHelp", 0, COLOR_BTNFACE + 1}, 0, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, Owner,
        Box(CW_USEDEFAULT, CW_USEDEFAULT, Scaled(WindowWidth, Dpi), Scaled(WindowHeight, Dpi)));
    SetWindowTextTo(Handle(), SHelpCaption);
    Fonts = std::make_unique<TFormFonts>(WindowDpi(Handle()));
    Pane = CreateChild(Handle(), MSFTEDIT_CLASS, "",
                       WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, 0,
                       WS_EX_CLIENTEDGE);
    Close = CreateChild(Handle(), WC_BUTTONW, SCloseButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP,
                        IDCANCEL);
    SetControlFont(Pane, Fonts->Normal());
    SetControlFont(Close, Fonts->Normal());
    const std::string Help = BuiltInHelpText();
    SetWindowTextW(Pane, WithCrLf(Wide(Help.empty() ? SHelpNotFound : Help)).c_str());
    Layout();
}

void THelpWindow::Present() {
    ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Handle());
}

void THelpWindow::Layout() {
    const UINT Dpi = WindowDpi(Handle());
    const RECT Client = ClientRect(Handle());
    const int Gap = Scaled(Margin, Dpi);
    const int ButtonTop = Client.bottom - Gap - Scaled(ButtonHeight, Dpi);
    Place(Pane, RECT{Gap, Gap, Client.right - Gap, ButtonTop - Gap});
    Place(Close, Box(Client.right - Gap - Scaled(ButtonWidth, Dpi), ButtonTop,
                     Scaled(ButtonWidth, Dpi), Scaled(ButtonHeight, Dpi)));
}

LRESULT THelpWindow::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        if (LOWORD(WParam) == IDCANCEL) {
            ShowWindow(Handle(), SW_HIDE);
        }
        return 0;
    case WM_CLOSE:
        // Hidden, to be shown again as it was.
        ShowWindow(Handle(), SW_HIDE);
        return 0;
    default:
        return DefaultHandling(Message, WParam, LParam);
    }
}
