#include "winui/PagesRangeDialog.h"

#include "common/ResourseStrings.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

constexpr int FormWidth = 281;
constexpr int FormHeight = 105;
constexpr int StartEditId = 101;
constexpr int EndEditId = 102;
constexpr UINT_PTR KeyFilterId = 1;

bool IsDigit(WPARAM Character) {
    return Character >= L'0' && Character <= L'9';
}

// Backspace, Tab, Enter, Esc and the Ctrl letters (copy, paste...) edit the field or belong to
// the dialog; they type nothing.
bool IsControlCharacter(WPARAM Character) {
    return Character < L' ';
}

void SetCueBanner(HWND Edit, const std::string& Text) {
    SendMessageW(Edit, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(Wide(Text).c_str()));
}

} // namespace

TPagesRangeDialog::TPagesRangeDialog(HWND Owner, const std::string& Title, int MinIndex,
                                     int MaxIndex)
    : FirstIndex(MinIndex), LastIndex(MaxIndex) {
    Open(Owner, Title, SIZE{FormWidth, FormHeight});
    Validate();
}

void TPagesRangeDialog::CreateControls() {
    FromLabel = AddControl(WC_STATICW, SPagesRangeFrom, SS_LEFT);
    ToLabel = AddControl(WC_STATICW, SPagesRangeTo, SS_LEFT);
    StartEdit =
        AddControl(WC_EDITW, "", ES_AUTOHSCROLL | WS_TABSTOP, StartEditId, WS_EX_CLIENTEDGE);
    EndEdit = AddControl(WC_EDITW, "", ES_AUTOHSCROLL | WS_TABSTOP, EndEditId, WS_EX_CLIENTEDGE);
    SetCueBanner(StartEdit, FormatText(SStartIndexHint, FirstIndex));
    SetCueBanner(EndEdit, FormatText(SEndIndexHint, LastIndex));
    for (HWND Edit : {StartEdit, EndEdit}) {
        SetWindowSubclass(Edit, &TPagesRangeDialog::FilterKeys, KeyFilterId,
                          reinterpret_cast<DWORD_PTR>(this));
    }
    Note = AddControl(WC_STATICW, "", SS_LEFT | SS_NOPREFIX);
    SetControlFont(Note, Fonts().Small());
    Bevel = AddControl(WC_STATICW, "", SS_ETCHEDHORZ);
    // In the keyboard's order: OK before Cancel.
    Ok = AddControl(WC_BUTTONW, SOKButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    Cancel = AddControl(WC_BUTTONW, SCancelButtonCaption, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
}

void TPagesRangeDialog::Layout() {
    Place(FromLabel, Box(S(8), S(8), S(121), S(14)));
    Place(ToLabel, Box(S(152), S(8), S(121), S(14)));
    Place(StartEdit, Box(S(8), S(24), S(121), S(21)));
    Place(EndEdit, Box(S(152), S(24), S(121), S(21)));
    Place(Note, Box(S(8), S(48), S(FormWidth - 16), S(14)));
    Place(Bevel, Box(0, S(64), S(FormWidth), S(2)));
    Place(Ok, Box(S(200), S(72), S(75), S(25)));
    Place(Cancel, Box(S(112), S(72), S(75), S(25)));
}

// Each use begins at the first page, its text selected to be typed over.
void TPagesRangeDialog::Shown() {
    SetFocus(StartEdit);
    SendMessageW(StartEdit, EM_SETSEL, 0, -1);
}

bool TPagesRangeDialog::Validate() {
    Verdict = CheckPageRange(WindowTextOf(StartEdit), WindowTextOf(EndEdit), FirstIndex, LastIndex);
    ShowNote(Verdict.Note, Verdict.Acceptable ? AcceptedColor : ComplaintColor);
    EnableWindow(Ok, Verdict.Acceptable);
    return Verdict.Acceptable;
}

std::optional<TPageRange> TPagesRangeDialog::ChosenRange() const {
    if (!HasEnded() || Result() != IDOK || !Verdict.Acceptable) {
        return std::nullopt;
    }
    return Verdict.Range;
}

std::pair<std::string, std::string> TPagesRangeDialog::Texts() const {
    return {WindowTextOf(StartEdit), WindowTextOf(EndEdit)};
}

void TPagesRangeDialog::SetTexts(const std::pair<std::string, std::string>& Texts) {
    SetWindowTextTo(StartEdit, Texts.first);
    SetWindowTextTo(EndEdit, Texts.second);
    Validate();
}

void TPagesRangeDialog::ShowNote(const std::string& Text, TColor Color) {
    NoteTextColor = Color;
    SetWindowTextTo(Note, Text);
    InvalidateRect(Note, nullptr, TRUE);
}

void TPagesRangeDialog::ControlCommand(int Id, int Code, HWND /*Control*/) {
    if ((Id == StartEditId || Id == EndEditId) && Code == EN_CHANGE) {
        Validate();
    }
}

HBRUSH TPagesRangeDialog::StaticColor(HWND Control, HDC Context) {
    if (Control != Note) {
        return nullptr;
    }
    SetTextColor(Context, NoteTextColor);
    SetBkColor(Context, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT CALLBACK TPagesRangeDialog::FilterKeys(HWND Edit, UINT Message, WPARAM WParam,
                                               LPARAM LParam, UINT_PTR /*Id*/, DWORD_PTR Dialog) {
    if (Message == WM_CHAR && !IsDigit(WParam) && !IsControlCharacter(WParam)) {
        reinterpret_cast<TPagesRangeDialog*>(Dialog)->ShowNote(SInvalidCharacters, ComplaintColor);
        return 0;
    }
    if (Message == WM_NCDESTROY) {
        RemoveWindowSubclass(Edit, &TPagesRangeDialog::FilterKeys, KeyFilterId);
    }
    return DefSubclassProc(Edit, Message, WParam, LParam);
}
