// The main window's interaction with the user for its model: its questions, the system's file
// dialogs, the page range dialog, the serial port dialog and the about box, each behind a
// replaceable hook.
#include "operations/PortChoices.h"
#include "serial/PortDiscovery.h"
#include "winui/AboutDialog.h"
#include "winui/MainWindow.h"
#include "winui/OpenQuestion.h"
#include "winui/PagesRangeDialog.h"
#include "winui/PortChoiceDialog.h"
#include "winui/Questions.h"

#include <functional>
#include <memory>
#include <utility>

void TMainWindow::SetDefaultInteraction() {
    FileDialogRunner = [this](const TFileDialogRequest& Request) {
        return RunFileDialog(Handle(), Request);
    };
    ConfirmOverwrite = [this](const std::string& Question) { return AskYesNo(Handle(), Question); };
    ConfirmCloseDuringOperation = [this](const std::string& Question,
                                         std::function<void(bool Yes)> Answered) {
        AskedQuestion = std::make_unique<TOpenQuestion>(Handle(), Question, std::move(Answered));
    };
    ConfirmChipErase = [this](const std::string& Question) {
        return AskYesNoWithDoNotAskAgain(Handle(), Question);
    };
    AskAboutUnsavedRead = [this](const std::string& Question) {
        return AskSaveDontSaveCancel(Handle(), Question);
    };
    RangeDialogRunner = [](TPagesRangeDialog& Dialog) { return Dialog.RunModal(); };
    PortDialogRunner = [](TPortChoiceDialog& Dialog) { return Dialog.RunModal(); };
    AboutDialogRunner = [](TAboutDialog& Dialog) { return Dialog.RunModal(); };
}

bool TMainWindow::AskOverwrite(const std::string& Question) {
    return ConfirmOverwrite(Question);
}

void TMainWindow::AskCloseDuringOperation(const std::string& Question,
                                          std::function<void(bool Yes)> Answered) {
    ConfirmCloseDuringOperation(Question, std::move(Answered));
}

TChipEraseAnswer TMainWindow::AskChipErase(const std::string& Question) {
    return ConfirmChipErase(Question);
}

TUnsavedReadAnswer TMainWindow::AskUnsavedRead(const std::string& Question) {
    return AskAboutUnsavedRead(Question);
}

std::optional<std::string> TMainWindow::ChooseFileToLoad() {
    TFileDialogRequest Request;
    Request.Filters = ImageFileFilters();
    return FileDialogRunner(Request);
}

std::optional<std::string> TMainWindow::ChooseFileToSave(const std::string& SuggestedName) {
    TFileDialogRequest Request;
    Request.Save = true;
    Request.SuggestedName = SuggestedName;
    Request.Filters = ImageFileFilters();
    return FileDialogRunner(Request);
}

std::optional<TPageRange> TMainWindow::AskPageRange(const std::string& Title, int MinIndex,
                                                    int MaxIndex) {
    TPagesRangeDialog Dialog(Handle(), Title, MinIndex, MaxIndex);
    Dialog.SetTexts(RangeTexts);
    const int Result = RangeDialogRunner(Dialog);
    RangeTexts = Dialog.Texts();
    if (Result != IDOK) {
        return std::nullopt;
    }
    return Dialog.ChosenRange();
}

std::optional<std::string> TMainWindow::ChoosePort(const std::string& CurrentPort) {
    TPortChoiceDialog Dialog(Handle(), CurrentPort,
                             PresentPortChoices(DefaultSysfsRoot(), CurrentPort));
    if (PortDialogRunner(Dialog) != IDOK) {
        return std::nullopt;
    }
    return Dialog.PortName();
}

void TMainWindow::ShowAbout() {
    TAboutDialog Dialog(Handle());
    AboutDialogRunner(Dialog);
}
