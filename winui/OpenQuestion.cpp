#include "winui/OpenQuestion.h"

#include "common/ResourseStrings.h"

#include "winui/WindowsApi.h"

#include <utility>

namespace {

constexpr int FormWidth = 340;
constexpr int FormHeight = 97;
constexpr int Margin = 12;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 23;
constexpr int ButtonGap = 6;
// Three lines of the form's font.
constexpr int QuestionHeight = 42;

} // namespace

TOpenQuestion::TOpenQuestion(HWND Owner, const std::string& Question, TAnswered Answered)
    : Question(Question), Answered(std::move(Answered)) {
    Open(Owner, SConfirmationCaption, SIZE{FormWidth, FormHeight});
    ShowWithoutWaiting();
}

void TOpenQuestion::CreateControls() {
    Label = AddControl(WC_STATICW, Question, SS_LEFT | SS_NOPREFIX);
    // Yes ends the dialog with IDOK, No (and Esc, and the close box) with IDCANCEL.
    Yes = AddControl(WC_BUTTONW, SYesButtonCaption, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK);
    No = AddControl(WC_BUTTONW, SNoButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL);
}

void TOpenQuestion::Layout() {
    Place(Label, Box(S(Margin), S(Margin), S(FormWidth - 2 * Margin), S(QuestionHeight)));
    const int ButtonTop = FormHeight - Margin - ButtonHeight;
    const int NoLeft = FormWidth - Margin - ButtonWidth;
    Place(No, Box(S(NoLeft), S(ButtonTop), S(ButtonWidth), S(ButtonHeight)));
    Place(Yes,
          Box(S(NoLeft - ButtonGap - ButtonWidth), S(ButtonTop), S(ButtonWidth), S(ButtonHeight)));
}

void TOpenQuestion::Shown() {
    SetFocus(No);
}

bool TOpenQuestion::TranslateInput(MSG& Message) {
    return IsWaiting() && TDialogWindow::TranslateInput(Message);
}

LRESULT TOpenQuestion::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    if (Message == DM_GETDEFID) {
        return MAKELRESULT(IDCANCEL, DC_HASDEFID);
    }
    const LRESULT Handled = TDialogWindow::HandleMessage(Message, WParam, LParam);
    if (HasEnded() && Answered) {
        SetActiveWindow(Owner());
        std::exchange(Answered, nullptr)(Result() == IDOK);
    }
    return Handled;
}
