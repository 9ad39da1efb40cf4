#include "winui/Questions.h"

#include "common/ResourseStrings.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

constexpr int SaveButton = 100;
constexpr int DontSaveButton = 101;

TASKDIALOGCONFIG QuestionConfig(HWND Owner, const std::wstring& Title,
                                const std::wstring& Question) {
    TASKDIALOGCONFIG Config{};
    Config.cbSize = sizeof Config;
    Config.hwndParent = Owner;
    Config.dwFlags = TDF_POSITION_RELATIVE_TO_WINDOW;
    Config.pszWindowTitle = Title.c_str();
    Config.pszMainIcon = TD_WARNING_ICON;
    Config.pszContent = Question.c_str();
    return Config;
}

} // namespace

bool AskYesNo(HWND Owner, const std::string& Question) {
    return MessageBoxW(Owner, Wide(Question).c_str(), Wide(SConfirmationCaption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

TChipEraseAnswer AskYesNoWithDoNotAskAgain(HWND Owner, const std::string& Question) {
    const std::wstring Title = Wide(SConfirmationCaption);
    const std::wstring Text = Wide(Question);
    const std::wstring DoNotAsk = Wide(SDoNotAskAgain);
    TASKDIALOGCONFIG Config = QuestionConfig(Owner, Title, Text);
    Config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
    Config.nDefaultButton = IDNO;
    Config.pszVerificationText = DoNotAsk.c_str();
    int Button = IDNO;
    BOOL DoNotAskAgain = FALSE;
    if (FAILED(TaskDialogIndirect(&Config, &Button, nullptr, &DoNotAskAgain))) {
        return {};
    }
    TChipEraseAnswer Answer;
    Answer.Erase = Button == IDYES;
    Answer.DoNotAskAgain = Answer.Erase && DoNotAskAgain != FALSE;
    return Answer;
}

TUnsavedReadAnswer AskSaveDontSaveCancel(HWND Owner, const std::string& Question) {
    const std::wstring Title = Wide(SConfirmationCaption);
    const std::wstring Text = Wide(Question);
    const std::wstring Save = Wide(SSaveButtonCaption);
    const std::wstring DontSave = Wide(SDontSaveButtonCaption);
    const TASKDIALOG_BUTTON Buttons[] = {{SaveButton, Save.c_str()},
                                         {DontSaveButton, DontSave.c_str()}};
    TASKDIALOGCONFIG Config = QuestionConfig(Owner, Title, Text);
    Config.dwFlags |= TDF_ALLOW_DIALOG_CANCELLATION;
    Config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    Config.pButtons = Buttons;
    Config.cButtons = 2;
    Config.nDefaultButton = SaveButton;
    int Button = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&Config, &Button, nullptr, nullptr))) {
        return TUnsavedReadAnswer::Cancel;
    }
    switch (Button) {
    case SaveButton:
        return TUnsavedReadAnswer::Save;
    case DontSaveButton:
        return TUnsavedReadAnswer::DontSave;
    default:
        return TUnsavedReadAnswer::Cancel;
    }
}
