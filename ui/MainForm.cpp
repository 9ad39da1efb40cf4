#include "ui/MainForm.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/ImageFileNames.h"
#include "operations/PortNoticeFollower.h"
#include "operations/Progress.h"
#include "operations/Session.h"
#include "operations/Settings.h"
#include "operations/UIObjects.h"
#include "operations/UnsavedRead.h"
#include "operations/Verification.h"
#include "serial/PortDiscovery.h"
#include "ui/AboutForm.h"
#include "ui/AnchorLayout.h"
#include "ui/ChipMap.h"
#include "ui/ColorRichEdit.h"
#include "ui/ConstraintedEdit.h"
#include "ui/Mnemonics.h"
#include "ui/PagesRangeForm.h"
#include "ui/PanelStatusBar.h"
#include "ui/PathEllipsis.h"
#include "ui/PortChoiceForm.h"
#include "ui/UiSupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace {

// The client area (tool bar, image group, pages and status bar, without the menu bar).
constexpr int ClientWidth = 407;
constexpr int ClientHeight = 400;
// The smallest window is given for the whole window; the frame of a sizeable window takes
// 4 pixels on each side and its caption 19 more at the top.
constexpr int SmallestWindowWidth = 415 - 8;
constexpr int SmallestWindowHeight = 337 - 8 - 19;
// Design heights of the tool bar and the status bar, from which the parts between are placed.
constexpr int DesignToolBarHeight = 54;
constexpr int DesignStatusBarHeight = 19;
constexpr int DesignCentralHeight = ClientHeight - DesignToolBarHeight - DesignStatusBarHeight;
constexpr int DesignPagesHeight = 176;
// Room left over below a page's contents, so that rounding in the styles never cuts it short.
constexpr int PageSlack = 4;

constexpr int ToolButtonWidth = 62;
constexpr int ToolButtonHeight = 52;
constexpr int ToolBarPictureSize = 32;
constexpr int StatePictureSize = 64;
constexpr TColor FileNameEditColor = 0xD9FFFF;
constexpr TColor SilverColor = 0xC0C0C0;
constexpr TColor GreyColor = 0x808080;

constexpr int PercentPanelWidth = 40;
constexpr int ProgressPanelWidth = 100;
constexpr int RemainingPanelWidth = 50;

QString Text(const char* Resource) {
    return ToQString(Resource);
}

std::string ToStdString(const QString& Value) {
    const QByteArray Bytes = Value.toUtf8();
    return std::string(Bytes.constData(), static_cast<size_t>(Bytes.size()));
}

// A picture of the resources; menus take the 16-pixel size, tool bars the 32-pixel one.
QIcon Picture(const QString& Name) {
    QIcon Icon;
    for (const char* Size : {"16", "24", "32"}) {
        const QString File = QStringLiteral(":/pictures/%1-%2.png").arg(Name, QLatin1String(Size));
        if (QFile::exists(File)) {
            Icon.addFile(File);
        }
    }
    return Icon;
}

QPixmap StatePixmap(TStatePicture Picture) {
    return QPixmap(Picture == TStatePicture::Loaded
                       ? QStringLiteral(":/pictures/image-loaded-64.png")
                       : QStringLiteral(":/pictures/image-empty-64.png"));
}

// A file dialog made once and shown again keeps its file-name completer: a completion list
// still open when the dialog was accepted by Return would stay on screen over the main window.
void HideCompletionPopups(QFileDialog& Dialog) {
    for (QCompleter* Completer : Dialog.findChildren<QCompleter*>()) {
        if (Completer->popup() != nullptr) {
            Completer->popup()->hide();
        }
    }
}

// The actions that can run while an operation runs: they touch neither the programmer nor the
// image.
bool HarmlessDuringOperation(const TMainForm& Form, const QAction* Action) {
    return Action == Form.ClearInfoEditAction || Action == Form.ShowImageAction ||
           Action == Form.N4 || Action == Form.HelpItem || Action == Form.N5;
}

// The user's help, built into the program.
QString HelpText() {
    QFile Help(QStringLiteral(":/docs/help.ru.md"));
    return Help.open(QIODevice::ReadOnly) ? QString::fromUtf8(Help.readAll()) : QString();
}

