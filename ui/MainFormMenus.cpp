// The main window's actions, its menu bar, its tool bar and its keys.
#include "common/ResourseStrings.h"
#include "operations/MainWindowModel.h"
#include "ui/ColorRichEdit.h"
#include "ui/ConstraintedEdit.h"
#include "ui/MainForm.h"
#include "ui/MainFormSupport.h"
#include "ui/Mnemonics.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <utility>

using namespace MainFormParts;

namespace {

constexpr int ToolButtonWidth = 62;
constexpr int ToolButtonHeight = 52;
constexpr int ToolBarPictureSize = 32;

} // namespace

QAction* TMainForm::MakeAction(const char* Caption, TWindowCommand Command,
                               const QString& PictureName) {
    auto* Action = new QAction(Text(Caption), this);
    if (!PictureName.isEmpty()) {
        Action->setIcon(Picture(PictureName));
    }
    connect(Action, &QAction::triggered, this, [this, Command] { Model->Execute(Command); });
    CommandActions[static_cast<std::size_t>(Command)] = Action;
    return Action;
}

QAction* TMainForm::MakeActionLink(QAction* Action, const char* Caption, QMenu* Menu) {
    auto* Link = new QAction(Text(Caption), Menu);
    Link->setIcon(Action->icon());
    Link->setCheckable(Action->isCheckable());
    auto Follow = [Action, Link] {
        Link->setEnabled(Action->isEnabled());
        Link->setChecked(Action->isChecked());
    };
    Follow();
    connect(Action, &QAction::changed, Link, Follow);
    // The link's own check mark was toggled by the click; the action's handler decides.
    connect(Link, &QAction::triggered, Action, [Action, Follow] {
        Follow();
        Action->trigger();
    });
    return Link;
}

void TMainForm::CreateActions() {
    using TCommand = TWindowCommand;
    NewBurnImage = MakeAction(SNewImageCaption, TCommand::NewImage, QStringLiteral("new"));
    LoadImageFromFileAction =
        MakeAction(SLoadImageCaption, TCommand::LoadImage, QStringLiteral("open"));
    SaveImageToFileAction =
        MakeAction(SSaveImageAsCaption, TCommand::SaveImage, QStringLiteral("save"));
    SaveImageToFileAction->setIconText(Text(SSaveButtonCaption));

    WriteImageAction =
        MakeAction(SWriteImageCaption, TCommand::WriteImage, QStringLiteral("write"));
    WriteImageAction->setIconText(Text(SWriteButtonCaption));
    ReadAction = MakeAction(SReadImageCaption, TCommand::ReadImage, QStringLiteral("read"));
    ReadAction->setIconText(Text(SReadButtonCaption));
    DeleteAction = MakeAction(SDeleteImageCaption, TCommand::EraseChip, QStringLiteral("erase"));
    DeleteAction->setIconText(Text(SDeleteButtonCaption));
    CompareImageAction =
        MakeAction(SCompareImageCaption, TCommand::CompareImage, QStringLiteral("compare"));
    CompareImageAction->setIconText(Text(SCompareButtonCaption));
    // A running full operation holds its button down.
    for (QAction* Full : {WriteImageAction, ReadAction, DeleteAction, CompareImageAction}) {
        Full->setCheckable(true);
    }

    WriteConcreatePagesAction = MakeAction(SWritePagesCaption, TCommand::WritePages);
    ReadConcreatePagesAction = MakeAction(SReadPagesCaption, TCommand::ReadPages);
    DeleteConcreatePagesAction = MakeAction(SDeletePagesCaption, TCommand::ErasePages);
    CompareConcreatePagesAction = MakeAction(SComparePagesCaption, TCommand::ComparePages);
    InitialyzeAction =
        MakeAction(SInitializeCaption, TCommand::Initialize, QStringLiteral("initialize"));
    ClearInfoEditAction =
        MakeAction(SClearInfoCaption, TCommand::ClearInfo, QStringLiteral("clear"));
    ShowImageAction = MakeAction(SShowImageCaption, TCommand::ShowImage);
    StopAction = MakeAction(SStopCaption, TCommand::Stop);
    StopAction->setEnabled(false);
    VerifyAllAction = MakeAction(SVerifyAllCaption, TCommand::VerifyAll);

    N4 = MakeAction(SExitCaption, TCommand::Exit, QStringLiteral("exit"));
    COM1 = MakeAction(SComPortMenuCaption, TCommand::ChoosePort, QStringLiteral("port"));
    HelpItem = MakeAction(SHelpItemCaption, TCommand::Help);
    N5 = MakeAction(SAboutItemCaption, TCommand::About, QStringLiteral("about"));
}

