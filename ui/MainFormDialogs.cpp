// The main window's interaction with the user for its model: Qt's message boxes, the file
// dialogs, the page range dialog, the serial port dialog and the about box, each behind a
// replaceable hook.
#include "common/ResourseStrings.h"
#include "operations/UIObjects.h"
#include "serial/PortDiscovery.h"
#include "ui/MainForm.h"
#include "ui/MainFormSupport.h"
#include "ui/PortChoiceForm.h"
#include "ui/UiSupport.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCompleter>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <functional>
#include <utility>

using namespace MainFormParts;

namespace {

// A file dialog made once and shown again keeps its file-name completer: a completion list
// still open when the dialog was accepted by Return would stay on screen over the main window.
void HideCompletionPopups(QFileDialog& Dialog) {
    for (QCompleter* Completer : Dialog.findChildren<QCompleter*>()) {
        if (Completer->popup() != nullptr) {
            Completer->popup()->hide();
        }
    }
}

bool AskYesNo(QWidget* Parent, const QString& Question) {
    return QMessageBox::question(Parent, Text(SConfirmationCaption), Question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool AskYesNoWithDoNotAskAgain(QWidget* Parent, const QString& Question, bool& DoNotAskAgain) {
    QMessageBox Box(QMessageBox::Warning, Text(SConfirmationCaption), Question,
                    QMessageBox::Yes | QMessageBox::No, Parent);
    Box.setDefaultButton(QMessageBox::No);
    auto* DoNotAsk = new QCheckBox(Text(SDoNotAskAgain), &Box);
    Box.setCheckBox(DoNotAsk);
    const bool Confirmed = Box.exec() == QMessageBox::Yes;
    DoNotAskAgain = Confirmed && DoNotAsk->isChecked();
    return Confirmed;
}

// Qt's Save, Don't Save and Cancel question. The middle button is Qt's Discard with the text
// "Не сохранять": some desktop themes call it "Close without saving", which would be wrong
// before a new image, a load or a read.
TUnsavedReadAnswer AskSaveDontSaveCancel(QWidget* Parent, const QString& Question) {
    QMessageBox Box(QMessageBox::Warning, Text(SConfirmationCaption), Question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, Parent);
    Box.setDefaultButton(QMessageBox::Save);
    Box.setEscapeButton(QMessageBox::Cancel);
    Box.button(QMessageBox::Discard)->setText(Text(SDontSaveButtonCaption));
    Box.exec();
    switch (Box.standardButton(Box.clickedButton())) {
    case QMessageBox::Save:
        return TUnsavedReadAnswer::Save;
    case QMessageBox::Discard:
        return TUnsavedReadAnswer::DontSave;
    default:
        return TUnsavedReadAnswer::Cancel;
    }
}

QString FileDialogFilter() {
    return Text(SImageFilesFilter) + QStringLiteral(";;") + Text(SBinaryFilesFilter) +
           QStringLiteral(";;") + Text(SAllFilesFilter);
}

std::optional<std::string> ChosenPath(const std::optional<QString>& Chosen) {
    if (!Chosen || Chosen->isEmpty()) {
        return std::nullopt;
    }
    return ToStdString(*Chosen);
}

} // namespace

void TMainForm::SetDefaultInteraction() {
    FileDialogRunner = &TMainForm::RunFileDialog;
    ConfirmOverwrite = [this](const QString& Question) { return AskYesNo(this, Question); };
    ConfirmCloseDuringOperation = [this](const QString& Question,
                                         std::function<void(bool Yes)> Answered) {
        AskYesNoWithoutWaiting(Question, std::move(Answered));
    };
    ConfirmChipErase = [this](const QString& Question, bool& DoNotAskAgain) {
        return AskYesNoWithDoNotAskAgain(this, Question, DoNotAskAgain);
    };
    PortDialogRunner = [](TPortChoiceForm& Form) { return Form.exec(); };
    RangeDialogRunner = [](TPagesRangeForm& Form, int MinIndex, int MaxIndex) {
        return Form.Execute(MinIndex, MaxIndex);
    };
    AskAboutUnsavedRead = [this](const QString& Question) {
        return AskSaveDontSaveCancel(this, Question);
    };
}

void TMainForm::CreateDialogs() {
    FileOpenDialog = new QFileDialog(this);
    FileOpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    FileOpenDialog->setFileMode(QFileDialog::ExistingFile);
    FileOpenDialog->setNameFilter(FileDialogFilter());

    SaveDialog = new QFileDialog(this);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setNameFilter(FileDialogFilter());
    // The window asks about an existing file itself, on the name that is actually written.
    SaveDialog->setOption(QFileDialog::DontConfirmOverwrite, true);
}

std::optional<QString> TMainForm::RunFileDialog(QFileDialog& Dialog) {
    const int Result = Dialog.exec();
    HideCompletionPopups(Dialog);
    if (Result != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return Dialog.selectedFiles().constFirst();
}

TAboutForm& TMainForm::GetAboutForm() {
    if (AboutForm == nullptr) {
        AboutForm = new TAboutForm(this);
    }
    return *AboutForm;
}

TPagesRangeForm& TMainForm::GetPagesRangeForm() {
    if (PagesRangeForm == nullptr) {
        PagesRangeForm = new TPagesRangeForm(GetPagesWord, this);
    }
    return *PagesRangeForm;
}

// ---- IMainWindowView ----

bool TMainForm::AskOverwrite(const std::string& Question) {
    return ConfirmOverwrite(ToQString(Question));
}

void TMainForm::AskCloseDuringOperation(const std::string& Question,
                                        std::function<void(bool Yes)> Answered) {
    ConfirmCloseDuringOperation(ToQString(Question), std::move(Answered));
}

void TMainForm::AskYesNoWithoutWaiting(const QString& Question,
                                       std::function<void(bool Yes)> Answered) {
    auto* Box = new QMessageBox(QMessageBox::Question, Text(SConfirmationCaption), Question,
                                QMessageBox::Yes | QMessageBox::No, this);
    Box->setDefaultButton(QMessageBox::No);
    Box->setAttribute(Qt::WA_DeleteOnClose);
    Box->setWindowModality(Qt::ApplicationModal);
    connect(Box, &QDialog::finished, this, [Box, Answered = std::move(Answered)](int) {
        Answered(Box->standardButton(Box->clickedButton()) == QMessageBox::Yes);
    });
    OpenQuestion = Box;
    Box->show();
}

TChipEraseAnswer TMainForm::AskChipErase(const std::string& Question) {
    TChipEraseAnswer Answer;
    Answer.Erase = ConfirmChipErase(ToQString(Question), Answer.DoNotAskAgain);
    return Answer;
}

TUnsavedReadAnswer TMainForm::AskUnsavedRead(const std::string& Question) {
    return AskAboutUnsavedRead(ToQString(Question));
}

std::optional<std::string> TMainForm::ChooseFileToLoad() {
    return ChosenPath(FileDialogRunner(*FileOpenDialog));
}

std::optional<std::string> TMainForm::ChooseFileToSave(const std::string& SuggestedName) {
    SaveDialog->selectFile(ToQString(SuggestedName));
    return ChosenPath(FileDialogRunner(*SaveDialog));
}

std::optional<TPageRange> TMainForm::AskPageRange(const std::string& Title, int MinIndex,
                                                  int MaxIndex) {
    TPagesRangeForm& Form = GetPagesRangeForm();
    Form.setWindowTitle(ToQString(Title));
    if (RangeDialogRunner(Form, MinIndex, MaxIndex) != TPagesRangeForm::mrOk) {
        return std::nullopt;
    }
    const int First = Form.GetStartIndex();
    const int Last = Form.GetEndIndex();
    return TPageRange{First, Last};
}

std::optional<std::string> TMainForm::ChoosePort(const std::string& CurrentPort) {
    TPortChoiceForm Form(ToQString(CurrentPort),
                         PresentPortChoices(DefaultSysfsRoot(), CurrentPort), this);
    if (PortDialogRunner(Form) != QDialog::Accepted) {
        return std::nullopt;
    }
    return ToStdString(Form.PortName());
}

// The about box may come up while an operation runs: it is shown without a loop of its own, so
// that the operation goes on behind it.
void TMainForm::ShowAbout() {
    TAboutForm& Form = GetAboutForm();
    Form.setWindowModality(Qt::ApplicationModal);
    Form.show();
    Form.raise();
    Form.activateWindow();
}
