#include "winui/DialogWindow.h"

#include "winui/MessageLoop.h"
#include "winui/Mnemonics.h"
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

void TDialogWindow::SetClientSize(SIZE Size) {
    RECT Frame = Box(0, 0, Size.cx, Size.cy);
    AdjustWindowRectExForDpi(&Frame, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
                             FALSE, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)),
                             Dpi());
    SetWindowPos(Handle(), nullptr, 0, 0, Width(Frame), Height(Frame),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string TDialogWindow::Title() const {
    return WindowTextOf(Handle());
}

void TDialogWindow::CentreOverOwner() {
    RECT Frame{};
    GetWindowRect(Handle(), &Frame);
    RECT Over{};
    if (OwnerWindow == nullptr || !GetWindowRect(OwnerWindow, &Over)) {
        Over = WorkAreaNear(Frame);
    }
    const RECT Centred =
        Box(Over.left + (Width(Over) - Width(Frame)) / 2,
            Over.top + (Height(Over) - Height(Frame)) / 2, Width(Frame), Height(Frame));
    const RECT Placed = FittedInto(Centred, WorkAreaNear(Over));
    SetWindowPos(Handle(), nullptr, Placed.left, Placed.top, Width(Placed), Height(Placed),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int TDialogWindow::RunModal() {
    Ended = false;
    CentreOverOwner();
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
    Shown();
    RunModalLoop(
        Handle(), OwnerWindow, [this] { return Ended; },
        [this](MSG& Message) { return TranslateInput(Message); });
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

bool TDialogWindow::TranslateInput(MSG& Message) {
    const bool Mine = Message.hwnd == Handle() || IsChild(Handle(), Message.hwnd);
    if (Mine && Message.message == WM_SYSCHAR &&
        PressMnemonic(Handle(), static_cast<wchar_t>(Message.wParam))) {
        return true;
    }
    return IsDialogMessageW(Handle(), &Message) != 0;
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
        // Pressed, by a click or a key; a button's other notices are the derived dialog's.
        if ((Id == IDOK || Id == IDCANCEL) && HIWORD(WParam) == BN_CLICKED) {
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
        return MAKELRESULT(DefaultButton(), DC_HASDEFID);
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
