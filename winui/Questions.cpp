#include "winui/Questions.h"

#include "common/ResourseStrings.h"
#include "winui/QuestionDialog.h"

using TSign = TQuestionDialog::TSign;

bool AskYesNo(HWND Owner, const std::string& Question) {
    TQuestionDialog Dialog(Owner, Question, TSign::Question,
                           {{IDYES, SYesButtonCaption}, {IDNO, SNoButtonCaption}}, IDNO);
    return Dialog.RunModal() == IDYES;
}

TChipEraseAnswer AskYesNoWithDoNotAskAgain(HWND Owner, const std::string& Question) {
    TQuestionDialog Dialog(Owner, Question, TSign::Warning,
                           {{IDYES, SYesButtonCaption}, {IDNO, SNoButtonCaption}}, IDNO,
                           SDoNotAskAgain);
    TChipEraseAnswer Answer;
    Answer.Erase = Dialog.RunModal() == IDYES;
    Answer.DoNotAskAgain = Answer.Erase && Dialog.IsChecked();
    return Answer;
}

TUnsavedReadAnswer AskSaveDontSaveCancel(HWND Owner, const std::string& Question) {
    TQuestionDialog Dialog(Owner, Question, TSign::Warning,
                           {{IDYES, SSaveButtonCaption},
                            {IDNO, SDontSaveButtonCaption},
                            {IDCANCEL, SCancelButtonCaption}},
                           IDYES);
    switch (Dialog.RunModal()) {
    case IDYES:
        return TUnsavedReadAnswer::Save;
    case IDNO:
        return TUnsavedReadAnswer::DontSave;
    default:
        return TUnsavedReadAnswer::Cancel;
    }
}
