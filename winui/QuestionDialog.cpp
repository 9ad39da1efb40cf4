#include "winui/QuestionDialog.h"

#include "common/ResourseStrings.h"
#include "winui/Mnemonics.h"
#include "winui/WinText.h"

#include <algorithm>
#include <utility>

namespace {

// Design measures (at 96 dots per inch).
constexpr int Margin = 11;
constexpr int SignSize = 32;
constexpr int SignGap = 10;
constexpr int MaxQuestionWidth = 340;
// Room beside the measured question: a static control may draw its text a little wider than
// the text's measure (with other glyph positions).
constexpr int QuestionSlack = 12;
constexpr int CheckBoxGap = 10;
constexpr int CheckBoxHeight = 17;
constexpr int CheckBoxPadding = 24;
constexpr int ButtonsGap = 14;
constexpr int ButtonHeight = 23;
constexpr int ButtonWidth = 75;
constexpr int ButtonPadding = 16;
constexpr int ButtonSpacing = 6;

const wchar_t* SignResource(TQuestionDialog::TSign Sign) {
    // IDI_QUESTION and IDI_WARNING.
    return MAKEINTRESOURCEW(Sign == TQuestionDialog::TSign::Question ? 32514 : 32515);
}

} // namespace

TQuestionDialog::TQuestionDialog(HWND Owner, const std::string& Question, TSign Sign,
                                 std::vector<TButton> Buttons, int DefaultId,
                                 const std::string& CheckBoxCaption)
    : Question(Question), Sign(Sign), Buttons(std::move(Buttons)), DefaultId(DefaultId),
      CheckBoxCaption(CheckBoxCaption) {
    // Sized by Layout once the texts can be measured.
    Open(Owner, SConfirmationCaption, SIZE{MaxQuestionWidth, SignSize});
}

bool TQuestionDialog::IsChecked() const {
    return Check != nullptr && SendMessageW(Check, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND TQuestionDialog::Button(int Id) const {
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        if (Buttons[Index].Id == Id) {
            return ButtonWindows[Index];
        }
    }
    return nullptr;
}

void TQuestionDialog::CreateControls() {
    // The system's own sign, shared (never destroyed), drawn at the control's size.
    const HANDLE Icon =
        LoadImageW(nullptr, SignResource(Sign), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    SignPicture = AddControl(WC_STATICW, "", SS_ICON | SS_REALSIZECONTROL);
    SendMessageW(SignPicture, STM_SETICON, reinterpret_cast<WPARAM>(Icon), 0);
    Label = AddControl(WC_STATICW, Question, SS_LEFT | SS_NOPREFIX);

    // The Alt letters are chosen over the buttons and the check box together.
    std::vector<std::wstring> Captions;
    for (const TButton& Spec : Buttons) {
        Captions.push_back(Wide(Spec.Caption));
    }
    if (!CheckBoxCaption.empty()) {
        Captions.push_back(Wide(CheckBoxCaption));
    }
    Captions = WithMnemonics(Captions);
    if (!CheckBoxCaption.empty()) {
        Check = AddControl(WC_BUTTONW, Narrow(Captions.back()), BS_AUTOCHECKBOX | WS_TABSTOP);
    }
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        ButtonWindows.push_back(AddControl(WC_BUTTONW, Narrow(Captions[Index]),
                                           BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP,
                                           Buttons[Index].Id));
    }
    MarkDefault(DefaultId);
}

SIZE TQuestionDialog::QuestionSize() const {
    const TWindowContext Context(Label);
    const TSelection Selected(Context.Get(), Fonts().Normal());
    RECT Bounds = Box(0, 0, S(MaxQuestionWidth), 0);
    const std::wstring Text = Wide(Question);
    DrawTextW(Context.Get(), Text.c_str(), static_cast<int>(Text.size()), &Bounds,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return SIZE{Width(Bounds) + S(QuestionSlack), Height(Bounds)};
}

// The sign and the question side by side, the check box below the question, the buttons in a
// row at the right below everything.
void TQuestionDialog::Layout() {
    const SIZE Text = QuestionSize();
    const int TextLeft = S(Margin + SignSize + SignGap);
    const int ContentHeight = std::max<int>(S(SignSize), Text.cy);
    Place(SignPicture, Box(S(Margin), S(Margin), S(SignSize), S(SignSize)));
    Place(Label, Box(TextLeft, S(Margin) + (ContentHeight - Text.cy) / 2, Text.cx, Text.cy));
    int Bottom = S(Margin) + ContentHeight;
    int Right = TextLeft + Text.cx;
    if (Check != nullptr) {
        const int CheckWidth =
            TextExtent(Check, Fonts().Normal(), Wide(CheckBoxCaption)).cx + S(CheckBoxPadding);
        Place(Check, Box(TextLeft, Bottom + S(CheckBoxGap), CheckWidth, S(CheckBoxHeight)));
        Bottom += S(CheckBoxGap + CheckBoxHeight);
        Right = std::max(Right, TextLeft + CheckWidth);
    }

    std::vector<int> Widths;
    int RowWidth = 0;
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        const int TextWidth =
            TextExtent(ButtonWindows[Index], Fonts().Normal(), Wide(Buttons[Index].Caption)).cx;
        Widths.push_back(std::max(S(ButtonWidth), TextWidth + S(ButtonPadding)));
        RowWidth += Widths.back() + (Index > 0 ? S(ButtonSpacing) : 0);
    }
    const int ClientWidth = std::max(Right, S(Margin) + RowWidth) + S(Margin);
    const int ButtonsTop = Bottom + S(ButtonsGap);
    int Left = ClientWidth - S(Margin) - RowWidth;
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        Place(ButtonWindows[Index], Box(Left, ButtonsTop, Widths[Index], S(ButtonHeight)));
        Left += Widths[Index] + S(ButtonSpacing);
    }
    SetClientSize(SIZE{ClientWidth, ButtonsTop + S(ButtonHeight + Margin)});
}

void TQuestionDialog::Shown() {
    SetFocus(Button(DefaultId));
}

void TQuestionDialog::ControlCommand(int Id, int Code, HWND Control) {
    const bool OwnButton =
        std::find(ButtonWindows.begin(), ButtonWindows.end(), Control) != ButtonWindows.end();
    if (!OwnButton) {
        return;
    }
    switch (Code) {
    case BN_CLICKED:
        End(Id);
        break;
    // The focused button is the one Enter presses, as in the system's dialogs.
    case BN_SETFOCUS:
        MarkDefault(Id);
        break;
    case BN_KILLFOCUS:
        MarkDefault(DefaultId);
        break;
    default:
        break;
    }
}

int TQuestionDialog::DefaultButton() const {
    const HWND Focused = GetFocus();
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        if (ButtonWindows[Index] == Focused) {
            return Buttons[Index].Id;
        }
    }
    return DefaultId;
}

void TQuestionDialog::MarkDefault(int Id) {
    for (std::size_t Index = 0; Index < Buttons.size(); ++Index) {
        const WPARAM Style = Buttons[Index].Id == Id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        SendMessageW(ButtonWindows[Index], BM_SETSTYLE, Style | BS_NOTIFY, TRUE);
    }
}
