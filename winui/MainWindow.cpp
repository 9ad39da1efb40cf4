// The main window's frame: its making and ending, its layout, its messages, its close, the
// command states the model shows in its menus and buttons, and what it hands to the model.
#include "winui/MainWindow.h"

#include "common/ResourseStrings.h"
#include "operations/MainWindowModel.h"
#include "operations/Session.h"
#include "winui/ChipMapView.h"
#include "winui/CommandIds.h"
#include "winui/CommandKeys.h"
#include "winui/DumpView.h"
#include "winui/HelpWindow.h"
#include "winui/ImageGroup.h"
#include "winui/InfoPane.h"
#include "winui/MessageLoop.h"
#include "winui/OpenQuestion.h"
#include "winui/PortDeviceNotices.h"
#include "winui/StatusBar.h"
#include "winui/ToolBar.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>

namespace {

// Design measures (at 96 dots per inch), as the Qt window has them: the client area without
// the menu bar, the image group and the pages below the tool bar.
constexpr int ClientWidth = 407;
constexpr int ClientHeight = 400;
constexpr int GroupTop = 5;
constexpr int GroupHeight = 134;
constexpr int PagesTop = 146;
constexpr int EdgeGap = 8;
// The smallest window is given for the whole window.
constexpr int SmallestWindowWidth = 415;
constexpr int SmallestWindowHeight = 337;

constexpr DWORD WindowStyle = WS_OVERLAPPEDWINDOW;

} // namespace

TMainWindow::TMainWindow(TSession& Session)
    : Session(Session), Model(std::make_unique<TMainWindowModel>(Session, *this, *this)),
      ApplicationTitle(SProductName) {
    SetDefaultInteraction();
    CreateWindowOf({L"VelmoraMainWindow", 0, COLOR_BTNFACE + 1, L"VELMORA"}, 0, WindowStyle,
                   nullptr, Box(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0));
    CreateFrame();
    PlaceInitially();
    Model->Start();
}

TMainWindow::~TMainWindow() {
    // A question still open is answered by nobody once the model is gone.
    AskedQuestion.reset();
    Model.reset();
    DestroyHandle();
}

void TMainWindow::CreateFrame() {
    Dpi = WindowDpi(Handle());
    Fonts = std::make_unique<TFormFonts>(Dpi);
    SetWindowTextTo(Handle(), SMainFormCaption);
    Menu = std::make_unique<TMainMenu>(Dpi);
    Menu->Attach(Handle());
    Keys = MakeCommandAccelerators();
    Tools = std::make_unique<TToolBar>(Handle(), Dpi);
    Image = std::make_unique<TImageGroup>(Handle(), Dpi);
    CreatePages();
    Status = std::make_unique<TStatusBar>(Handle(), Dpi);
    SetControlFont(Tools->Handle(), Fonts->Normal());
    SetControlFont(Status->Handle(), Fonts->Normal());
}

