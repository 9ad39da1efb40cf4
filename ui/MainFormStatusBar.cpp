// The main window's status bar: the percentage, the progress bar and the remaining time of a
// running operation, and the window title that shows the percentage in the task bar.
#include "common/ResourseStrings.h"
#include "ui/MainForm.h"
#include "ui/MainFormSupport.h"
#include "ui/PanelStatusBar.h"
#include "ui/UiSupport.h"

#include <QProgressBar>

using namespace MainFormParts;

namespace {

constexpr int PercentPanelWidth = 40;
constexpr int ProgressPanelWidth = 100;
constexpr int RemainingPanelWidth = 50;

} // namespace

void TMainForm::CreateStatusBar() {
    StatusBar =
        new TPanelStatusBar({PercentPanelWidth, ProgressPanelWidth, RemainingPanelWidth}, this);
    setStatusBar(StatusBar);
}

// The progress bar lies over the middle panel; it is placed once the status bar has its height.
void TMainForm::CreateProgressBar() {
    ProgressBar = new QProgressBar(StatusBar);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(StatusBar->PanelLeft(1), 2, StatusBar->PanelWidth(1) - 1,
                             StatusBar->height() - 2);
    ProgressBar->setVisible(true);
}

void TMainForm::SetProgressPosition(int Percent) {
    if (ProgressBar != nullptr) {
        ProgressBar->setValue(Percent);
    }
}

void TMainForm::SetStatusPanelText(int Panel, const std::string& Text) {
    StatusBar->SetPanelText(Panel, ToQString(Text));
}

void TMainForm::SetApplicationTitle(const std::string& Title) {
    ApplicationTitle = Title;
    setWindowTitle(Title == SProductName ? Text(SMainFormCaption) : ToQString(Title));
}