// The dump line (one record of the image as HEX text) that holds the byte at Address, following
// the extended address records; an invalid block when there is none.
QTextBlock DumpLineOfAddress(const QTextDocument& Dump, std::int64_t Address) {
    std::int64_t Base = 0;
    for (QTextBlock Block = Dump.begin(); Block.isValid(); Block = Block.next()) {
        // ":CC AAAA TT    DD DD ..." with CC the byte count, AAAA the address, TT the type.
        const QStringList Fields = Block.text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (Fields.size() < 3) {
            continue;
        }
        bool Valid = false;
        const int Count = Fields[0].mid(1).toInt(&Valid, 16);
        const int Offset = Fields[1].toInt(nullptr, 16);
        const int Type = Fields[2].toInt(nullptr, 16);
        if (Type == 4 && Fields.size() >= 5) {
            Base = (Fields[3] + Fields[4]).toLongLong(nullptr, 16) << 16;
        } else if (Type == 0 && Valid && Address >= Base + Offset &&
                   Address < Base + Offset + Count) {
            return Block;
        }
    }
    return QTextBlock();
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

// The page range dialog's title: the caption of the range operation it is for, without its
// mnemonic marker and the dots that say a dialog follows.
QString RangeDialogTitle(const QAction& Operation) {
    QString Title = Operation.text();
    Title.remove(QLatin1Char('&'));
    while (Title.endsWith(QLatin1Char('.'))) {
        Title.chop(1);
    }
    return Title.trimmed();
}

// The height Pages need to show a page of ContentHeight: the tab bar and the frame of the pages
// take their share.
int PagesHeightFor(const QTabWidget& Pages, int ContentHeight) {
    const int Frame = Pages.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &Pages);
    return ContentHeight + Pages.tabBar()->sizeHint().height() + 2 * Frame + PageSlack;
}

QString FileDialogFilter() {
    return Text(SImageFilesFilter) + QStringLiteral(";;") + Text(SBinaryFilesFilter) +
           QStringLiteral(";;") + Text(SAllFilesFilter);
}

} // namespace

// ---- Construction ----

