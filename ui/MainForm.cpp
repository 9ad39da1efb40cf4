// The main window's frame: its making and ending, its close, the command states the model
// shows in its actions, and what it hands to the model.
#include "ui/MainForm.h"

#include "common/ResourseStrings.h"
#include "operations/MainWindowModel.h"
#include "operations/Session.h"
#include "ui/ConstraintedEdit.h"
#include "ui/MainFormSupport.h"
#include "ui/UiSupport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>

using namespace MainFormParts;

namespace {

// The smallest window is given for the whole window; the frame of a sizeable window takes
// 4 pixels on each side and its caption 19 more at the top.
constexpr int SmallestWindowWidth = 415 - 8;
constexpr int SmallestWindowHeight = 337 - 8 - 19;

} // namespace

TMainForm::TMainForm(TSession& Session, QWidget* Parent)
    : QMainWindow(Parent), Session(Session),
      Model(std::make_unique<TMainWindowModel>(Session, *this, *this)),
      ApplicationTitle(SProductName) {
    setFont(FormFont());
    setWindowTitle(Text(SMainFormCaption));
    setWindowIcon(Picture(QStringLiteral("velmora")));
    SetDefaultInteraction();

    CreateActions();
    CreateMenu();
    CreateToolBar();
    auto* Central = new QWidget(this);
    setCentralWidget(Central);
    CreateImageGroup(Central);
    CreatePages(Central);
    CreateStatusBar();
    CreateDialogs();
    AssignShortcuts();
    FileNameEdit->installEventFilter(this);
    StateLabel->installEventFilter(this);

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    GrowForTheChipMap();
    setMinimumSize(SmallestWindowWidth, SmallestWindowHeight);
    WantedSize = size();
    FitIntoTheScreen();
    CreateProgressBar();
    Model->Start();
}

TMainForm::~TMainForm() {
    // An open question is answered by nobody once the model it would answer is gone.
    if (OpenQuestion != nullptr) {
        OpenQuestion->disconnect(this);
        delete OpenQuestion;
    }
}

// Until the window system has framed the window, its frame is guessed on the large side: a
// caption two lines of text high and a border of a few pixels.
QMargins TMainForm::FrameMargins() const {
    const QWindow* Handle = windowHandle();
    if (Handle != nullptr && Handle->handle() != nullptr && !Handle->frameMargins().isNull()) {
        return Handle->frameMargins();
    }
    constexpr int Border = 4;
    const int Caption = 2 * QFontMetrics(QApplication::font()).height();
    return QMargins(Border, Caption + Border, Border, Border);
}

void TMainForm::FitIntoTheScreen() {
    const QScreen* Screen = screen();
    if (Screen == nullptr) {
        return;
    }
    const QRect Area = Screen->availableGeometry();
    const QMargins Frame = FrameMargins();
    resize(WantedSize.boundedTo(Area.size().shrunkBy(Frame)).expandedTo(minimumSize()));
    QRect Outer(QPoint(), size().grownBy(Frame));
    Outer.moveCenter(Area.center());
    // A window larger than the area (at its smallest size) keeps its caption on the screen.
    Outer.moveTopLeft(
        QPoint(std::max(Outer.left(), Area.left()), std::max(Outer.top(), Area.top())));
    move(Outer.topLeft());
}

void TMainForm::showEvent(QShowEvent* Event) {
    // Shown for the first time, the window may have its real frame and screen: it is fitted
    // again to them.
    if (!Event->spontaneous() && !FittedWhenShown) {
        FittedWhenShown = true;
        FitIntoTheScreen();
    }
    QMainWindow::showEvent(Event);
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (Model->CloseRequested()) {
        Event->accept();
    } else {
        Event->ignore();
    }
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Resize) {
        if (Watched == FileNameEdit) {
            ShowFileName();
        } else if (Watched == StateLabel) {
            ShowStateLabel();
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

// ---- The model's commands ----

void TMainForm::UpdateActions(const TActionFlags& Flags) {
    Model->ShowImageActions(Flags);
}

void TMainForm::ShowCommandStates(const TWindowCommandStates& States) {
    for (std::size_t Index = 0; Index < WindowCommandCount; ++Index) {
        const TCommandState& State = States[static_cast<TWindowCommand>(Index)];
        QAction* Action = CommandActions[Index];
        Action->setEnabled(State.Enabled);
        if (Action->isCheckable()) {
            Action->setChecked(State.Checked);
        }
    }
    for (QMenu* Menu : {FileMenuItem, SettingsMenuItem, CommandsMenuItem, HelpMenuItem}) {
        Menu->menuAction()->setEnabled(States.MenusEnabled);
    }
}

QAction* TMainForm::GetRunningAction() const {
    const std::optional<TWindowCommand> Running = Model->GetRunningCommand();
    return Running ? CommandActions[static_cast<std::size_t>(*Running)] : nullptr;
}

void TMainForm::Repaint() {
    update();
}

void TMainForm::CloseWindow() {
    close();
}

void TMainForm::ProcessPendingInput() {
    QCoreApplication::processEvents();
}

// ---- Serial ports arriving and leaving ----

void TMainForm::PortArrived(const std::string& Name) {
    Model->PortArrived(Name);
}

void TMainForm::PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) {
    Model->PortRemoved(Name, OtherNames);
}

// ---- Errors ----

void TMainForm::ApplicationEventsException(QObject*, const std::exception& Error) {
    Model->ReportError(Error);
}

void TMainForm::Guarded(const std::function<void()>& Handler) {
    Model->Guarded(Handler);
}