void TMainForm::CreateMenu() {
    QMenuBar* Bar = menuBar();
    FileMenuItem = Bar->addMenu(Text(SFileMenuCaption));
    FileMenuItem->addAction(NewBurnImage);
    FileMenuItem->addSeparator();
    FileMenuItem->addAction(LoadImageFromFileAction);
    FileMenuItem->addSeparator();
    FileMenuItem->addAction(SaveImageToFileAction);
    FileMenuItem->addSeparator();
    FileMenuItem->addAction(N4);

    EditMenuItem = Bar->addMenu(Text(SEditMenuCaption));
    EditMenuItem->addAction(ClearInfoEditAction);

    SettingsMenuItem = Bar->addMenu(Text(SSettingsMenuCaption));
    SettingsMenuItem->addAction(COM1);

    CommandsMenuItem = Bar->addMenu(Text(SCommandsMenuCaption));
    CommandsMenuItem->addAction(WriteImageAction);
    CommandsMenuItem->addAction(ReadAction);
    CommandsMenuItem->addAction(DeleteAction);
    CommandsMenuItem->addAction(CompareImageAction);
    CommandsMenuItem->addAction(VerifyAllAction);
    CommandsMenuItem->addSeparator();
    CommandsMenuItem->addAction(WriteConcreatePagesAction);
    CommandsMenuItem->addAction(ReadConcreatePagesAction);
    CommandsMenuItem->addAction(DeleteConcreatePagesAction);
    CommandsMenuItem->addAction(CompareConcreatePagesAction);
    CommandsMenuItem->addSeparator();
    CommandsMenuItem->addAction(StopAction);
    CommandsMenuItem->addSeparator();
    CommandsMenuItem->addAction(InitialyzeAction);

    HelpMenuItem = Bar->addMenu(Text(SHelpMenuCaption));
    HelpMenuItem->addAction(HelpItem);
    HelpMenuItem->addSeparator();
    HelpMenuItem->addAction(N5);
}

QToolButton* TMainForm::AddToolButton(QAction* Action) {
    auto* Button = new QToolButton(ToolBar1);
    Button->setDefaultAction(Action);
    Button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Button->setIconSize(QSize(ToolBarPictureSize, ToolBarPictureSize));
    Button->setMinimumSize(ToolButtonWidth, ToolButtonHeight);
    ToolBar1->addWidget(Button);
    return Button;
}

QToolButton* TMainForm::AddDropDownButton(QAction* Full, const char* FullCaption, QAction* Range) {
    QToolButton* Button = AddToolButton(Full);
    auto* Menu = new QMenu(Button);
    QAction* FullItem = MakeActionLink(Full, FullCaption, Menu);
    Menu->addAction(FullItem);
    Menu->addAction(Range);
    Menu->setDefaultAction(FullItem);
    Button->setMenu(Menu);
    Button->setPopupMode(QToolButton::MenuButtonPopup);
    return Button;
}

void TMainForm::CreateToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setIconSize(QSize(ToolBarPictureSize, ToolBarPictureSize));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    WriteToolButton =
        AddDropDownButton(WriteImageAction, SWriteFullCaption, WriteConcreatePagesAction);
    ToolBar1->addSeparator();
    ReadToolButton = AddDropDownButton(ReadAction, SReadFullCaption, ReadConcreatePagesAction);
    ToolBar1->addSeparator();
    DeleteToolButton =
        AddDropDownButton(DeleteAction, SDeleteFullCaption, DeleteConcreatePagesAction);
    ToolBar1->addSeparator();
    CompareToolButton =
        AddDropDownButton(CompareImageAction, SCompareFullCaption, CompareConcreatePagesAction);
    CompareToolButton->menu()->addAction(VerifyAllAction);
    ToolBar1->addSeparator();
    SaveToolButton = AddToolButton(SaveImageToFileAction);
}

void TMainForm::AssignShortcuts() {
    NewBurnImage->setShortcut(QKeySequence::New);
    LoadImageFromFileAction->setShortcut(QKeySequence::Open);
    SaveImageToFileAction->setShortcut(QKeySequence::Save);
    N4->setShortcut(QKeySequence::Quit);
    HelpItem->setShortcut(QKeySequence::HelpContents);
    // The operations on function keys, their page-range forms with Shift, as in other tools
    // of the bench.
    const std::pair<QAction*, QAction*> Operations[] = {
        {WriteImageAction, WriteConcreatePagesAction},
        {ReadAction, ReadConcreatePagesAction},
        {DeleteAction, DeleteConcreatePagesAction},
        {CompareImageAction, CompareConcreatePagesAction},
    };
    int Key = Qt::Key_F5;
    for (const auto& [Full, Range] : Operations) {
        Full->setShortcut(QKeySequence(Key));
        Range->setShortcut(QKeySequence(Qt::SHIFT | Key));
        ++Key;
    }
    VerifyAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F8));
    InitialyzeAction->setShortcut(QKeySequence(Qt::Key_F9));
    StopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    for (QAction* Action : CommandActions) {
        Action->setShortcutContext(Qt::WindowShortcut);
    }
    AssignMnemonics(menuBar());
    for (QToolButton* Button :
         {WriteToolButton, ReadToolButton, DeleteToolButton, CompareToolButton}) {
        AssignMnemonics(Button->menu());
    }
    // The keyboard reaches the file name, its button and the pages in reading order.
    setTabOrder(FileNameEdit, OpenFileButton);
    setTabOrder(OpenFileButton, PageControl1);
    setTabOrder(PageControl1, InfoRichEdit);
}