// The designed size, higher by what the chip map lacks to show every page at its preferred
// size, in the middle of the work area of the window's monitor, and never larger: at a high
// scale on a small screen the chip map scrolls rather than the window leaving the screen.
void TMainWindow::PlaceInitially() {
    RECT Frame = Box(0, 0, Scaled(ClientWidth, Dpi), Scaled(ClientHeight, Dpi));
    AdjustWindowRectExForDpi(&Frame, WindowStyle, TRUE, 0, Dpi);
    SetWindowPos(Handle(), nullptr, 0, 0, Width(Frame), Height(Frame),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT Pages{};
    GetWindowRect(TabControl, &Pages);
    const int Lacking = PagesHeightForTheChipMap() - Height(Pages);
    RECT Shown{};
    GetWindowRect(Handle(), &Shown);
    const RECT Work = WorkAreaNear(Shown);
    const int WindowHeight = Height(Frame) + std::max(Lacking, 0);
    MoveWithin(Box(Work.left + (Width(Work) - Width(Frame)) / 2,
                   Work.top + (Height(Work) - WindowHeight) / 2, Width(Frame), WindowHeight));
}

void TMainWindow::MoveWithin(const RECT& Wanted) {
    const RECT Placed = FittedInto(Wanted, WorkAreaNear(Wanted));
    SetWindowPos(Handle(), nullptr, Placed.left, Placed.top, Width(Placed), Height(Placed),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainWindow::Show(int ShowCommand) {
    ShowWindow(Handle(), ShowCommand);
    UpdateWindow(Handle());
}

bool TMainWindow::TranslateInput(MSG& Message) {
    // While a question waits for its answer, the keyboard is its alone.
    if (AskedQuestion != nullptr && AskedQuestion->IsWaiting()) {
        return AskedQuestion->TranslateInput(Message);
    }
    // The help window's keys are its own: Esc there closes it rather than stopping an operation.
    if (Help != nullptr && Help->IsOpen() && Help->TranslateInput(Message)) {
        return true;
    }
    if (IsOpen() && TranslateAcceleratorW(Handle(), Keys.Get(), &Message) != 0) {
        return true;
    }
    // Tab moves between the window's controls; every other key stays with the control or the
    // menu it is meant for.
    const bool TabKey = Message.message == WM_KEYDOWN && Message.wParam == VK_TAB;
    return TabKey && IsOpen() && IsDialogMessageW(Handle(), &Message) != 0;
}

int TMainWindow::Run() {
    return RunMessageLoop(Handle(), [this](MSG& Message) { return TranslateInput(Message); });
}

// ---- Layout ----

void TMainWindow::Layout() {
    if (Tools == nullptr || Status == nullptr) {
        return;
    }
    const RECT Client = ClientRect(Handle());
    const int Top = Tools->Fit();
    const int Bottom = Client.bottom - Status->Fit();
    const int Gap = Scaled(EdgeGap, Dpi);
    Image->Layout(RECT{Gap, Top + Scaled(GroupTop, Dpi), Client.right - Scaled(6, Dpi),
                       Top + Scaled(GroupTop + GroupHeight, Dpi)},
                  Dpi, *Fonts);
    LayoutPages(RECT{Gap, Top + Scaled(PagesTop, Dpi), Client.right - Scaled(4, Dpi),
                     std::max(Top + Scaled(PagesTop, Dpi), Bottom - Scaled(5, Dpi))});
}

// The smallest size, but no larger than the work area.
void TMainWindow::LimitSize(MINMAXINFO& Limits) const {
    RECT Bounds{};
    GetWindowRect(Handle(), &Bounds);
    const RECT Work = WorkAreaNear(Bounds);
    Limits.ptMinTrackSize.x = std::min<LONG>(Scaled(SmallestWindowWidth, Dpi), Width(Work));
    Limits.ptMinTrackSize.y = std::min<LONG>(Scaled(SmallestWindowHeight, Dpi), Height(Work));
}

// Moved to a monitor of another resolution: the window takes the size Windows suggests (within
// that monitor's work area: the size scaled up may not fit there), and its fonts and measures
// follow.
void TMainWindow::ChangeDpi(UINT NewDpi, const RECT& Suggested) {
    Dpi = NewDpi;
    Fonts = std::make_unique<TFormFonts>(Dpi);
    Tools->SetDpi(Dpi);
    Status->SetDpi(Dpi);
    for (HWND Control :
         {Tools->Handle(), Status->Handle(), TabControl, Info->Handle(), ShowDumpButton}) {
        SetControlFont(Control, Fonts->Normal());
    }
    SetControlFont(DumpNote, Fonts->Small());
    SetControlFont(Dump->Handle(), Fonts->Mono());
    Dump->FitColumn(Fonts->Mono());
    Legend->SetFont(Fonts->Normal());
    MoveWithin(Suggested);
    Layout();
}

// ---- Messages ----

LRESULT TMainWindow::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_COMMAND:
        if (HandleCommand(WParam)) {
            return 0;
        }
        break;
    case WM_NOTIFY:
        return HandleNotice(*reinterpret_cast<const NMHDR*>(LParam));
    case WM_SIZE:
        // A minimised window keeps its layout for when it comes back.
        if (WParam != SIZE_MINIMIZED) {
            Layout();
        }
        return 0;
    case WM_GETMINMAXINFO:
        LimitSize(*reinterpret_cast<MINMAXINFO*>(LParam));
        return 0;
    case WM_DPICHANGED:
        ChangeDpi(HIWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
        return 0;
    case WM_CTLCOLORSTATIC: {
        const auto Control = reinterpret_cast<HWND>(LParam);
        const auto Context = reinterpret_cast<HDC>(WParam);
        if (const std::optional<HBRUSH> Brush = Image->ControlColor(Control, Context)) {
            return reinterpret_cast<LRESULT>(*Brush);
        }
        if (const std::optional<HBRUSH> Brush = PageControlColor(Control, Context)) {
            return reinterpret_cast<LRESULT>(*Brush);
        }
        break;
    }
    case WM_DEVICECHANGE:
        if (const std::optional<TPortDeviceNotice> Notice = PortDeviceNoticeOf(WParam, LParam)) {
            if (Notice->Arrived) {
                PortArrived(Notice->Name);
            } else {
                PortRemoved(Notice->Name, {});
            }
        }
        return TRUE;
    case WM_CLOSE:
        // During an operation the model asks, and closes the window once it has stopped.
        if (Model != nullptr && Model->CloseRequested()) {
            DestroyHandle();
        }
        return 0;
    default:
        break;
    }
    return DefaultHandling(Message, WParam, LParam);
}

// Menus, keys, tool bar buttons and the window's own buttons give the model's commands.
bool TMainWindow::HandleCommand(WPARAM WParam) {
    const int Code = HIWORD(WParam);
    const std::optional<TWindowCommand> Command = CommandOfId(LOWORD(WParam));
    if (!Command || (Code != 0 && Code != 1)) {
        return false;
    }
    Model->Execute(*Command);
    return true;
}

LRESULT TMainWindow::HandleNotice(const NMHDR& Notice) {
    if (Notice.hwndFrom == Tools->Handle() && Notice.code == TBN_DROPDOWN) {
        return Tools->ShowDropDown(reinterpret_cast<const NMTOOLBARW&>(Notice)) ? TBDDRET_DEFAULT
                                                                                : TBDDRET_NODEFAULT;
    }
    if (Notice.hwndFrom == Tools->Handle() && Notice.code == TBN_GETINFOTIPW) {
        Tools->GiveTip(
            const_cast<NMTBGETINFOTIPW&>(reinterpret_cast<const NMTBGETINFOTIPW&>(Notice)));
        return 0;
    }
    if (Notice.hwndFrom == TabControl && Notice.code == TCN_SELCHANGE) {
        SelectPage(SelectedPage());
        return 0;
    }
    if (Notice.hwndFrom == Dump->Handle() && Notice.code == LVN_GETDISPINFOW) {
        Dump->GiveText(const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(Notice)));
        return 0;
    }
    return 0;
}

void TMainWindow::ReportError(const std::exception& Error) {
    if (Model != nullptr) {
        Model->ReportError(Error);
    }
}

// ---- The model's commands ----

void TMainWindow::UpdateActions(const TActionFlags& Flags) {
    Model->ShowImageActions(Flags);
}

void TMainWindow::ShowCommandStates(const TWindowCommandStates& States) {
    Menu->ShowStates(States);
    Tools->ShowStates(States);
    Image->EnableLoading(States[TWindowCommand::LoadImage].Enabled);
    EnableWindow(ShowDumpButton, States[TWindowCommand::ShowImage].Enabled);
}

void TMainWindow::Repaint() {
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TMainWindow::CloseWindow() {
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TMainWindow::ProcessPendingInput() {
    HandlePendingMessages([this](MSG& Message) { return TranslateInput(Message); });
}

// ---- The image group ----

void TMainWindow::ShowStatePicture(TStatePicture Picture, bool /*ClearFirst*/) {
    // The picture is replaced as a whole: nothing of the previous one stays either way.
    Image->ShowPicture(Picture);
}

void TMainWindow::SetStateLabel(const std::string& Text) {
    Image->SetStateLabel(Text);
}

void TMainWindow::SetPageCountLabel(const std::string& Text) {
    Image->SetPageCountLabel(Text);
}

void TMainWindow::SetPageLengthLabel(const std::string& Text) {
    Image->SetPageLengthLabel(Text);
}

void TMainWindow::SetFileNameText(const std::string& FullPath) {
    Image->SetFileName(FullPath);
}

// ---- The status bar and the title ----

void TMainWindow::SetProgressPosition(int Percent) {
    Status->SetProgress(Percent);
}

void TMainWindow::SetStatusPanelText(int Panel, const std::string& Text) {
    Status->SetPanelText(Panel, Text);
}

void TMainWindow::SetApplicationTitle(const std::string& Title) {
    ApplicationTitle = Title;
    SetWindowTextTo(Handle(), Title == SProductName ? SMainFormCaption : Title);
}

// ---- Serial ports arriving and leaving ----

void TMainWindow::PortArrived(const std::string& Name) {
    Model->PortArrived(Name);
}

void TMainWindow::PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) {
    Model->PortRemoved(Name, OtherNames);
}
