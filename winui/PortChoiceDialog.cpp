#include "winui/PortChoiceDialog.h"

#include "common/ResourseStrings.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>

namespace {

constexpr int FormMinimumWidth = 420;
constexpr int Margin = 9;
constexpr int LabelHeight = 14;
constexpr int EditHeight = 21;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int Gap = 6;
constexpr int ListRows = 6;
constexpr int PortListId = 101;

} // namespace

TPortChoiceDialog::TPortChoiceDialog(HWND Owner, const std::string& PortName,
                                     std::vector<TPortChoice> Choices)
    : Ports(std::move(Choices)) {
    Open(Owner, SComPortInputCaption, SIZE{FormMinimumWidth, 200});
    SetWindowTextTo(NameEdit, PortName);
}

void TPortChoiceDialog::CreateControls() {
    Prompt = AddControl(WC_STATICW, SComPortInputPrompt, SS_LEFT);
    NameEdit = AddControl(WC_EDITW, "", ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_CLIENTEDGE);
    ListLabel = AddControl(WC_STATICW, SPortChoiceListCaption, SS_LEFT);
    List = AddControl(WC_LISTBOXW, "",
                      LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                      PortListId, WS_EX_CLIENTEDGE);
    for (const TPortChoice& Choice : Ports) {
        SendMessageW(List, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Wide(PortChoiceText(Choice)).c_str()));
    }
    Ok = AddControl(WC_BUTTONW, SOKButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    Cancel = AddControl(WC_BUTTONW, SCancelButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    if (Ports.empty()) {
        ShowWindow(ListLabel, SW_HIDE);
        ShowWindow(List, SW_HIDE);
    }
}

int TPortChoiceDialog::ListWidth() const {
    int Widest = 0;
    for (const TPortChoice& Choice : Ports) {
        Widest = std::max(
            Widest,
            static_cast<int>(TextExtent(List, Fonts().Normal(), Wide(PortChoiceText(Choice))).cx));
    }
    const int Extra = GetSystemMetricsForDpi(SM_CXVSCROLL, Dpi()) + S(8);
    return MulDiv(Widest + Extra, static_cast<int>(DesignDpi), static_cast<int>(Dpi()));
}

// As wide as the longest entry, so that no description is cut off.
void TPortChoiceDialog::Layout() {
    const int ClientWidth = std::max(FormMinimumWidth, ListWidth() + 2 * Margin);
    const int Inner = ClientWidth - 2 * Margin;
    int Top = Margin;
    Place(Prompt, Box(S(Margin), S(Top), S(Inner), S(LabelHeight)));
    Top += LabelHeight + 2;
    Place(NameEdit, Box(S(Margin), S(Top), S(Inner), S(EditHeight)));
    Top += EditHeight + Gap;
    if (!Ports.empty()) {
        Place(ListLabel, Box(S(Margin), S(Top), S(Inner), S(LabelHeight)));
        Top += LabelHeight + 2;
        const int Rows = std::clamp(static_cast<int>(Ports.size()), 2, ListRows);
        const int ListHeight = Rows * LabelHeight + 6;
        Place(List, Box(S(Margin), S(Top), S(Inner), S(ListHeight)));
        Top += ListHeight + Gap;
    }
    Place(Ok, Box(S(ClientWidth - Margin - 2 * ButtonWidth - Gap), S(Top), S(ButtonWidth),
                  S(ButtonHeight)));
    Place(Cancel,
          Box(S(ClientWidth - Margin - ButtonWidth), S(Top), S(ButtonWidth), S(ButtonHeight)));
    Top += ButtonHeight + Margin;
    RECT Frame = Box(0, 0, S(ClientWidth), S(Top));
    AdjustWindowRectExForDpi(&Frame, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
                             FALSE, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)),
                             Dpi());
    SetWindowPos(Handle(), nullptr, 0, 0, Width(Frame), Height(Frame),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPortChoiceDialog::Shown() {
    SetFocus(NameEdit);
    SendMessageW(NameEdit, EM_SETSEL, 0, -1);
}

void TPortChoiceDialog::ControlCommand(int Id, int Code, HWND /*Control*/) {
    if (Id != PortListId) {
        return;
    }
    if (Code == LBN_SELCHANGE) {
        SelectionChanged();
    } else if (Code == LBN_DBLCLK) {
        SelectionChanged();
        End(IDOK);
    }
}

void TPortChoiceDialog::SelectionChanged() {
    const auto Selected = static_cast<int>(SendMessageW(List, LB_GETCURSEL, 0, 0));
    if (Selected >= 0 && static_cast<std::size_t>(Selected) < Ports.size()) {
        SetWindowTextTo(NameEdit, Ports[static_cast<std::size_t>(Selected)].Port.Path);
    }
}

std::string TPortChoiceDialog::PortName() const {
    return WindowTextOf(NameEdit);
}
