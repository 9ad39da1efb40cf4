#include "winui/DialogWindow.h"

#include "winui/MessageLoop.h"
#include "winui/WinText.h"

void TDialogWindow::Open(HWND Owner, const std::string& Title, SIZE DesignClientSize) {
    OwnerWindow = Owner;
    constexpr DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    CreateWindowOf({L"VelmoraDialog", 0, COLOR_BTNFACE + 1}, ExStyle, Style, Owner,
                   RECT{0, 0, 100, 100});
    SetWindowTextTo(Handle(), Title);
    FormFonts = std::make_unique<TFormFonts>(Dpi());
    RECT Frame = Box(0, 0, S(DesignClientSize.cx), S(DesignClientSize.cy));
    AdjustWindowRectExForDpi(&Frame, Style, FALSE, ExStyle, Dpi());
    SetWindowPos(Handle(), nullptr, 0, 0, Width(Frame), Height(Frame),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    Layout();
}

HWND TDialogWindow::AddControl(const wchar_t* Class, const std::string& Text, DWORD Style, int Id,
                               DWORD ExStyle) {
    const HWND Control = CreateChild(Handle(), Class, Text, Style, Id, ExStyle);
    SetControlFont(Control, FormFonts->Normal());
    return Control;
}

std::string TDialogWindow::Title() const {
    return WindowTextOf(Handle());
}

void TDialogWindow::CentreOverOwner() {
    RECT Over{};
    if (OwnerWindow == nullptr || !GetWindowRect(OwnerWindow, &Over)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &Over, 0);
    }
    RECT Frame{};
    GetWindowRect(Handle(), &Frame);
    SetWindowPos(Handle(), nullptr, Over.left + (Width(Over) - Width(Frame)) / 2,
                 Over.top + (Height(Over) - Height(Frame)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TDialogWindow::RunModal() {
    Ended = false;
    CentreOverOwner();
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    Shown();
    RunModalLoop(Handle(), OwnerWindow, [this] { return Ended; });
    return EndResult;
}

void TDialogWindow::ShowWithoutWaiting() {
    Ended = false;
    CentreOverOwner();
    if (OwnerWindow != nullptr) {
        EnableWindow(OwnerWindow, FALSE);
    }
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    Shown();
}

void TDialogWindow::End(int Result) {
    if (Result == IDOK && !Accept()) {
        return;
    }
    EndResult = Result;
    Ended = true;
    if (OwnerWindow != nullptr) {
        EnableWindow(OwnerWindow, TRUE);
    }
    ShowWindow(Handle(), SW_HIDE);
}

LRESULT TDialogWindow::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_COMMAND: {
        const int Id = LOWORD(WParam);
        if (Id == IDOK || Id == IDCANCEL) {
            End(Id);
        } else {
            ControlCommand(Id, HIWORD(WParam), reinterpret_cast<HWND>(LParam));
        }
        return 0;
    }
    case WM_CLOSE:
        End(IDCANCEL);
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_CTLCOLORSTATIC:
        if (const HBRUSH Brush =
                StaticColor(reinterpret_cast<HWND>(LParam), reinterpret_cast<HDC>(WParam))) {
            return reinterpret_cast<LRESULT>(Brush);
        }
        break;
    default:
        break;
    }
    return DefaultHandling(Message, WParam, LParam);
}