TMainForm::TMainForm(TSession& Session, QWidget* Parent)
    : QMainWindow(Parent), Session(Session),
      PortNoticeFollower(std::make_unique<TPortNoticeFollower>(Session.Head(), Session.Info())),
      ApplicationTitle(SProductName) {
    setFont(FormFont());
    setWindowTitle(Text(SMainFormCaption));
    setWindowIcon(Picture(QStringLiteral("velmora")));

    FileDialogRunner = &TMainForm::RunFileDialog;
    ConfirmOverwrite = [this](const QString& Question) {
        return QMessageBox::question(this, Text(SConfirmationCaption), Question,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    ConfirmCloseDuringOperation = ConfirmOverwrite;
    ConfirmChipErase = [this](const QString& Question, bool& DoNotAskAgain) {
        QMessageBox Box(QMessageBox::Warning, Text(SConfirmationCaption), Question,
                        QMessageBox::Yes | QMessageBox::No, this);
        Box.setDefaultButton(QMessageBox::No);
        auto* DoNotAsk = new QCheckBox(Text(SDoNotAskAgain), &Box);
        Box.setCheckBox(DoNotAsk);
        const bool Confirmed = Box.exec() == QMessageBox::Yes;
        DoNotAskAgain = Confirmed && DoNotAsk->isChecked();
        return Confirmed;
    };
    PortDialogRunner = [](TPortChoiceForm& Form) { return Form.exec(); };
    RangeDialogRunner = [](TPagesRangeForm& Form, int MinIndex, int MaxIndex) {
        return Form.Execute(MinIndex, MaxIndex);
    };
    AskAboutUnsavedRead = [this](const QString& Question) {
        return AskSaveDontSaveCancel(this, Question);
    };

    CreateActions();
    CreateMenu();
    CreateToolBar();
    auto* Central = new QWidget(this);
    setCentralWidget(Central);
    CreateImageGroup(Central);
    CreatePages(Central);
    StatusBar =
        new TPanelStatusBar({PercentPanelWidth, ProgressPanelWidth, RemainingPanelWidth}, this);
    setStatusBar(StatusBar);
    CreateDialogs();
    AssignShortcuts();
    FileNameEdit->installEventFilter(this);
    StateLabel->installEventFilter(this);

    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    GrowForTheChipMap();
    setMinimumSize(SmallestWindowWidth, SmallestWindowHeight);
    if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
        move(Screen->availableGeometry().center() - rect().center());
    }

    FormCreate();
}

std::optional<QString> TMainForm::RunFileDialog(QFileDialog& Dialog) {
    const int Result = Dialog.exec();
    HideCompletionPopups(Dialog);
    if (Result != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return Dialog.selectedFiles().constFirst();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

QAction* TMainForm::MakeAction(const char* Caption, void (TMainForm::*Handler)(),
                               const QString& PictureName) {
    auto* Action = new QAction(Text(Caption), this);
    if (!PictureName.isEmpty()) {
        Action->setIcon(Picture(PictureName));
    }
    connect(Action, &QAction::triggered, this,
            [this, Handler] { Guarded([this, Handler] { (this->*Handler)(); }); });
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
    NewBurnImage =
        MakeAction(SNewImageCaption, &TMainForm::NewBurnImageExecute, QStringLiteral("new"));
    LoadImageFromFileAction = MakeAction(
        SLoadImageCaption, &TMainForm::LoadImageFromFileActionExecute, QStringLiteral("open"));
    SaveImageToFileAction = MakeAction(
        SSaveImageAsCaption, &TMainForm::SaveImageToFileActionExecute, QStringLiteral("save"));
    SaveImageToFileAction->setIconText(Text(SSaveButtonCaption));

    WriteImageAction = MakeAction(SWriteImageCaption, &TMainForm::WriteImageActionExecute,
                                  QStringLiteral("write"));
    WriteImageAction->setIconText(Text(SWriteButtonCaption));
    ReadAction =
        MakeAction(SReadImageCaption, &TMainForm::ReadActionExecute, QStringLiteral("read"));
    ReadAction->setIconText(Text(SReadButtonCaption));
    DeleteAction =
        MakeAction(SDeleteImageCaption, &TMainForm::DeleteActionExecute, QStringLiteral("erase"));
    DeleteAction->setIconText(Text(SDeleteButtonCaption));
    CompareImageAction = MakeAction(SCompareImageCaption, &TMainForm::CompareImageActionExecute,
                                    QStringLiteral("compare"));
    CompareImageAction->setIconText(Text(SCompareButtonCaption));
    for (QAction* Full : {WriteImageAction, ReadAction, DeleteAction, CompareImageAction}) {
        Full->setCheckable(true);
    }

    WriteConcreatePagesAction =
        MakeAction(SWritePagesCaption, &TMainForm::WriteConcreatePagesActionExecute);
    ReadConcreatePagesAction =
        MakeAction(SReadPagesCaption, &TMainForm::ReadConcreatePagesActionExecute);
    DeleteConcreatePagesAction =
        MakeAction(SDeletePagesCaption, &TMainForm::DeleteConcreatePagesActionExecute);
    CompareConcreatePagesAction =
        MakeAction(SComparePagesCaption, &TMainForm::CompareConcreatePagesActionExecute);
    InitialyzeAction = MakeAction(SInitializeCaption, &TMainForm::InitialyzeActionExecute,
                                  QStringLiteral("initialize"));
    ClearInfoEditAction = MakeAction(SClearInfoCaption, &TMainForm::ClearInfoEditActionExecute,
                                     QStringLiteral("clear"));
    ShowImageAction = MakeAction(SShowImageCaption, &TMainForm::ShowImageActionExecute);
    StopAction = MakeAction(SStopCaption, &TMainForm::StopActionExecute);
    StopAction->setEnabled(false);
    VerifyAllAction = MakeAction(SVerifyAllCaption, &TMainForm::VerifyAllActionExecute);

    N4 = MakeAction(SExitCaption, &TMainForm::N4Click, QStringLiteral("exit"));
    COM1 = MakeAction(SComPortMenuCaption, &TMainForm::COM1Click, QStringLiteral("port"));
    HelpItem = MakeAction(SHelpItemCaption, &TMainForm::HelpItemClick);
    N5 = MakeAction(SAboutItemCaption, &TMainForm::N5Click, QStringLiteral("about"));
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

void TMainForm::CreateImageGroup(QWidget* Central) {
    auto* CentralLayout = new TAnchorLayout(Central, QSize(ClientWidth, DesignCentralHeight));
    MainGroupBox = new QGroupBox(Text(SImageGroupCaption), Central);
    CentralLayout->Add(MainGroupBox, QRect(8, 59 - DesignToolBarHeight, 393, 134),
                       akLeft | akTop | akRight);

    const QSize GroupSize(393, 134);
    auto* GroupLayout = new TAnchorLayout(MainGroupBox, GroupSize);
    const int LabelHeight = fontMetrics().height() + 2;
    const int LabelWidth = GroupSize.width() - 80 - 8;

    FileStateImage = new QLabel(MainGroupBox);
    FileStateImage->setAlignment(Qt::AlignCenter);
    GroupLayout->Add(FileStateImage, QRect(5, 24, StatePictureSize, StatePictureSize));

    StateLabel = new QLabel(MainGroupBox);
    QFont Bold = font();
    Bold.setBold(true);
    StateLabel->setFont(Bold);
    GroupLayout->Add(StateLabel, QRect(80, 23, LabelWidth, LabelHeight), akLeft | akTop | akRight);

    PageLengthLabel = new QLabel(MainGroupBox);
    GroupLayout->Add(PageLengthLabel, QRect(80, 57, LabelWidth, LabelHeight),
                     akLeft | akTop | akRight);
    PageCountLable = new QLabel(MainGroupBox);
    GroupLayout->Add(PageCountLable, QRect(80, 73, LabelWidth, LabelHeight),
                     akLeft | akTop | akRight);

    FileNameEdit = new TConstraintedEdit(MainGroupBox);
    QPalette EditPalette = FileNameEdit->palette();
    EditPalette.setColor(QPalette::Base, ColorToQColor(FileNameEditColor));
    FileNameEdit->setPalette(EditPalette);
    FileNameEdit->SetInsideHint(Text(SFileNameHint));
    FileNameEdit->SetInsideHintColor(SilverColor);
    FileNameEdit->SetIsClearOnEnter(false);
    FileNameEdit->SetIsColorSelfAsLabel(false);
    FileNameEdit->SetIsCheckOnChange(false);
    FileNameEdit->SetIsCheckOnCreate(false);
    GroupLayout->Add(FileNameEdit, QRect(16, 96, 321, std::max(21, LabelHeight + 6)),
                     akLeft | akTop | akRight);

    OpenFileButton = new QPushButton(MainGroupBox);
    OpenFileButton->setIcon(Picture(QStringLiteral("open")));
    OpenFileButton->setIconSize(QSize(24, 24));
    OpenFileButton->setToolTip(Text(SOpenFileHint));
    connect(OpenFileButton, &QPushButton::clicked, LoadImageFromFileAction, &QAction::trigger);
    connect(LoadImageFromFileAction, &QAction::changed, OpenFileButton,
            [this] { OpenFileButton->setEnabled(LoadImageFromFileAction->isEnabled()); });
    GroupLayout->Add(OpenFileButton, QRect(343, 90, 35, 33), akTop | akRight);
}

void TMainForm::CreatePages(QWidget* Central) {
    auto* CentralLayout = Central->findChild<TAnchorLayout*>();
    PageControl1 = new QTabWidget(Central);
    CentralLayout->Add(PageControl1, QRect(8, 200 - DesignToolBarHeight, 395, DesignPagesHeight),
                       akLeft | akTop | akRight | akBottom);

    TabSheet1 = new QWidget;
    PageControl1->addTab(TabSheet1, Text(SInfoTabCaption));
    auto* InfoLayout = new QVBoxLayout(TabSheet1);
    InfoLayout->setContentsMargins(0, 0, 0, 0);
    InfoRichEdit = new TColorRichEdit(TabSheet1);
    InfoRichEdit->setReadOnly(true);
    InfoRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    InfoRichEdit->IsScrollToBottom = true;
    InfoRichEdit->IsNumberLines = false;
    InfoRichEdit->IsAddTime = true;
    InfoRichEdit->IsAddDate = false;
    InfoRichEdit->Delimiter = QStringLiteral(": ");
    InfoRichEdit->NumberDelimiter.clear();
    InfoRichEdit->TimeDelimiter.clear();
    InfoRichEdit->DateDelimiter.clear();
    InfoLayout->addWidget(InfoRichEdit);

    ImageViewTabSheet = new QWidget;
    PageControl1->addTab(ImageViewTabSheet, Text(SImageViewTabCaption));
    auto* ViewLayout = new QVBoxLayout(ImageViewTabSheet);
    ViewLayout->setContentsMargins(4, 4, 4, 4);
    auto* Row = new QHBoxLayout;
    BitBtn1 = new QPushButton(Text(SShowImageCaption), ImageViewTabSheet);
    connect(BitBtn1, &QPushButton::clicked, ShowImageAction, &QAction::trigger);
    Row->addWidget(BitBtn1);
    Label1 = new QLabel(Text(SShowImageNote), ImageViewTabSheet);
    QFont Small = font();
    Small.setPointSize(7);
    Label1->setFont(Small);
    QPalette NotePalette = Label1->palette();
    NotePalette.setColor(QPalette::WindowText, ColorToQColor(GreyColor));
    Label1->setPalette(NotePalette);
    Row->addWidget(Label1);
    Row->addStretch();
    ViewLayout->addLayout(Row);

    MemoryMapMemo = new QPlainTextEdit(ImageViewTabSheet);
    QFont Mono(QStringLiteral("Courier New"), 8);
    Mono.setStyleHint(QFont::Monospace);
    Mono.setFixedPitch(true);
    MemoryMapMemo->setFont(Mono);
    MemoryMapMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoryMapMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoryMapMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ViewLayout->addWidget(MemoryMapMemo);

    ChipMapTabSheet = new QWidget;
    PageControl1->addTab(ChipMapTabSheet, Text(SChipMapTabCaption));
    auto* SheetLayout = new QVBoxLayout(ChipMapTabSheet);
    SheetLayout->setContentsMargins(0, 0, 0, 0);
    // Below the size at which a page's cell can still be seen the tab scrolls instead.
    auto* MapScrollArea = new QScrollArea(ChipMapTabSheet);
    MapScrollArea->setFrameShape(QFrame::NoFrame);
    MapScrollArea->setWidgetResizable(true);
    SheetLayout->addWidget(MapScrollArea);
    auto* MapContent = new QWidget;
    auto* MapLayout = new QVBoxLayout(MapContent);
    MapLayout->setContentsMargins(4, 4, 4, 4);
    ChipMap = new TChipMap(MapContent);
    MapLayout->addWidget(ChipMap, 1);
    MapLayout->addWidget(new TChipMapLegend(MapContent));
    MapScrollArea->setWidget(MapContent);
    ChipMapContent = MapContent;
    connect(ChipMap, &TChipMap::PageClicked, this,
            [this](int Page) { Guarded([this, Page] { ShowChipPage(Page); }); });
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
    for (QAction* Action : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
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

// ---- Life cycle ----

void TMainForm::FormCreate() {
    Session.AttachView(this);
    Session.SetProcessMessages([] { QCoreApplication::processEvents(); });
    // The window repaints and takes a stop while the programmer's answer is awaited, time-outs
    // included.
    Session.SetWhileWaiting([] { QCoreApplication::processEvents(); });
    Session.BurnImage().SetState(bisEmpty);
    ProgressBar = CreateProgressBar();
    ReportPortProblem();
}

void TMainForm::FormClose() {
    Head().StopCurrentOperation();
}

void TMainForm::FormDestroy() {
    if (IsDestroyed) {
        return;
    }
    IsDestroyed = true;
    Session.SetProcessMessages(nullptr);
    Session.SetWhileWaiting(nullptr);
    Session.AttachView(nullptr);
}

THeadManager& TMainForm::Head() {
    return Session.Head();
}

const THeadManager& TMainForm::Head() const {
    return Session.Head();
}

void TMainForm::ReportPortProblem() {
    const std::optional<TCommOpenResult> Problem = Session.GetPortProblem();
    if (!Problem) {
        return;
    }
    const std::string Reason = PortProblemText(*Problem);
    Session.Info().AddMessage(
        FormatText(SPortNotOpened, Head().GetPortName().c_str(), Reason.c_str()), clRed);
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    if (RunningAction == nullptr) {
        if (!MayCloseNow()) {
            Event->ignore();
            return;
        }
        FormClose();
        Event->accept();
        return;
    }
    // The operation unwinds first (it runs below this event); the window closes at its end.
    Event->ignore();
    if (CloseAfterOperation || !ConfirmCloseDuringOperation(Text(SConfirmCloseDuringOperation))) {
        return;
    }
    CloseAfterOperation = true;
    StopActionExecute();
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

void TMainForm::GrowForTheChipMap() {
    // The tool bar and the status bar take what this platform's style gives them: the pages'
    // height is measured once the window is laid out.
    layout()->activate();
    centralWidget()->findChild<TAnchorLayout*>()->Apply();
    const int Lacking =
        PagesHeightFor(*PageControl1, ChipMapContent->sizeHint().height()) - PageControl1->height();
    if (Lacking > 0) {
        resize(width(), height() + Lacking);
    }
}

QProgressBar* TMainForm::CreateProgressBar() {
    auto* Bar = new QProgressBar(StatusBar);
    Bar->setRange(0, 100);
    Bar->setValue(0);
    Bar->setTextVisible(false);
    Bar->setGeometry(StatusBar->PanelLeft(1), 2, StatusBar->PanelWidth(1) - 1,
                     StatusBar->height() - 2);
    Bar->setVisible(true);
    return Bar;
}

// ---- Errors ----

void TMainForm::ApplicationEventsException(QObject*, const std::exception& Error) {
    if (Session.Info().GetView() != nullptr) {
        Session.Info().AddMessage(Error.what(), clRed);
    } else {
        AddInfoLine(Error.what(), clRed);
    }
}

void TMainForm::Guarded(const std::function<void()>& Handler) {
    const auto Report = [this](const std::function<void()>& Step) {
        try {
            Step();
        } catch (const std::exception& Error) {
            ApplicationEventsException(this, Error);
        } catch (...) {
            ApplicationEventsException(this, Exception(SUnknownException));
        }
    };
    Report(Handler);
    Report([this] { PortNoticeFollower->HandleHeldNotices(); });
}

// ---- IMainView ----

void TMainForm::ShowStatePicture(TStatePicture Picture, bool ClearFirst) {
    if (ClearFirst) {
        FileStateImage->clear();
    }
    // The label replaces its picture as a whole, so a picture drawn without clearing first
    // leaves nothing of the previous one either.
    FileStateImage->setPixmap(StatePixmap(Picture));
    StatePicture = Picture;
}

void TMainForm::SetStateLabel(const std::string& Text) {
    StateLabelText = ToQString(Text);
    ShowStateLabel();
}

void TMainForm::ShowStateLabel() {
    const int Width = StateLabel->contentsRect().width();
    StateLabel->setText(
        QFontMetrics(StateLabel->font()).elidedText(StateLabelText, Qt::ElideMiddle, Width));
    StateLabel->setToolTip(StateLabelText);
}

void TMainForm::SetPageCountLabel(const std::string& Text) {
    PageCountLable->setText(ToQString(Text));
}

void TMainForm::SetPageLengthLabel(const std::string& Text) {
    PageLengthLabel->setText(ToQString(Text));
}

void TMainForm::SetFileNameText(const std::string& FullPath) {
    FileNameFullPath = FullPath;
    ShowFileName();
}

void TMainForm::ShowFileName() {
    const QString FullPath = ToQString(FileNameFullPath);
    FileNameEdit->setText(
        ShortenPath(FullPath, QFontMetrics(FileNameEdit->font()), LineEditTextWidth(FileNameEdit)));
    FileNameEdit->setToolTip(FullPath);
}

void TMainForm::UpdateActions(const TActionFlags& Flags) {
    ImageFlags = Flags;
    ApplyEnabledState();
}

void TMainForm::ApplyEnabledState() {
    if (RunningAction == nullptr) {
        for (QAction* Action : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
            Action->setEnabled(true);
        }
        WriteImageAction->setEnabled(ImageFlags.Write);
        ReadAction->setEnabled(ImageFlags.Read);
        CompareImageAction->setEnabled(ImageFlags.Compare);
        VerifyAllAction->setEnabled(ImageFlags.Compare);
        // The range forms need image pages as much as their full forms do.
        WriteConcreatePagesAction->setEnabled(ImageFlags.Write);
        CompareConcreatePagesAction->setEnabled(ImageFlags.Compare);
        SaveImageToFileAction->setEnabled(ImageFlags.Save);
        DeleteAction->setEnabled(ImageFlags.Delete);
        LoadImageFromFileAction->setEnabled(ImageFlags.Load);
        StopAction->setEnabled(false);
        for (QMenu* Menu : {FileMenuItem, SettingsMenuItem, CommandsMenuItem, HelpMenuItem}) {
            Menu->menuAction()->setEnabled(ImageFlags.Menus);
        }
        return;
    }
    // While a command runs the menus stay open for what cannot conflict with it: stopping,
    // clearing the information pane, the dump, help and leaving. The running full operation's
    // button stays on as its stop until a stop was asked for.
    for (QAction* Action : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (Action->menu() == nullptr) {
            Action->setEnabled(HarmlessDuringOperation(*this, Action));
        }
    }
    const bool Stoppable = !StopRequested && RunningAction != InitialyzeAction;
    RunningAction->setEnabled(Stoppable && RunningAction->isCheckable());
    StopAction->setEnabled(Stoppable);
    for (QMenu* Menu : {FileMenuItem, SettingsMenuItem, CommandsMenuItem, HelpMenuItem}) {
        Menu->menuAction()->setEnabled(true);
    }
}

void TMainForm::Repaint() {
    update();
}

void TMainForm::ClearImageView() {
    MemoryMapMemo->clear();
}

void TMainForm::ShowImagePages(const std::vector<int>& Pages) {
    ChipMap->SetImagePages(Pages);
}

void TMainForm::ShowPageOutcome(int Page, TPageOutcome Outcome) {
    ChipMap->SetPageOutcome(Page, Outcome);
}

void TMainForm::AddInfoLine(const std::string& Text, TColor Color) {
    InfoRichEdit->AddLine(ToQString(Text), Color);
}

void TMainForm::ClearInfo() {
    InfoRichEdit->clear();
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

// ---- Actions ----

void TMainForm::RunFullOperation(QAction* Action, const std::function<void()>& Operation) {
    if (RunningAction != nullptr) {
        // The running operation's own button is its stop.
        StopActionExecute();
        return;
    }
    RunCommand(Action, Operation);
}

void TMainForm::RunCommand(QAction* Action, const std::function<void()>& Command) {
    if (RunningAction != nullptr) {
        throw Exception(SProgrammerInUse);
    }
    // Ends the command however it ends: everything back as the image allows, the progress idle,
    // and a close that waited for the end carried out.
    class TCommandEnd {
    public:
        explicit TCommandEnd(TMainForm& Form) : Form(Form) {}
        ~TCommandEnd() {
            QAction* Action = Form.RunningAction;
            Form.RunningAction = nullptr;
            Form.StopRequested = false;
            Action->setChecked(false);
            Form.Session.ResetProgress();
            Form.ApplyEnabledState();
            if (Form.CloseAfterOperation) {
                Form.CloseAfterOperation = false;
                Form.close();
            }
        }
        TCommandEnd(const TCommandEnd&) = delete;
        TCommandEnd& operator=(const TCommandEnd&) = delete;

    private:
        TMainForm& Form;
    };

    RunningAction = Action;
    StopRequested = false;
    Action->setChecked(Action->isCheckable());
    ApplyEnabledState();
    TCommandEnd End(*this);
    Command();
}

void TMainForm::StopActionExecute() {
    if (RunningAction == nullptr || StopRequested) {
        return;
    }
    StopRequested = true;
    Head().StopCurrentOperation();
    RunningAction->setChecked(false);
    ApplyEnabledState();
}

bool TMainForm::ChipEraseConfirmed() {
    const std::string& SettingsFile = Session.GetOptions().SettingsFileName;
    if (!LoadAskBeforeChipErase(SettingsFile)) {
        return true;
    }
    bool DoNotAskAgain = false;
    if (!ConfirmChipErase(Text(SConfirmEraseChip), DoNotAskAgain)) {
        return false;
    }
    if (DoNotAskAgain) {
        SaveAskBeforeChipErase(false, SettingsFile);
    }
    return true;
}

std::pair<int, int> TMainForm::ImagePageBounds() const {
    const std::vector<int> Pages = Head().ImagePageNumbers();
    return Pages.empty() ? std::make_pair(0, -1) : std::make_pair(Pages.front(), Pages.back());
}

bool TMainForm::UnsavedReadMayBeReplaced() {
    return MayReplaceImage(
        Head(), [this] { return AskAboutUnsavedRead(Text(SUnsavedReadQuestion)); },
        [this] { SaveImageToFileActionExecute(); });
}

bool TMainForm::MayCloseNow() {
    bool MayClose = false;
    Guarded([this, &MayClose] { MayClose = UnsavedReadMayBeReplaced(); });
    return MayClose;
}

std::optional<std::pair<int, int>> TMainForm::AskPagesRange(const QAction* Operation, int MinIndex,
                                                            int MaxIndex) {
    TPagesRangeForm& Form = GetPagesRangeForm();
    Form.setWindowTitle(RangeDialogTitle(*Operation));
    if (RangeDialogRunner(Form, MinIndex, MaxIndex) != TPagesRangeForm::mrOk) {
        return std::nullopt;
    }
    const int First = Form.GetStartIndex();
    const int Last = Form.GetEndIndex();
    return std::make_pair(First, Last);
}

void TMainForm::NewBurnImageExecute() {
    if (!UnsavedReadMayBeReplaced()) {
        return;
    }
    Head().ClearImage();
    Session.ResetProgress();
}

void TMainForm::LoadImageFromFileActionExecute() {
    if (!UnsavedReadMayBeReplaced()) {
        return;
    }
    const std::optional<QString> Chosen = FileDialogRunner(*FileOpenDialog);
    if (!Chosen || Chosen->isEmpty()) {
        return;
    }
    Head().LoadImageFromFile(ToStdString(*Chosen));
}

void TMainForm::SaveImageToFileActionExecute() {
    THeadManager& Manager = Head();
    if (Manager.IsImageEmpty()) {
        throw Exception(SCannotSaveEmptyImage);
    }
    SaveDialog->selectFile(ToQString(Session.BurnImage().GetImageName()));
    const std::optional<QString> Chosen = FileDialogRunner(*SaveDialog);
    if (!Chosen || Chosen->isEmpty()) {
        return;
    }
    const std::string Target = ImageFileTarget(ToStdString(*Chosen));
    std::error_code Error;
    if (std::filesystem::exists(Target, Error)) {
        const std::string Question = FormatText(SFileExistsOverwrite, FileNamePart(Target).c_str());
        if (!ConfirmOverwrite(ToQString(Question))) {
            return;
        }
    }
    Manager.SaveImageToFile(Target);
    Session.Info().AddMessage(FormatText(SImageSavedToFile, Target.c_str()), clGreen);
}

void TMainForm::WriteImageActionExecute() {
    RunFullOperation(WriteImageAction, [this] { Head().WriteImage(); });
}

void TMainForm::ReadActionExecute() {
    // A second press stops the running read; only a new read asks about the image it replaces.
    if (RunningAction == nullptr && !UnsavedReadMayBeReplaced()) {
        ReadAction->setChecked(false);
        return;
    }
    RunFullOperation(ReadAction, [this] { Head().ReadImage(); });
}

void TMainForm::DeleteActionExecute() {
    if (RunningAction == nullptr && !ChipEraseConfirmed()) {
        DeleteAction->setChecked(false);
        return;
    }
    RunFullOperation(DeleteAction, [this] { Head().DeleteImage(); });
}

void TMainForm::CompareImageActionExecute() {
    RunFullOperation(CompareImageAction, [this] {
        switch (Head().CompareImage()) {
        case THeadManager::CompareEqual:
            Session.Info().AddMessage(SImageMatches, clGreen);
            break;
        case THeadManager::CompareDifferent:
            Session.Info().AddMessage(SImageDiffers, clRed);
            break;
        default: // stopped: the head manager has said so
            break;
        }
    });
}

void TMainForm::WriteConcreatePagesActionExecute() {
    const auto [FirstPage, LastPage] = ImagePageBounds();
    if (const auto Range = AskPagesRange(WriteConcreatePagesAction, FirstPage, LastPage)) {
        RunCommand(WriteConcreatePagesAction,
                   [this, &Range] { Head().WritePages(Range->first, Range->second); });
    }
}

void TMainForm::ReadConcreatePagesActionExecute() {
    if (!UnsavedReadMayBeReplaced()) {
        return;
    }
    if (const auto Range = AskPagesRange(ReadConcreatePagesAction, 0, THeadManager::LastChipPage)) {
        RunCommand(ReadConcreatePagesAction,
                   [this, &Range] { Head().ReadPages(Range->first, Range->second); });
    }
}

void TMainForm::DeleteConcreatePagesActionExecute() {
    if (const auto Range =
            AskPagesRange(DeleteConcreatePagesAction, 0, THeadManager::LastChipPage)) {
        RunCommand(DeleteConcreatePagesAction,
                   [this, &Range] { Head().DeletePages(Range->first, Range->second); });
    }
}

void TMainForm::CompareConcreatePagesActionExecute() {
    const auto [FirstPage, LastPage] = ImagePageBounds();
    if (const auto Range = AskPagesRange(CompareConcreatePagesAction, FirstPage, LastPage)) {
        RunCommand(CompareConcreatePagesAction,
                   [this, &Range] { Head().ComparePages(Range->first, Range->second); });
    }
}

void TMainForm::VerifyAllActionExecute() {
    RunCommand(VerifyAllAction, [this] {
        TVerification Verification(Head());
        Verification.OnPage = [this](int Page, TPageState State, const TPageDifference&) {
            ChipMap->SetPageOutcome(Page, State == TPageState::Equal ? TPageOutcome::Equal
                                                                     : TPageOutcome::Different);
        };
        Verification.VerifyImage();
    });
}

void TMainForm::InitialyzeActionExecute() {
    RunCommand(InitialyzeAction, [this] { Head().Initialize(); });
}

void TMainForm::ClearInfoEditActionExecute() {
    Session.Info().Clear();
}

void TMainForm::ShowImageActionExecute() {
    const std::vector<std::string> Lines = Head().ImageToStrings();
    QStringList Text;
    Text.reserve(static_cast<qsizetype>(Lines.size()));
    for (const std::string& Line : Lines) {
        Text << ToQString(Line);
    }
    MemoryMapMemo->setPlainText(Text.join(QLatin1Char('\n')));
}

void TMainForm::ShowChipPage(int Page) {
    PageControl1->setCurrentWidget(ImageViewTabSheet);
    const std::shared_ptr<IMemoryMap>& Map = Head().GetMemoryMap();
    const TMemoryPage* Shown = Map != nullptr ? Map->FindPage(Page) : nullptr;
    if (Shown == nullptr) {
        return;
    }
    if (MemoryMapMemo->document()->isEmpty()) {
        ShowImageActionExecute();
    }
    const QTextBlock Block = DumpLineOfAddress(*MemoryMapMemo->document(), Shown->GetAddress());
    if (!Block.isValid()) {
        return;
    }
    QTextCursor Cursor(Block);
    MemoryMapMemo->setTextCursor(Cursor);
    MemoryMapMemo->centerCursor();
}

// Offers the ports present; the name typed or chosen is set. Cancelled, the dialog sets the
// same port again, which reopens it.
void TMainForm::COM1Click() {
    THeadManager& Manager = Head();
    const std::string Current = Manager.GetPortName();
    TPortChoiceForm Form(ToQString(Current), PresentPortChoices(DefaultSysfsRoot(), Current), this);
    const bool Accepted = PortDialogRunner(Form) == QDialog::Accepted;
    if (!Manager.SetPortName(Accepted ? ToStdString(Form.PortName()) : Current)) {
        ReportPortProblem();
    }
}

void TMainForm::HelpItemClick() {
    if (HelpForm == nullptr) {
        HelpForm = new QDialog(this);
        HelpForm->setWindowTitle(Text(SHelpCaption));
        auto* Layout = new QVBoxLayout(HelpForm);
        auto* Browser = new QTextBrowser(HelpForm);
        Browser->setOpenExternalLinks(true);
        const QString Markdown = HelpText();
        if (Markdown.isEmpty()) {
            Browser->setPlainText(Text(SHelpNotFound));
        } else {
            Browser->setMarkdown(Markdown);
        }
        Layout->addWidget(Browser);
        auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Close, HelpForm);
        connect(Buttons, &QDialogButtonBox::rejected, HelpForm, &QDialog::close);
        Layout->addWidget(Buttons);
        HelpForm->resize(640, 560);
    }
    HelpForm->show();
    HelpForm->raise();
    HelpForm->activateWindow();
}

void TMainForm::N4Click() {
    close();
}

void TMainForm::N5Click() {
    GetAboutForm().Execute();
}

// ---- Serial ports arriving and leaving ----

void TMainForm::PortArrived(const std::string& Name) {
    Guarded([this, &Name] { PortNoticeFollower->PortArrived(Name); });
}

void TMainForm::PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) {
    Guarded([this, &Name, &OtherNames] { PortNoticeFollower->PortRemoved(Name, OtherNames); });
}
