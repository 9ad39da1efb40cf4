// The main window against the programmer simulator on a pseudo-terminal, through its real
// widgets: actions are triggered and buttons clicked, labels, colours and enabled states read.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/Session.h"
#include "operations/Settings.h"
#include "simulator/ProgrammerSimulator.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"
#include "ui/ChipMap.h"
#include "ui/ColorRichEdit.h"
#include "ui/ConstraintedEdit.h"
#include "ui/MainForm.h"
#include "ui/Mnemonics.h"
#include "ui/PagesRangeForm.h"
#include "ui/PanelStatusBar.h"
#include "ui/PortChoiceForm.h"
#include "ui/PortWatcherNotifier.h"
#include "ui/VelmoraApplication.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

char* toString(const TActionFlags& Flags) {
    const std::string Text =
        std::string("Write=") + (Flags.Write ? "on" : "off") +
        " Read=" + (Flags.Read ? "on" : "off") + " Compare=" + (Flags.Compare ? "on" : "off") +
        " Save=" + (Flags.Save ? "on" : "off") + " Delete=" + (Flags.Delete ? "on" : "off") +
        " Menus=" + (Flags.Menus ? "on" : "off") + " Load=" + (Flags.Load ? "on" : "off");
    return qstrdup(Text.c_str());
}

namespace {

namespace fs = std::filesystem;

constexpr TColor Black = 0x000000;
constexpr TColor Green = 0x008000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;

const TActionFlags Everything{};
const TActionFlags EmptyImage{false, true, false, false, true, true, true};
// While a full write runs: its button (the stop) and the menus, for what cannot conflict.
const TActionFlags OnlyWrite{true, false, false, false, false, true, false};

struct TLine {
    QString Text;
    TColor Color;
};

// The lines of the information pane without their time prefix.
std::vector<TLine> InfoLines(const TMainForm& Window) {
    std::vector<TLine> Lines;
    for (QTextBlock Block = Window.InfoRichEdit->document()->begin(); Block.isValid();
         Block = Block.next()) {
        const QString Text = Block.text();
        if (Text.isEmpty()) {
            continue;
        }
        const qsizetype Separator = Text.indexOf(QStringLiteral(": "));
        const QColor Color = Block.begin().fragment().charFormat().foreground().color();
        Lines.push_back({Separator < 0 ? Text : Text.mid(Separator + 2), QColorToColor(Color)});
    }
    return Lines;
}

bool HasLine(const std::vector<TLine>& Lines, const QString& Text, TColor Color) {
    for (const TLine& Line : Lines) {
        if (Line.Text == Text && Line.Color == Color) {
            return true;
        }
    }
    return false;
}

bool HasText(const std::vector<TLine>& Lines, const QString& Text) {
    for (const TLine& Line : Lines) {
        if (Line.Text == Text) {
            return true;
        }
    }
    return false;
}

QString Q(const char* Text) {
    return QString::fromUtf8(Text);
}

// A caption without its mnemonic marker.
QString Plain(const QString& Caption) {
    QString Text = Caption;
    return Text.remove(QLatin1Char('&'));
}

QList<QMenu*> TopMenus(const TMainForm& Window) {
    return {Window.FileMenuItem, Window.SettingsMenuItem, Window.CommandsMenuItem,
            Window.HelpMenuItem};
}

// What is enabled, as the flags of UpdateActions; Menus only when all four menus are on.
TActionFlags Shown(const TMainForm& Window) {
    bool Menus = true;
    for (QMenu* Menu : TopMenus(Window)) {
        Menus = Menus && Menu->menuAction()->isEnabled();
    }
    return {Window.WriteImageAction->isEnabled(),       Window.ReadAction->isEnabled(),
            Window.CompareImageAction->isEnabled(),     Window.SaveImageToFileAction->isEnabled(),
            Window.DeleteAction->isEnabled(),           Menus,
            Window.LoadImageFromFileAction->isEnabled()};
}

// The window's commands that are enabled now.
QSet<QAction*> EnabledCommands(const TMainForm& Window) {
    QSet<QAction*> Enabled;
    for (QAction* Action : Window.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (Action->isEnabled()) {
            Enabled.insert(Action);
        }
    }
    return Enabled;
}

bool AnyFullActionChecked(const TMainForm& Window) {
    for (QToolButton* Button : {Window.WriteToolButton, Window.ReadToolButton,
                                Window.DeleteToolButton, Window.CompareToolButton}) {
        if (Button->isChecked() || Button->defaultAction()->isChecked()) {
            return true;
        }
    }
    return false;
}

TVelmoraApplication* Application() {
    return static_cast<TVelmoraApplication*>(QCoreApplication::instance());
}

// A simulator, the process-wide objects on its port, a settings file and the window, with the
// dialogs answered by the test.
class TWorld {
public:
    explicit TWorld(TSimulatorOptions Options = {},
                    const std::optional<std::string>& StoredPort = std::nullopt)
        : Simulator(StartSimulator(std::move(Options))), PortPath(Simulator->GetPortPath()) {
        SettingsFile = Path("Settings.ini");
        SavePortName(StoredPort.value_or(PortPath), SettingsFile);
        TSessionOptions SessionOptions;
        SessionOptions.SettingsFileName = SettingsFile;
        SessionOptions.LogFileName = Path("Velmora.log");
        SessionOptions.StorePort = true;
        Session = std::make_unique<TSession>(SessionOptions);
        Window = std::make_unique<TMainForm>(*Session);
        Window->FileDialogRunner = [this](QFileDialog& Dialog) -> std::optional<QString> {
            ++DialogsShown;
            LastDialog = &Dialog;
            if (&Dialog == Window->SaveDialog && SaveAs) {
                return SaveAs->isEmpty() ? std::nullopt : SaveAs;
            }
            return ChosenFile;
        };
        DefaultUnsavedReadQuestion = Window->AskAboutUnsavedRead;
        Window->AskAboutUnsavedRead = [this](const QString& Question) {
            UnsavedReadQuestions << Question;
            return UnsavedReadAnswer;
        };
        Window->ConfirmOverwrite = [this](const QString& Question) {
            Questions << Question;
            return OverwriteAnswer;
        };
        DefaultCloseQuestion = Window->ConfirmCloseDuringOperation;
        Window->ConfirmCloseDuringOperation = [this](const QString& Question,
                                                     std::function<void(bool Yes)> Answered) {
            Questions << Question;
            Answered(CloseAnswer);
        };
        Window->ConfirmChipErase = [this](const QString& Question, bool& DoNotAskAgain) {
            Questions << Question;
            DoNotAskAgain = EraseDoNotAskAgain;
            return EraseAnswer;
        };
        Window->PortDialogRunner = [this](TPortChoiceForm& Form) {
            InputCaption = Form.windowTitle();
            InputPrompt = Form.PromptLabel->text();
            InputPreset = Form.PortName();
            if (!InputAnswer) {
                Form.Buttons->button(QDialogButtonBox::Cancel)->click();
                return Form.result();
            }
            Form.PortNameEdit->setText(*InputAnswer);
            Form.Buttons->button(QDialogButtonBox::Ok)->click();
            return Form.result();
        };
        Window->RangeDialogRunner = [this](TPagesRangeForm& Form, int MinIndex, int MaxIndex) {
            RangeBounds = {MinIndex, MaxIndex};
            RangeTitle = Form.windowTitle();
            Form.Prepare(MinIndex, MaxIndex);
            Form.StartIndexEdit->setText(QString::number(RangeFirst));
            Form.EndIndexEdit->setText(QString::number(RangeLast));
            return RangeResult;
        };
        Application()->OnException = [this](QObject* Sender, const std::exception& Error) {
            Window->ApplicationEventsException(Sender, Error);
        };
        Window->show();
    }

    ~TWorld() {
        Application()->OnException = nullptr;
        Window.reset();
        Session.reset();
        Simulator->Stop();
    }

    TWorld(const TWorld&) = delete;
    TWorld& operator=(const TWorld&) = delete;

    std::string Path(const std::string& Name) const {
        return Folder.filePath(QString::fromStdString(Name)).toStdString();
    }

    // Loads an image of Count pattern pages through the window's load action.
    void LoadImage(int Count, const std::string& Name = "image.ldr", int Seed = 0) {
        WriteImageFile(Path(Name), Count, Seed);
        ChosenFile = QString::fromStdString(Path(Name));
        Window->LoadImageFromFileAction->trigger();
    }

    std::vector<TLine> Lines() const { return InfoLines(*Window); }
    size_t LineCount() const { return Lines().size(); }

    QTemporaryDir Folder;
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::string PortPath;
    std::string SettingsFile;
    std::unique_ptr<TSession> Session;
    std::unique_ptr<TMainForm> Window;

    std::optional<QString> ChosenFile;
    // When set, what the save dialog answers instead (empty: cancelled).
    std::optional<QString> SaveAs;
    int DialogsShown = 0;
    QFileDialog* LastDialog = nullptr;
    bool OverwriteAnswer = false;
    bool CloseAnswer = true;
    bool EraseAnswer = true;
    bool EraseDoNotAskAgain = false;
    QStringList Questions;
    std::optional<QString> InputAnswer;
    QString InputCaption;
    QString InputPrompt;
    QString InputPreset;
    std::pair<int, int> RangeBounds{0, 0};
    QString RangeTitle;
    int RangeFirst = 0;
    int RangeLast = 0;
    int RangeResult = TPagesRangeForm::mrCancel;
    TMainForm::TUnsavedReadQuestion DefaultUnsavedReadQuestion;
    TMainForm::TConfirmationWithoutWait DefaultCloseQuestion;
    QStringList UnsavedReadQuestions;
    TUnsavedReadAnswer UnsavedReadAnswer = TUnsavedReadAnswer::DontSave;
};

// Records port notices as they are delivered.
class TRecordedNotices : public IPortNotices {
public:
    void PortArrived(const std::string& Name) override { Notices.push_back("add " + Name); }
    void PortRemoved(const std::string& Name, const std::vector<std::string>& Others) override {
        std::string Notice = "remove " + Name;
        for (const std::string& Other : Others) {
            Notice += " " + Other;
        }
        Notices.push_back(Notice);
    }
    std::vector<std::string> Notices;
};

} // namespace

class TMainFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ElementsAreBuiltAsDesigned();
    void ActionsAreSharedByMenusAndButtons();
    void EmptyImageAtStartAndAfterNewImage();
    void LoadedImageShowsItsState();
    void ImageWithoutPagesShowsUnknownLength();
    void FullWriteWritesTheChipAndEnablesEverything();
    void SecondPressStopsAFullWrite();
    void ClosingTheWindowStopsTheOperation();
    void OperationGoesOnWhileAQuestionOrTheAboutBoxIsOpen();
    void ProgressShowsInTitleAndStatusBar();
    void StoppedReadKeepsThePagesReadSoFar();
    void SilentProgrammerNeitherFreezesTheWindowNorCostsTheImage();
    void CompareReportsItsResult();
    void FailedFullOperationEndsWithOneRedLineAndTheCommandsBack();
    void RangeActionsAskForTheRangeAndRunWithOnlyTheStopOn();
    void RangeReadWrittenBackGoesToItsOwnPages();
    void SavingOverAnExistingFileAsksFirst();
    void WholeChipEraseAsksUnlessToldNotTo();
    void EveryCommandIsReachableFromTheKeyboard();
    void QtsOwnDialogsSpeakRussian();
    void LongNamesFollowTheWindowWidth();
    void StatusPanelsShowTheirWholeTextAndGoIdle();
    void HelpDescribesEveryMenuCommandInRussian();
    void AcceptedFileDialogLeavesNoCompletionListBehind();
    void ChipMapFollowsEveryOperation();
    void ChipMapShowsOnlyTheCurrentImage();
    void DifferingPageStandsOutOnTheMapAtAnySize();
    void UnsavedReadIsNotReplacedWithoutAQuestion();
    void UnsavedReadQuestionOffersSaveDontSaveAndCancel();
    void SavingUnderANameWithoutExtensionAsksAboutTheWrittenFile();
    void ShowImageFillsTheDumpAndLoadingEmptiesIt();
    void PortNameComesFromAndGoesToTheSettingsFile();
    void PortChosenFromTheListOfPortsPresentIsSet();
    void ArrivingPortIsTriedAndKeptOnlyWhenItAnswers();
    void ArrivingSilentPortStaysSelectedWithARedLine();
    void RemovalOfTheCurrentPortSwitchesToCom1();
    void PortNoticeDuringAWriteWaitsForItsEnd();
    void PortThatCannotBeOpenedIsReportedAtOnce();
    void PortWatcherRunsOrStaysInactiveWithoutNotices();
    void ExceptionsBecomeOneRedLine();
    void FullChipWriteCompareReadCycle();
};

void TMainFormTest::ElementsAreBuiltAsDesigned() {
    TWorld World;
    TMainForm& Window = *World.Window;

    QCOMPARE(Window.windowTitle(), Q("Программатор Velmora "));
    QCOMPARE(Window.width(), 407);
    // Higher than designed, so that the chip map has room.
    QVERIFY(Window.height() - Window.menuBar()->sizeHint().height() >= 400);
    QVERIFY(Window.minimumWidth() > 0 && Window.minimumHeight() > 0);
    QVERIFY(!Window.windowIcon().isNull());

    QCOMPARE(Window.MainGroupBox->title(), Q("Образ:"));
    QCOMPARE(Window.FileStateImage->size(), QSize(64, 64));
    QVERIFY(Window.StateLabel->font().bold());
    QCOMPARE(Window.FileNameEdit->InsideHint(), Q("Файл образа..."));
    QCOMPARE(Window.FileNameEdit->InsideHintColor(), TColor{0xC0C0C0});
    QCOMPARE(QColorToColor(Window.FileNameEdit->palette().color(QPalette::Base)), TColor{0xD9FFFF});
    QCOMPARE(Window.OpenFileButton->toolTip(), Q("Загрузить образ из файла"));
    QCOMPARE(Window.OpenFileButton->size(), QSize(35, 33));
    // The button stays at the right edge of the group when the window widens.
    const int RightGap = Window.MainGroupBox->width() - Window.OpenFileButton->geometry().right();
    Window.resize(Window.width() + 100, Window.height() + 50);
    QCoreApplication::processEvents();
    QCOMPARE(Window.MainGroupBox->width() - Window.OpenFileButton->geometry().right(), RightGap);

    QCOMPARE(Window.PageControl1->count(), 3);
    QCOMPARE(Window.PageControl1->tabText(0), Q("Информация"));
    QCOMPARE(Window.PageControl1->tabText(1), Q("Просмотр образа"));
    QCOMPARE(Window.PageControl1->tabText(2), Q("Карта микросхемы"));
    QVERIFY(Window.InfoRichEdit->isReadOnly());
    QVERIFY(Window.InfoRichEdit->IsScrollToBottom && Window.InfoRichEdit->IsAddTime);
    QVERIFY(!Window.InfoRichEdit->IsNumberLines && !Window.InfoRichEdit->IsAddDate);
    QCOMPARE(Window.InfoRichEdit->Delimiter, Q(": "));
    QCOMPARE(Window.BitBtn1->text(), Q("Показать образ"));
    QCOMPARE(Window.Label1->text(), Q("Это может занять несколько секунд."));
    QCOMPARE(Window.Label1->font().pointSize(), 7);
    QCOMPARE(Window.MemoryMapMemo->font().pointSize(), 8);
    // Monospaced as the dump needs it: narrow and wide characters take the same width (some
    // monospaced fonts do not call themselves fixed-pitch).
    const QFontMetrics Metrics(Window.MemoryMapMemo->font());
    QCOMPARE(Metrics.horizontalAdvance(QLatin1Char('i')),
             Metrics.horizontalAdvance(QLatin1Char('W')));
    QCOMPARE(Metrics.horizontalAdvance(QLatin1Char(' ')),
             Metrics.horizontalAdvance(QLatin1Char('0')));

    QCOMPARE(Window.StatusBar->PanelCount(), 3);
    QCOMPARE(Window.StatusBar->PanelWidth(0), 40);
    QCOMPARE(Window.StatusBar->PanelWidth(1), 100);
    // The remaining-time panel takes the free width beside the other two.
    QVERIFY(Window.StatusBar->PanelWidth(2) > 50);
    QCOMPARE(Window.ProgressBar->parentWidget(), Window.StatusBar);
    QCOMPARE(Window.ProgressBar->geometry(), QRect(40, 2, 99, Window.StatusBar->height() - 2));
    QCOMPARE(Window.ProgressBar->value(), 0);

    const QStringList MenuTitles = {Q("Файл"), Q("Правка"), Q("Настройки"), Q("Команды"),
                                    Q("Помощь")};
    QStringList Titles;
    for (QAction* Item : Window.menuBar()->actions()) {
        Titles << Plain(Item->text());
    }
    QCOMPARE(Titles, MenuTitles);
    QStringList FileItems;
    for (QAction* Item : Window.FileMenuItem->actions()) {
        FileItems << (Item->isSeparator() ? Q("-") : Plain(Item->text()));
    }
    QCOMPARE(FileItems, QStringList({Q("Новый образ"), Q("-"), Q("Загрузить образ из файла"),
                                     Q("-"), Q("Сохранить образ как..."), Q("-"), Q("Выход")}));
    QStringList CommandItems;
    for (QAction* Item : Window.CommandsMenuItem->actions()) {
        CommandItems << (Item->isSeparator() ? Q("-") : Plain(Item->text()));
    }
    QCOMPARE(CommandItems,
             QStringList({Q("Записать образ в контроллер"), Q("Прочесть образ из контроллера"),
                          Q("Стереть контроллер"), Q("Сравнить образ с образом в контроллере"),
                          Q("Проверить все страницы"), Q("-"), Q("Записать указаные страницы..."),
                          Q("Прочесть указаные страницы..."), Q("Стереть указаные страницы..."),
                          Q("Сравнить указаные страницы..."), Q("-"), Q("Остановить"), Q("-"),
                          Q("Инициализировать программатор")}));

    struct TButton {
        QToolButton* Button;
        const char* Caption;
        const char* Full;
        const char* Range;
    };
    const TButton Buttons[] = {
        {Window.WriteToolButton, "Записать", "Записать полностью", "Записать указаные страницы..."},
        {Window.ReadToolButton, "Прочесть", "Прочесть полностью", "Прочесть указаные страницы..."},
        {Window.DeleteToolButton, "Стереть", "Стереть полностью", "Стереть указаные страницы..."},
        {Window.CompareToolButton, "Сравнить", "Сравнить полностью",
         "Сравнить указаные страницы..."},
    };
    for (const TButton& Expected : Buttons) {
        QCOMPARE(Expected.Button->text(), Q(Expected.Caption));
        QCOMPARE(Expected.Button->popupMode(), QToolButton::MenuButtonPopup);
        QCOMPARE(Expected.Button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QVERIFY(Expected.Button->width() >= 62 && Expected.Button->height() >= 52);
        const QList<QAction*> Items = Expected.Button->menu()->actions();
        QCOMPARE(Items.size(), Expected.Button == Window.CompareToolButton ? 3 : 2);
        QCOMPARE(Plain(Items[0]->text()), Q(Expected.Full));
        QCOMPARE(Plain(Items[1]->text()), Q(Expected.Range));
        QCOMPARE(Expected.Button->menu()->defaultAction(), Items[0]);
        QVERIFY(!Expected.Button->icon().isNull());
    }
    QCOMPARE(Window.SaveToolButton->text(), Q("Сохранить"));
    QCOMPARE(Window.SaveToolButton->defaultAction(), Window.SaveImageToFileAction);
    QCOMPARE(Window.SaveDialog->nameFilters(),
             QStringList({Q("Образы (*.ldr)"), Q("Двоичные образы (*.bin)"), Q("Все файлы (*)")}));
    QCOMPARE(Window.FileOpenDialog->nameFilters(), Window.SaveDialog->nameFilters());
}

void TMainFormTest::ActionsAreSharedByMenusAndButtons() {
    TWorld World;
    TMainForm& Window = *World.Window;
    QAction* FullItem = Window.WriteToolButton->menu()->actions().constFirst();

    Window.WriteImageAction->setEnabled(false);
    QVERIFY(!Window.WriteToolButton->isEnabled());
    QVERIFY(!FullItem->isEnabled());
    Window.WriteImageAction->setEnabled(true);
    Window.WriteImageAction->setChecked(true);
    QVERIFY(Window.WriteToolButton->isChecked());
    QVERIFY(FullItem->isChecked());
    Window.WriteImageAction->setChecked(false);
    QVERIFY(!Window.WriteToolButton->isChecked());

    Window.LoadImageFromFileAction->setEnabled(false);
    QVERIFY(!Window.OpenFileButton->isEnabled());
    Window.LoadImageFromFileAction->setEnabled(true);
    QVERIFY(Window.OpenFileButton->isEnabled());

    // The drop-down item runs the full operation: on an empty image its red line.
    Window.UpdateActions(Everything);
    FullItem->trigger();
    QVERIFY(HasLine(World.Lines(), Q("Пустой образ нельзя записать."), Red));
    QVERIFY(!AnyFullActionChecked(Window));
}

void TMainFormTest::EmptyImageAtStartAndAfterNewImage() {
    TWorld World;
    TMainForm& Window = *World.Window;
    auto ExpectEmpty = [&Window] {
        QCOMPARE(Shown(Window), EmptyImage);
        QCOMPARE(Window.StateLabel->text(), Q("Пустой образ."));
        QCOMPARE(Window.PageCountLable->text(), Q("Страниц нет."));
        QCOMPARE(Window.PageLengthLabel->text(), Q("Длина страницы неизвестна."));
        QVERIFY(Window.FileNameEdit->text().isEmpty());
        QVERIFY(Window.GetStatePicture() == TStatePicture::Empty);
        QVERIFY(Window.FileStateImage->pixmap().size() == QSize(64, 64));
    };
    ExpectEmpty();
    // "Правка", reading and erasing a range, initialising and the dump are never disabled.
    for (QAction* Action : {Window.NewBurnImage, Window.InitialyzeAction, Window.ShowImageAction,
                            Window.ReadConcreatePagesAction, Window.DeleteConcreatePagesAction,
                            Window.EditMenuItem->menuAction()}) {
        QVERIFY(Action->isEnabled());
    }
    // Writing and comparing a range need image pages, as their full forms do.
    const auto RangeNeedingPagesEnabled = [&Window] {
        return Window.WriteConcreatePagesAction->isEnabled() ||
               Window.CompareConcreatePagesAction->isEnabled();
    };
    QVERIFY(!RangeNeedingPagesEnabled());

    World.LoadImage(2);
    QCOMPARE(Shown(Window), Everything);
    QVERIFY(Window.WriteConcreatePagesAction->isEnabled() &&
            Window.CompareConcreatePagesAction->isEnabled());
    Window.NewBurnImage->trigger();
    ExpectEmpty();
    QVERIFY(!RangeNeedingPagesEnabled());
}

void TMainFormTest::LoadedImageShowsItsState() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(3, "three.ldr");

    QCOMPARE(World.DialogsShown, 1);
    QCOMPARE(World.LastDialog, Window.FileOpenDialog);
    QCOMPARE(Window.StateLabel->text(), Q("Образ «three.ldr»."));
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 3 страницы."));
    QCOMPARE(Window.PageLengthLabel->text(), Q("Длина страницы 528 байт."));
    QCOMPARE(Window.GetFileNameFullPath(), World.Path("three.ldr"));
    QVERIFY(!Window.FileNameEdit->text().isEmpty());
    QVERIFY(Window.FileNameEdit->text().endsWith(Q("three.ldr")));
    QVERIFY(Window.GetStatePicture() == TStatePicture::Loaded);
    QCOMPARE(Shown(Window), Everything);

    // A file that is not an image: the red line of the failure, and the image is empty.
    std::ofstream(World.Path("bad.ldr")) << "not a hex file\n";
    World.ChosenFile = QString::fromStdString(World.Path("bad.ldr"));
    Window.LoadImageFromFileAction->trigger();
    QCOMPARE(World.Lines().back().Color, Red);
    QCOMPARE(Window.StateLabel->text(), Q("Пустой образ."));

    // A cancelled dialog changes nothing.
    World.ChosenFile.reset();
    const size_t Lines = World.LineCount();
    Window.OpenFileButton->click();
    QCOMPARE(World.DialogsShown, 3);
    QCOMPARE(World.LineCount(), Lines);
}

void TMainFormTest::ImageWithoutPagesShowsUnknownLength() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.Session->Head().OnImageLoaded(&World.Session->Head(), std::make_shared<TMemoryMap>(),
                                        "ReadImage.ldr");
    QCOMPARE(Window.PageLengthLabel->text(), Q("Длина страницы неизвестна."));
    QCOMPARE(Window.PageCountLable->text(), Q("Страниц нет."));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «ReadImage.ldr»."));
}

void TMainFormTest::FullWriteWritesTheChipAndEnablesEverything() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(3);

    std::optional<TActionFlags> DuringWrite;
    QSet<QAction*> EnabledDuringWrite;
    bool CheckedDuringWrite = false;
    QTimer::singleShot(0, Window.WriteToolButton, [&] {
        DuringWrite = Shown(Window);
        EnabledDuringWrite = EnabledCommands(Window);
        CheckedDuringWrite = Window.WriteToolButton->isChecked();
    });
    Window.WriteToolButton->click();

    QVERIFY(DuringWrite.has_value());
    QCOMPARE(*DuringWrite, OnlyWrite);
    // Only what cannot conflict with the write: its stop, the pane, the dump, help, leaving.
    QCOMPARE(EnabledDuringWrite,
             QSet<QAction*>({Window.WriteImageAction, Window.StopAction, Window.ClearInfoEditAction,
                             Window.ShowImageAction, Window.N4, Window.HelpItem, Window.N5}));
    QVERIFY(CheckedDuringWrite);
    const auto Lines = World.Lines();
    QVERIFY(HasLine(Lines, Q("Начата запись образа."), Black));
    QCOMPARE(Lines.back().Text, Q("Запись прошла успешно."));
    QCOMPARE(Lines.back().Color, Green);
    for (int Page = 0; Page < 3; ++Page) {
        QVERIFY(World.Simulator->GetPage(static_cast<std::uint16_t>(Page)) == PatternPage(Page));
    }
    QCOMPARE(Shown(Window), Everything);
    QVERIFY(!AnyFullActionChecked(Window));
}

void TMainFormTest::SecondPressStopsAFullWrite() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(6);

    // The second press arrives while the first page's messages are handled.
    QTimer::singleShot(0, Window.WriteToolButton, [&Window] { Window.WriteToolButton->click(); });
    Window.WriteImageAction->trigger();

    const auto Lines = World.Lines();
    QVERIFY(HasLine(Lines, Q("Запись образа прервана."), Red));
    QVERIFY(!HasText(Lines, Q("Запись прошла успешно.")));
    QVERIFY(World.Simulator->GetPage(5) != PatternPage(5));
    QVERIFY(!Window.WriteToolButton->isChecked());
    QVERIFY(!Window.WriteImageAction->isChecked());
    QCOMPARE(Shown(Window), Everything);
}

void TMainFormTest::ClosingTheWindowStopsTheOperation() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(6);
    // Answered no, the write goes on to its end.
    World.CloseAnswer = false;
    QTimer::singleShot(0, &Window, [&Window] { Window.close(); });
    Window.WriteImageAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Запись прошла успешно."));
    QVERIFY(Window.isVisible());
    // Answered yes, the write stops after its page and the window closes once it has.
    World.CloseAnswer = true;
    bool VisibleAfterTheQuestion = false;
    QTimer::singleShot(0, &Window, [&] {
        Window.close();
        VisibleAfterTheQuestion = Window.isVisible();
    });
    Window.WriteImageAction->trigger();
    QCOMPARE(World.Questions,
             QStringList(2, Q("Идёт работа с программатором. Остановить её после текущей "
                              "страницы и закрыть программу?")));
    QVERIFY(VisibleAfterTheQuestion);
    QVERIFY(HasLine(World.Lines(), Q("Запись образа прервана."), Red));
    QVERIFY(!Window.isVisible());
    // Without an operation the window closes at once, without a question.
    Window.show();
    Window.close();
    QVERIFY(!Window.isVisible());
    QCOMPARE(World.Questions.size(), 2);
}

void TMainFormTest::OperationGoesOnWhileAQuestionOrTheAboutBoxIsOpen() {
    // A window opened during a write, how to find it and how to answer it, and how the write
    // ends after the answer.
    struct TCase {
        const char* Name;
        std::function<void(TMainForm&)> Open;
        std::function<QDialog*(TMainForm&)> Find;
        std::function<void(QDialog&)> Answer;
        const char* LastLine;
        bool WindowStays;
    };
    const TCase Cases[] = {
        {"close question", [](TMainForm& Window) { Window.close(); },
         [](TMainForm& Window) -> QDialog* { return Window.findChild<QMessageBox*>(); },
         [](QDialog& Dialog) {
             auto& Box = static_cast<QMessageBox&>(Dialog);
             // No is the default: Enter keeps the programmer working.
             QCOMPARE(Box.defaultButton(), Box.button(QMessageBox::No));
             QCOMPARE(Box.text(), Q("Идёт работа с программатором. Остановить её после "
                                    "текущей страницы и закрыть программу?"));
             Box.button(QMessageBox::Yes)->click();
         },
         "Запись образа прервана.", false},
        {"about box", [](TMainForm& Window) { Window.N5->trigger(); },
         [](TMainForm& Window) -> QDialog* { return &Window.GetAboutForm(); },
         [](QDialog& Dialog) { static_cast<TAboutForm&>(Dialog).OKButton->click(); },
         "Запись прошла успешно.", true},
    };
    constexpr int Pages = 40;
    // Pages the write must get through while the window is open.
    constexpr int PagesWhileOpen = 5;
    for (const TCase& Case : Cases) {
        qInfo("%s", Case.Name);
        TWorld World;
        TMainForm& Window = *World.Window;
        Window.ConfirmCloseDuringOperation = World.DefaultCloseQuestion;
        World.LoadImage(Pages);
        const THeadManager& Head = World.Session->Head();

        // Looks at the window every few milliseconds of the write: opens it at the first look,
        // answers it once the write has gone on far enough (or, should the write stand still
        // behind it, after a minute, so that the test ends).
        int PageAtOpening = -1;
        int PagesDone = 0;
        bool Answered = false;
        QElapsedTimer Clock;
        QTimer Watcher;
        Watcher.setInterval(5);
        QObject::connect(&Watcher, &QTimer::timeout, &Window, [&] {
            if (PageAtOpening < 0) {
                PageAtOpening = Head.GetCurrentPage();
                Clock.start();
                // Opened apart from this look: a window with a loop of its own would otherwise
                // keep this timer from firing again.
                QTimer::singleShot(0, &Window, [&Case, &Window] { Case.Open(Window); });
                return;
            }
            QDialog* Dialog = Case.Find(Window);
            if (Answered || Dialog == nullptr || !Dialog->isVisible()) {
                return;
            }
            PagesDone = Head.GetCurrentPage() - PageAtOpening;
            if (PagesDone >= PagesWhileOpen || Clock.elapsed() > 60000) {
                Answered = true;
                Case.Answer(*Dialog);
            }
        });
        Watcher.start();
        Window.WriteImageAction->trigger();
        Watcher.stop();

        QVERIFY(Answered);
        QVERIFY2(PagesDone >= PagesWhileOpen, qPrintable(QString::number(PagesDone)));
        QCOMPARE(World.Lines().back().Text, Q(Case.LastLine));
        QCOMPARE(Window.isVisible(), Case.WindowStays);
    }
}

void TMainFormTest::ProgressShowsInTitleAndStatusBar() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(5);
    QStringList Titles;
    QStringList Percents;
    QList<int> Bars;
    World.Session->Head().ProcessMessages = [&] {
        Titles << Window.windowTitle();
        Percents << Window.StatusBar->PanelText(0);
        Bars << Window.ProgressBar->value();
        QCoreApplication::processEvents();
    };
    Window.WriteImageAction->trigger();

    // Pages 0..4 of a write report 26%, 51%, 76% and then 100%.
    QCOMPARE(Titles.size(), 5);
    QCOMPARE(Titles[0], Q("26% Velmora"));
    QCOMPARE(Percents[0], Q("26%"));
    QCOMPARE(Bars[0], 26);
    QCOMPARE(Titles.back(), Q("Программатор Velmora "));
    // Once the write has ended the display is idle again.
    QVERIFY(Window.StatusBar->PanelText(0).isEmpty());
    QVERIFY(Window.StatusBar->PanelText(2).isEmpty());
    QCOMPARE(Window.ProgressBar->value(), 0);
    QCOMPARE(Window.GetApplicationTitle(), std::string("Velmora"));
}

void TMainFormTest::StoppedReadKeepsThePagesReadSoFar() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(2);

    QTimer::singleShot(0, Window.ReadToolButton, [&Window] { Window.ReadToolButton->click(); });
    Window.ReadAction->trigger();

    QVERIFY(HasLine(World.Lines(), Q("Чтение образа прервано."), Red));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «ReadImage.ldr»."));
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 1 страница."));
    QCOMPARE(Shown(Window), Everything);
    QVERIFY(!AnyFullActionChecked(Window));
}

void TMainFormTest::SilentProgrammerNeitherFreezesTheWindowNorCostsTheImage() {
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    TWorld World(Options);
    TMainForm& Window = *World.Window;
    World.LoadImage(2);

    // A timer ticks every 10 ms while the read waits for a silent programmer; a stop comes
    // from the keyboard in the middle of the wait.
    QElapsedTimer Clock;
    QList<qint64> Ticks;
    QTimer Ticker;
    Ticker.setInterval(10);
    QObject::connect(&Ticker, &QTimer::timeout, &Window, [&] { Ticks << Clock.elapsed(); });
    bool StopTakenDuringTheWait = false;
    QTimer::singleShot(100, &Window, [&] {
        Window.StopAction->trigger();
        StopTakenDuringTheWait = !Window.StopAction->isEnabled() && Window.GetRunningAction();
    });
    Clock.start();
    Ticker.start();
    Window.ReadAction->trigger();
    const qint64 Elapsed = Clock.elapsed();
    Ticker.stop();

    QVERIFY(StopTakenDuringTheWait);
    QVERIFY2(Ticks.size() >= 2, qPrintable(QString::number(Ticks.size())));
    qint64 Longest = Ticks.front();
    for (qsizetype Index = 1; Index < Ticks.size(); ++Index) {
        Longest = std::max(Longest, Ticks[Index] - Ticks[Index - 1]);
    }
    qInfo("read stopped after %lld ms: %lld ticks, longest gap between two %lld ms",
          static_cast<long long>(Elapsed), static_cast<long long>(Ticks.size()),
          static_cast<long long>(Longest));
    // Events were handled all through the wait: on average far more often than every 100 ms.
    QVERIFY(Elapsed / Ticks.size() < 100);

    // The stop ended the wait at once: the read's stopped line, and the loaded image is still
    // there.
    QCOMPARE(World.Lines().back().Text, Q("Чтение образа прервано."));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «image.ldr»."));
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 2 страницы."));
    QCOMPARE(Shown(Window), Everything);
    QVERIFY(Window.StatusBar->PanelText(0).isEmpty());
}

void TMainFormTest::CompareReportsItsResult() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(3);
    Window.WriteImageAction->trigger();

    Window.CompareImageAction->trigger();
    auto Lines = World.Lines();
    QCOMPARE(Lines[Lines.size() - 2].Text, Q("Сравнение прошло успешно."));
    QCOMPARE(Lines[Lines.size() - 2].Color, Green);
    QCOMPARE(Lines.back().Text, Q("Образ совпадает с образом в контроллере."));
    QCOMPARE(Lines.back().Color, Green);

    World.Simulator->SetPage(1, PatternPage(1, 9));
    Window.CompareImageAction->trigger();
    Lines = World.Lines();
    QCOMPARE(Lines[Lines.size() - 2].Text, Q("Страница 1 отличается."));
    QCOMPARE(Lines[Lines.size() - 2].Color, Red);
    QCOMPARE(Lines.back().Text, Q("Образ не совпадает с образом в контроллере."));
    QCOMPARE(Lines.back().Color, Red);

    // A stopped compare: the head manager's stop line and nothing from the window.
    QTimer::singleShot(0, Window.CompareToolButton,
                       [&Window] { Window.CompareToolButton->click(); });
    Window.CompareImageAction->trigger();
    Lines = World.Lines();
    QCOMPARE(Lines.back().Text, Q("Сравнение прервано."));
    QCOMPARE(Shown(Window), Everything);
    QVERIFY(!AnyFullActionChecked(Window));
}

void TMainFormTest::FailedFullOperationEndsWithOneRedLineAndTheCommandsBack() {
    TSimulatorOptions Options;
    Options.ForcedReplies[SimCmdErase] = SimCmdErase | SimReplyOperationErrorNibble;
    TWorld World(Options);
    TMainForm& Window = *World.Window;

    const size_t Before = World.LineCount();
    Window.DeleteAction->trigger();
    const auto Lines = World.Lines();
    QCOMPARE(Lines.size(), Before + 2);
    QCOMPARE(Lines[Before].Text, Q("Начато удаление образа из контроллера."));
    QCOMPARE(Lines[Before + 1].Color, Red);
    QCOMPARE(Shown(Window), EmptyImage);
    QVERIFY(!AnyFullActionChecked(Window));
    QVERIFY(Window.isVisible());
}

void TMainFormTest::RangeActionsAskForTheRangeAndRunWithOnlyTheStopOn() {
    TWorld World;
    TMainForm& Window = *World.Window;

    // Reading and erasing a range offer the whole chip; the dialog is titled after the command.
    Window.ReadConcreatePagesAction->trigger();
    QCOMPARE(World.RangeBounds, std::make_pair(0, 4095));
    QCOMPARE(World.RangeTitle, Q("Прочесть указаные страницы"));
    Window.DeleteConcreatePagesAction->trigger();
    QCOMPARE(World.RangeBounds, std::make_pair(0, 4095));
    QCOMPARE(World.RangeTitle, Q("Стереть указаные страницы"));

    World.LoadImage(4);
    World.RangeResult = TPagesRangeForm::mrOk;
    World.RangeFirst = 1;
    World.RangeLast = 2;
    std::optional<TActionFlags> DuringWrite;
    bool StopOnDuringWrite = false;
    QTimer::singleShot(0, &Window, [&] {
        DuringWrite = Shown(Window);
        StopOnDuringWrite = Window.StopAction->isEnabled();
    });
    Window.WriteToolButton->menu()->actions()[1]->trigger();

    QCOMPARE(World.RangeBounds, std::make_pair(0, 3));
    QCOMPARE(World.RangeTitle, Q("Записать указаные страницы"));
    QVERIFY(DuringWrite.has_value());
    QCOMPARE(*DuringWrite, TActionFlags({false, false, false, false, false, true, false}));
    QVERIFY(StopOnDuringWrite);
    QVERIFY(!AnyFullActionChecked(Window));
    QVERIFY(World.Simulator->GetPage(0) != PatternPage(0));
    QVERIFY(World.Simulator->GetPage(1) == PatternPage(1));
    QVERIFY(World.Simulator->GetPage(2) == PatternPage(2));
    QVERIFY(World.Simulator->GetPage(3) != PatternPage(3));

    // The range compare leaves the result to the head manager's lines.
    Window.CompareConcreatePagesAction->trigger();
    QCOMPARE(World.RangeTitle, Q("Сравнить указаные страницы"));
    QCOMPARE(World.Lines().back().Text, Q("Сравнение прошло успешно."));

    // The stop command ends a range operation.
    World.RangeFirst = 0;
    World.RangeLast = 3;
    QTimer::singleShot(0, &Window, [&Window] { Window.StopAction->trigger(); });
    Window.DeleteConcreatePagesAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Удаление образа прервано."));
    QVERIFY(!AnyFullActionChecked(Window));
    QCOMPARE(Shown(Window), Everything);
}

// A range read that missed a page, written back: each page goes to its own chip page, the missed
// one and every page outside the range keep what they hold; a range over the missed page is
// refused before anything is written.
void TMainFormTest::RangeReadWrittenBackGoesToItsOwnPages() {
    TSimulatorOptions Options;
    Options.UnknownPages = {150};
    TWorld World(Options);
    TMainForm& Window = *World.Window;
    const auto FillChip = [&World](int Seed) {
        for (int Page = 0; Page <= 210; ++Page) {
            World.Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page, Seed));
        }
    };
    FillChip(0);
    World.RangeResult = TPagesRangeForm::mrOk;
    World.RangeFirst = 100;
    World.RangeLast = 200;
    Window.ReadConcreatePagesAction->trigger();
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 100 страниц."));
    QCOMPARE(Window.ChipMap->GetPageState(99), TChipMap::TState::NotInImage);

    FillChip(7);
    Window.WriteImageAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Запись прошла успешно."));
    for (int Page = 0; Page <= 210; ++Page) {
        const bool InImage = Page >= 100 && Page <= 200 && Page != 150;
        QVERIFY2(World.Simulator->GetPage(static_cast<std::uint16_t>(Page)) ==
                     PatternPage(Page, InImage ? 0 : 7),
                 qPrintable(QString::number(Page)));
    }

    FillChip(7);
    World.RangeFirst = 140;
    World.RangeLast = 160;
    Window.WriteConcreatePagesAction->trigger();
    QCOMPARE(World.RangeBounds, std::make_pair(100, 200));
    QCOMPARE(World.Lines().back().Text, Q("В образе нет страниц: 150."));
    QCOMPARE(World.Lines().back().Color, Red);
    QVERIFY(World.Simulator->GetPage(140) == PatternPage(140, 7));
}

void TMainFormTest::SavingOverAnExistingFileAsksFirst() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(2, "source.ldr");
    const std::string Existing = World.Path("other.ldr");
    std::ofstream(Existing) << "keep";
    World.ChosenFile = QString::fromStdString(Existing);

    const size_t Lines = World.LineCount();
    World.OverwriteAnswer = false;
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(World.LastDialog, Window.SaveDialog);
    QCOMPARE(World.Questions, QStringList({Q("Файл other.ldr существует. Перезаписать его?")}));
    QCOMPARE(ReadFileText(Existing), std::string("keep"));
    QCOMPARE(World.LineCount(), Lines);
    QCOMPARE(Window.StateLabel->text(), Q("Образ «source.ldr»."));

    World.OverwriteAnswer = true;
    Window.SaveToolButton->click();
    QCOMPARE(World.Questions.size(), 2);
    QCOMPARE(ReadFileText(Existing), ReadFileText(World.Path("source.ldr")));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «other.ldr»."));
    QCOMPARE(Window.GetFileNameFullPath(), Existing);
    QCOMPARE(World.Lines().back().Text,
             Q("Образ сохранён в файл ") + QString::fromStdString(Existing) + Q("."));
    QCOMPARE(World.Lines().back().Color, Green);
}

void TMainFormTest::WholeChipEraseAsksUnlessToldNotTo() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.Simulator->SetPage(7, PatternPage(7));
    const QString Question = Q("Стереть всю микросхему? Все данные в ней будут потеряны.");

    // No: nothing erased, nothing said.
    World.EraseAnswer = false;
    const size_t Lines = World.LineCount();
    Window.DeleteToolButton->click();
    QCOMPARE(World.Questions, QStringList({Question}));
    QCOMPARE(World.LineCount(), Lines);
    QVERIFY(World.Simulator->GetPage(7) == PatternPage(7));
    QVERIFY(!AnyFullActionChecked(Window));

    // Yes with "do not ask again": erased, and the answer kept beside the port.
    World.EraseAnswer = true;
    World.EraseDoNotAskAgain = true;
    QTimer::singleShot(0, &Window, [&Window] { Window.StopAction->trigger(); });
    Window.DeleteAction->trigger();
    QCOMPARE(World.Questions.size(), 2);
    QCOMPARE(World.Lines().back().Text, Q("Удаление образа прервано."));
    QCOMPARE(ReadIniString(World.SettingsFile, "Questions", "Ask Before Chip Erase", ""),
             std::string("0"));
    QCOMPARE(LoadPortName(World.SettingsFile), World.PortPath);
    QTimer::singleShot(0, &Window, [&Window] { Window.StopAction->trigger(); });
    Window.DeleteAction->trigger();
    QCOMPARE(World.Questions.size(), 2);

    // A page range is no whole-chip erase: no question.
    SaveAskBeforeChipErase(true, World.SettingsFile);
    World.RangeResult = TPagesRangeForm::mrOk;
    World.RangeFirst = World.RangeLast = 7;
    Window.DeleteConcreatePagesAction->trigger();
    QCOMPARE(World.Questions.size(), 2);
    QVERIFY(World.Simulator->GetPage(7) != PatternPage(7));
}

void TMainFormTest::EveryCommandIsReachableFromTheKeyboard() {
    TWorld World;
    TMainForm& Window = *World.Window;
    // Every menu item and drop-down item has an Alt letter of its own within its menu.
    QList<QMenu*> Menus = {Window.menuBar()->findChildren<QMenu*>()};
    for (QToolButton* Button : {Window.WriteToolButton, Window.ReadToolButton,
                                Window.DeleteToolButton, Window.CompareToolButton}) {
        Menus << Button->menu();
    }
    for (QMenu* Menu : Menus) {
        QSet<QChar> Letters;
        for (QAction* Item : Menu->actions()) {
            if (Item->isSeparator()) {
                continue;
            }
            const QChar Letter = MnemonicOf(Item->text());
            QVERIFY2(!Letter.isNull() && !Letters.contains(Letter), qPrintable(Item->text()));
            Letters.insert(Letter);
        }
    }
    QSet<QChar> TopLetters;
    for (QAction* Title : Window.menuBar()->actions()) {
        TopLetters.insert(MnemonicOf(Title->text()));
    }
    QCOMPARE(TopLetters.size(), Window.menuBar()->actions().size());
    QVERIFY(!TopLetters.contains(QChar()));
    // The tool buttons show their captions without the marker.
    QCOMPARE(Window.WriteToolButton->text(), Q("Записать"));

    // The standard keys and the operations' keys reach their commands.
    QApplication::setActiveWindow(&Window);
    QVERIFY(QTest::qWaitForWindowActive(&Window));
    World.ChosenFile.reset();
    QTest::keySequence(&Window, QKeySequence::Open);
    QCOMPARE(World.DialogsShown, 1);
    QCOMPARE(World.LastDialog, Window.FileOpenDialog);
    World.LoadImage(3);
    QTest::keySequence(&Window, QKeySequence::Save);
    QCOMPARE(World.LastDialog, Window.SaveDialog);
    QTimer::singleShot(0, &Window, [&Window] { QTest::keyClick(&Window, Qt::Key_Escape); });
    QTest::keyClick(&Window, Qt::Key_F5);
    QCOMPARE(World.Lines().back().Text, Q("Запись образа прервана."));
    QTest::keyClick(&Window, Qt::Key_F8);
    QCOMPARE(World.Lines().back().Text, Q("Образ не совпадает с образом в контроллере."));
    QCOMPARE(Window.HelpItem->shortcut(), QKeySequence(QKeySequence::HelpContents));
    QCOMPARE(Window.N4->shortcut(), QKeySequence(QKeySequence::Quit));
}

void TMainFormTest::QtsOwnDialogsSpeakRussian() {
    QVERIFY(Application()->HasQtTranslations());
    QDialogButtonBox Buttons(QDialogButtonBox::Yes | QDialogButtonBox::No |
                             QDialogButtonBox::Cancel);
    QCOMPARE(Plain(Buttons.button(QDialogButtonBox::Yes)->text()), Q("Да"));
    QCOMPARE(Plain(Buttons.button(QDialogButtonBox::Cancel)->text()), Q("Отмена"));
}

void TMainFormTest::LongNamesFollowTheWindowWidth() {
    TWorld World;
    TMainForm& Window = *World.Window;
    const std::string Folder = World.Path(
        "a-folder-with-a-long-name/another-folder-with-a-long-name/and-a-third-one-as-well");
    fs::create_directories(Folder);
    const std::string Name = "a-rather-long-image-name-that-does-not-fit-the-label-at-all.ldr";
    WriteImageFile(Folder + "/" + Name, 1);
    World.ChosenFile = QString::fromStdString(Folder + "/" + Name);
    Window.resize(Window.minimumWidth(), Window.height());
    QCoreApplication::processEvents();
    Window.LoadImageFromFileAction->trigger();

    const QString Narrow = Window.FileNameEdit->text();
    QVERIFY(Narrow.contains(Q("...")));
    QCOMPARE(Window.FileNameEdit->toolTip(), QString::fromStdString(Folder + "/" + Name));
    const QString FullLabel = Q("Образ «") + QString::fromStdString(Name) + Q("».");
    QCOMPARE(Window.StateLabel->toolTip(), FullLabel);
    QVERIFY(Window.StateLabel->text() != FullLabel);
    QVERIFY(Window.StateLabel->text().contains(QChar(0x2026)));
    QVERIFY(QFontMetrics(Window.StateLabel->font()).horizontalAdvance(Window.StateLabel->text()) <=
            Window.StateLabel->contentsRect().width());

    // Wider, the shortened texts grow back to the whole ones.
    Window.resize(1600, Window.height());
    QCoreApplication::processEvents();
    QCOMPARE(Window.FileNameEdit->text(), QString::fromStdString(Folder + "/" + Name));
    QCOMPARE(Window.StateLabel->text(), FullLabel);
}

void TMainFormTest::StatusPanelsShowTheirWholeTextAndGoIdle() {
    TWorld World;
    TMainForm& Window = *World.Window;
    Window.resize(Window.minimumWidth(), Window.height());
    QCoreApplication::processEvents();
    const QString Longest = Q("Осталось 59 минут 59 секунд");
    Window.SetStatusPanelText(2, Longest.toStdString());
    QCOMPARE(Window.StatusBar->ShownPanelText(2), Longest);
    // Squeezed below its text, the panel shortens it and its tooltip holds the whole of it.
    Window.StatusBar->setFixedWidth(Window.StatusBar->PanelLeft(2) + 60);
    QVERIFY(Window.StatusBar->ShownPanelText(2) != Longest);
    const QPoint Inside(Window.StatusBar->PanelLeft(2) + 10, Window.StatusBar->height() / 2);
    QHelpEvent Help(QEvent::ToolTip, Inside, Window.StatusBar->mapToGlobal(Inside));
    QCoreApplication::sendEvent(Window.StatusBar, &Help);
    QCOMPARE(QToolTip::text(), Longest);
    QToolTip::hideText();

    // New image: idle again.
    Window.SetProgressPosition(40);
    Window.SetStatusPanelText(0, "40%");
    Window.SetApplicationTitle("40% Velmora");
    Window.NewBurnImage->trigger();
    QVERIFY(Window.StatusBar->PanelText(0).isEmpty());
    QVERIFY(Window.StatusBar->PanelText(2).isEmpty());
    QCOMPARE(Window.ProgressBar->value(), 0);
    QCOMPARE(Window.windowTitle(), Q("Программатор Velmora "));
}

void TMainFormTest::HelpDescribesEveryMenuCommandInRussian() {
    TWorld World;
    TMainForm& Window = *World.Window;
    Window.HelpItem->trigger();
    QVERIFY(Window.HelpForm != nullptr);
    QVERIFY(Window.HelpForm->isVisible());
    const auto* Browser = Window.HelpForm->findChild<QTextBrowser*>();
    QVERIFY(Browser != nullptr);
    const QString Text = Browser->toPlainText();
    // Every item of every menu by its caption, followed by its key where it has one.
    for (QAction* Menu : Window.menuBar()->actions()) {
        QVERIFY2(Text.contains(Plain(Menu->text())), qPrintable(Menu->text()));
        for (QAction* Item : Menu->menu()->actions()) {
            if (Item->isSeparator()) {
                continue;
            }
            QString Entry = Plain(Item->text());
            if (!Item->shortcut().isEmpty()) {
                Entry += Q(" (") + Item->shortcut().toString(QKeySequence::PortableText) + Q(")");
            }
            QVERIFY2(Text.contains(Entry), qPrintable(Entry));
        }
    }
    QVERIFY(Text.contains(Q("Прочитанный образ не сохранён. Сохранить его?")));
    QVERIFY(Text.contains(Q("Settings.ini")));
    QVERIFY(!Text.contains(Q("velmora-cli write FILE")));
}

void TMainFormTest::AcceptedFileDialogLeavesNoCompletionListBehind() {
    TWorld World;
    TMainForm& Window = *World.Window;
    QFileDialog& Dialog = *Window.FileOpenDialog;
    Dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    WriteImageFile(World.Path("image-one.ldr"), 1);
    Dialog.setDirectory(World.Folder.path());
    // The real dialog runs; a name is typed, its completion list comes up, Return is pressed.
    bool ListShown = false;
    QTimer::singleShot(0, &Dialog, [&] {
        if (auto* NameEdit = Dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            QTest::keyClicks(NameEdit, Q("image-one.ldr"));
            if (QCompleter* Completer = NameEdit->completer()) {
                ListShown = QTest::qWaitFor([Completer] {
                    Completer->complete();
                    return Completer->popup()->isVisible();
                });
            }
            QTest::keyClick(NameEdit, Qt::Key_Return);
        }
        if (Dialog.isVisible()) { // whatever happened, the dialog must end
            static_cast<QDialog&>(Dialog).accept();
        }
    });
    QTimer Guard; // a message box of the dialog must not block the test
    QObject::connect(&Guard, &QTimer::timeout, [] {
        if (QWidget* Modal = QApplication::activeModalWidget()) {
            qWarning("closing %s", Modal->metaObject()->className());
            Modal->close();
        }
    });
    Guard.start(3000);
    const std::optional<QString> Chosen = TMainForm::RunFileDialog(Dialog);
    QVERIFY(ListShown);
    QVERIFY(Chosen.has_value());
    for (QCompleter* Completer : Dialog.findChildren<QCompleter*>()) {
        QVERIFY(!Completer->popup()->isVisible());
    }
}

void TMainFormTest::ChipMapFollowsEveryOperation() {
    TWorld World;
    TMainForm& Window = *World.Window;
    TChipMap& Map = *Window.ChipMap;
    using TState = TChipMap::TState;
    QCOMPARE(Map.CountPages(TState::NotInImage), 4096);

    World.LoadImage(5);
    QCOMPARE(Map.CountPages(TState::InImage), 5);
    Window.WriteImageAction->trigger();
    QCOMPARE(Map.CountPages(TState::Written), 5);
    QCOMPARE(Map.GetPageState(5), TState::NotInImage);

    // A compare stops at the first difference: pages before it equal, that one different.
    World.Simulator->SetPage(3, PatternPage(3, 9));
    Window.CompareImageAction->trigger();
    QCOMPARE(Map.CountPages(TState::Equal), 3);
    QCOMPARE(Map.GetPageState(3), TState::Different);
    QCOMPARE(Map.GetPageState(4), TState::Written);

    // Hovering names the cell; clicking shows its page in the image view.
    Window.PageControl1->setCurrentWidget(Window.ChipMapTabSheet);
    Window.resize(700, 700);
    QCoreApplication::processEvents();
    const QPoint OnPage1 = Map.CellRect(1).center();
    QCOMPARE(Map.PageAt(OnPage1), 1);
    QCOMPARE(Map.ToolTipAt(OnPage1), Q("Страница 1: совпадает"));
    QTest::mouseClick(&Map, Qt::LeftButton, Qt::NoModifier, OnPage1);
    QCOMPARE(Window.PageControl1->currentWidget(), Window.ImageViewTabSheet);
    // Page 1 begins at 528 = 0x210, inside the record at 0x200.
    QVERIFY(Window.MemoryMapMemo->textCursor().block().text().startsWith(Q(":20 0200 00")));

    // A range read marks what it read; an erase what it erased.
    World.RangeResult = TPagesRangeForm::mrOk;
    World.RangeFirst = 4090;
    World.RangeLast = 4095;
    Window.ReadConcreatePagesAction->trigger();
    QCOMPARE(Map.CountPages(TState::Read), 6);
    // The read's six pages are the image now, at their own numbers: what was done with the
    // image before is gone.
    QCOMPARE(Map.CountPages(TState::Equal), 0);
    QCOMPARE(Map.CountPages(TState::NotInImage), 4096 - 6);
    QCOMPARE(Map.GetPageState(4090), TState::Read);
    World.RangeFirst = World.RangeLast = 0;
    Window.DeleteConcreatePagesAction->trigger();
    QCOMPARE(Map.GetPageState(0), TState::Erased);

    // Checking every page marks each page equal or different, and goes on past a difference.
    World.LoadImage(5);
    Window.WriteImageAction->trigger();
    World.Simulator->SetPage(1, PatternPage(1, 9));
    World.Simulator->SetPage(3, PatternPage(3, 9));
    Window.CompareToolButton->menu()->actions()[2]->trigger();
    QCOMPARE(Map.CountPages(TState::Different), 2);
    QCOMPARE(Map.GetPageState(1), TState::Different);
    QCOMPARE(Map.GetPageState(3), TState::Different);
    QCOMPARE(Map.CountPages(TState::Equal), 3);
    QCOMPARE(World.Lines().back().Color, Red);
}

void TMainFormTest::ChipMapShowsOnlyTheCurrentImage() {
    using TState = TChipMap::TState;
    // Page 12 is one the board cannot identify when it is read.
    TSimulatorOptions Options;
    Options.UnknownPages = {12};
    TWorld World(Options);
    TMainForm& Window = *World.Window;
    const TChipMap& Map = *Window.ChipMap;
    World.RangeResult = TPagesRangeForm::mrOk;
    const auto ReadRange = [&World](int First, int Last) {
        World.RangeFirst = First;
        World.RangeLast = Last;
        World.Window->ReadConcreatePagesAction->trigger();
    };
    // Pages Read in the image, Failed pages, and every other page not in the image.
    const auto Expect = [&Map](const std::vector<int>& Read, const std::vector<int>& Failed,
                               TState InImage = TState::Read) {
        std::vector<TState> Expected(4096, TState::NotInImage);
        for (const int Page : Read) {
            Expected[static_cast<std::size_t>(Page)] = InImage;
        }
        for (const int Page : Failed) {
            Expected[static_cast<std::size_t>(Page)] = TState::Failed;
        }
        for (int Page = 0; Page < 4096; ++Page) {
            if (Map.GetPageState(Page) != Expected[static_cast<std::size_t>(Page)]) {
                return Page;
            }
        }
        return -1;
    };
    const std::vector<int> Read15{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15};

    // A range read: what it read, and the page it could not get.
    ReadRange(0, 15);
    QCOMPARE(Expect(Read15, {12}), -1);
    // A read of 11 pages: the earlier read's pages are no longer in the image.
    ReadRange(0, 10);
    QCOMPARE(World.Window->PageCountLable->text(), Q("В образе 11 страниц."));
    QCOMPARE(Expect({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}), -1);
    // A stopped read after one that failed on a page: only the page it read.
    ReadRange(0, 15);
    QCOMPARE(Map.GetPageState(12), TState::Failed);
    QTimer::singleShot(0, Window.ReadToolButton, [&Window] { Window.ReadToolButton->click(); });
    Window.ReadAction->trigger();
    QVERIFY(HasLine(World.Lines(), Q("Чтение образа прервано."), Red));
    QCOMPARE(Expect({0}, {}), -1);
    // Erased pages, then another file: the file's pages, nothing of what was done before.
    World.LoadImage(3);
    Window.DeleteConcreatePagesAction->trigger();
    QCOMPARE(Map.GetPageState(14), TState::Erased);
    World.LoadImage(5, "other.ldr");
    QCOMPARE(Expect({0, 1, 2, 3, 4}, {}, TState::InImage), -1);
    // No image at all.
    Window.NewBurnImage->trigger();
    QCOMPARE(Map.CountPages(TState::NotInImage), 4096);

    // An erased page and a page outside the image look clearly different, on the map and in
    // its legend.
    const QColor Erased = TChipMap::StateColor(TState::Erased);
    const QColor Outside = TChipMap::StateColor(TState::NotInImage);
    const int Distance = std::abs(Erased.red() - Outside.red()) +
                         std::abs(Erased.green() - Outside.green()) +
                         std::abs(Erased.blue() - Outside.blue());
    QVERIFY2(Distance >= 200, qPrintable(QString::number(Distance)));
}

void TMainFormTest::DifferingPageStandsOutOnTheMapAtAnySize() {
    using TState = TChipMap::TState;
    TWorld World;
    TMainForm& Window = *World.Window;
    TChipMap& Map = *Window.ChipMap;
    Window.PageControl1->setCurrentWidget(Window.ChipMapTabSheet);
    QCoreApplication::processEvents();

    // At the window's size at start every page is on screen, in a cell that can be seen.
    for (const int Page : {0, 2080, 4095}) {
        const QRect Cell = Map.CellRect(Page);
        QVERIFY2(Cell.width() >= 3 && Cell.height() >= 3, qPrintable(QString::number(Page)));
        QVERIFY2(Map.visibleRegion().contains(Cell), qPrintable(QString::number(Page)));
    }
    Map.SetPageState(4095, TState::Different);
    const QImage Shot = Window.grab().toImage();
    QCOMPARE(Shot.pixelColor(Map.mapTo(&Window, Map.CellRect(4095).center())),
             TChipMap::StateColor(TState::Different));

    // The smallest window scrolls the map rather than shrink its cells out of sight.
    Window.resize(Window.minimumSize());
    QCoreApplication::processEvents();
    QVERIFY(Map.CellRect(0).width() >= 3);

    // Where a cell is a single pixel, a differing page still covers an area one can see.
    TChipMap Small;
    Small.resize(TChipMap::Columns, TChipMap::Rows);
    Small.SetPageState(2080, TState::Different);
    const QImage Picture = Small.grab().toImage();
    int Marked = 0;
    for (int Y = 0; Y < Picture.height(); ++Y) {
        for (int X = 0; X < Picture.width(); ++X) {
            Marked += Picture.pixelColor(X, Y) == TChipMap::StateColor(TState::Different) ? 1 : 0;
        }
    }
    QVERIFY2(Marked >= 9, qPrintable(QString::number(Marked)));
}

void TMainFormTest::UnsavedReadIsNotReplacedWithoutAQuestion() {
    // What may stand in the image when a command that replaces it is given.
    enum class TBefore { UnsavedRead, SavedRead, LoadedFile };
    struct TCommand {
        const char* Name;
        std::function<void(TWorld&)> Run;
        // The image the command found is gone: it went ahead.
        std::function<bool(TWorld&)> WentAhead;
    };
    struct TAnswer {
        const char* Name;
        TBefore Before;
        TUnsavedReadAnswer Answer;
        bool SaveDialogConfirmed;
        bool Asked;
        bool GoesAhead;
    };
    const auto OnePageRead = [](TWorld& World) {
        return World.Window->PageCountLable->text() == Q("В образе 1 страница.");
    };
    const TCommand Commands[] = {
        {"new image", [](TWorld& World) { World.Window->NewBurnImage->trigger(); },
         [](TWorld& World) { return World.Window->StateLabel->text() == Q("Пустой образ."); }},
        {"load",
         [](TWorld& World) {
             World.ChosenFile = QString::fromStdString(World.Path("other.ldr"));
             World.Window->LoadImageFromFileAction->trigger();
         },
         [](TWorld& World) { return World.Window->StateLabel->text() == Q("Образ «other.ldr»."); }},
        // A full read that is stopped at once ends with one page.
        {"read",
         [](TWorld& World) {
             QTimer::singleShot(0, World.Window.get(),
                                [&World] { World.Window->StopAction->trigger(); });
             World.Window->ReadAction->trigger();
         },
         OnePageRead},
        {"range read",
         [](TWorld& World) {
             World.RangeResult = TPagesRangeForm::mrOk;
             World.RangeFirst = World.RangeLast = 0;
             World.Window->ReadConcreatePagesAction->trigger();
         },
         OnePageRead},
        {"close", [](TWorld& World) { World.Window->close(); },
         [](TWorld& World) { return !World.Window->isVisible(); }},
    };
    const TAnswer Answers[] = {
        {"don't save", TBefore::UnsavedRead, TUnsavedReadAnswer::DontSave, false, true, true},
        {"cancel", TBefore::UnsavedRead, TUnsavedReadAnswer::Cancel, false, true, false},
        {"save", TBefore::UnsavedRead, TUnsavedReadAnswer::Save, true, true, true},
        {"save, dialog cancelled", TBefore::UnsavedRead, TUnsavedReadAnswer::Save, false, true,
         false},
        {"read saved before", TBefore::SavedRead, TUnsavedReadAnswer::Cancel, true, false, true},
        {"loaded file", TBefore::LoadedFile, TUnsavedReadAnswer::Cancel, true, false, true},
    };

    TWorld World;
    WriteImageFile(World.Path("other.ldr"), 3);
    int Saved = 0;
    for (const TCommand& Command : Commands) {
        for (const TAnswer& Answer : Answers) {
            const QString Case = Q(Command.Name) + Q(", ") + Q(Answer.Name);
            World.Window->show();
            const QString SaveName = Q("read-%1.ldr").arg(++Saved);
            World.SaveAs = QString::fromStdString(World.Path(SaveName.toStdString()));
            World.UnsavedReadAnswer = TUnsavedReadAnswer::DontSave;
            if (Answer.Before == TBefore::LoadedFile) {
                World.LoadImage(2);
            } else {
                World.Window->Guarded([&World] { World.Session->Head().ReadPages(0, 1); });
                if (Answer.Before == TBefore::SavedRead) {
                    World.Window->SaveImageToFileAction->trigger();
                }
            }
            QCOMPARE(World.Window->PageCountLable->text(), Q("В образе 2 страницы."));
            if (!Answer.SaveDialogConfirmed) {
                World.SaveAs = QString();
            }
            World.UnsavedReadQuestions.clear();
            World.UnsavedReadAnswer = Answer.Answer;

            Command.Run(World);
            QCoreApplication::processEvents();

            QVERIFY2(World.UnsavedReadQuestions ==
                         (Answer.Asked ? QStringList(Q("Прочитанный образ не сохранён. "
                                                       "Сохранить его?"))
                                       : QStringList()),
                     qPrintable(Case));
            QVERIFY2(Command.WentAhead(World) == Answer.GoesAhead, qPrintable(Case));
            const bool SavedNow = Answer.Before == TBefore::UnsavedRead &&
                                  Answer.Answer == TUnsavedReadAnswer::Save &&
                                  Answer.SaveDialogConfirmed;
            QVERIFY2(SavedNow == (Answer.Before == TBefore::UnsavedRead &&
                                  fs::exists(World.Path(SaveName.toStdString()))),
                     qPrintable(Case));
        }
    }
}

void TMainFormTest::UnsavedReadQuestionOffersSaveDontSaveAndCancel() {
    TWorld World;
    QString Shown;
    QStringList Buttons;
    QTimer::singleShot(0, World.Window.get(), [&] {
        auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (Box == nullptr) {
            return;
        }
        Shown = Box->text();
        for (QAbstractButton* Button : Box->buttons()) {
            Buttons << Plain(Button->text());
        }
        Box->button(QMessageBox::Discard)->click();
    });
    QTimer Guard; // whatever happens, the question must not block the test
    QObject::connect(&Guard, &QTimer::timeout, [] {
        if (QWidget* Modal = QApplication::activeModalWidget()) {
            Modal->close();
        }
    });
    Guard.start(3000);
    const QString Question = Q("Прочитанный образ не сохранён. Сохранить его?");
    const TUnsavedReadAnswer Answer = World.DefaultUnsavedReadQuestion(Question);
    Guard.stop();

    QCOMPARE(Shown, Question);
    Buttons.sort();
    QCOMPARE(Buttons, QStringList({Q("Не сохранять"), Q("Отмена"), Q("Сохранить")}));
    QVERIFY(Answer == TUnsavedReadAnswer::DontSave);
}

void TMainFormTest::SavingUnderANameWithoutExtensionAsksAboutTheWrittenFile() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(2, "source.ldr");
    std::ofstream(World.Path("image.ldr")) << "keep";

    World.ChosenFile = QString::fromStdString(World.Path("image"));
    World.OverwriteAnswer = false;
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(World.Questions, QStringList({Q("Файл image.ldr существует. Перезаписать его?")}));
    QCOMPARE(ReadFileText(World.Path("image.ldr")), std::string("keep"));
    QVERIFY(!fs::exists(World.Path("image")));

    // A new name is written at once, with the extension added.
    World.ChosenFile = QString::fromStdString(World.Path("fresh.txt"));
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(World.Questions.size(), 1);
    QCOMPARE(ReadFileText(World.Path("fresh.txt.ldr")), ReadFileText(World.Path("source.ldr")));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «fresh.txt.ldr»."));

    // A .bin name keeps its extension and gets the raw pages; loaded back, the same image.
    World.ChosenFile = QString::fromStdString(World.Path("raw.bin"));
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(fs::file_size(World.Path("raw.bin")), std::uintmax_t{2 * 528});
    Window.LoadImageFromFileAction->trigger();
    QCOMPARE(Window.StateLabel->text(), Q("Образ «raw.bin»."));
    World.ChosenFile = QString::fromStdString(World.Path("again.ldr"));
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(ReadFileText(World.Path("again.ldr")), ReadFileText(World.Path("source.ldr")));
}

void TMainFormTest::ShowImageFillsTheDumpAndLoadingEmptiesIt() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(2);
    Window.BitBtn1->click();
    const QString Dump = Window.MemoryMapMemo->toPlainText();
    QVERIFY(!Dump.isEmpty());
    std::vector<std::string> Expected = World.Session->Head().ImageToStrings();
    QCOMPARE(Dump.split(QLatin1Char('\n')).size(), static_cast<qsizetype>(Expected.size()));

    Window.NewBurnImage->trigger();
    QVERIFY(Window.MemoryMapMemo->toPlainText().isEmpty());
    Window.ShowImageAction->trigger();
    World.LoadImage(1);
    QVERIFY(Window.MemoryMapMemo->toPlainText().isEmpty());

    Window.ClearInfoEditAction->trigger();
    QCOMPARE(World.LineCount(), size_t{0});
}

void TMainFormTest::PortNameComesFromAndGoesToTheSettingsFile() {
    TWorld World({}, std::string("COM7"));
    TMainForm& Window = *World.Window;
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM7"));

    // Cancelling the box sets the same port again.
    Window.COM1->trigger();
    QCOMPARE(World.InputCaption, Q("COM порт"));
    QCOMPARE(World.InputPrompt, Q("Имя порта полностью:"));
    QCOMPARE(World.InputPreset, Q("COM7"));
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM7"));

    World.InputAnswer = Q("COM9");
    Window.COM1->trigger();
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM9"));
    QCOMPARE(LoadPortName(World.SettingsFile), std::string("COM7"));
    World.Window.reset();
    World.Session.reset();
    QCOMPARE(LoadPortName(World.SettingsFile), std::string("COM9"));
}

void TMainFormTest::PortChosenFromTheListOfPortsPresentIsSet() {
    TWorld World({}, std::string("COM7"));
    // A USB adapter whose node is the simulator's pseudo-terminal, beside a legacy port.
    TFakeSysfs Sysfs;
    Sysfs.AddLegacyPort("ttyS2", 4);
    Sysfs.AddUsbPort("ttyUSB0", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R USB UART", "A10K"},
                     World.PortPath.substr(std::string("/dev/").size()));
    qputenv("VELMORA_SYSFS_ROOT", QByteArray::fromStdString(Sysfs.Root()));
    const auto Restore = qScopeGuard([] { qunsetenv("VELMORA_SYSFS_ROOT"); });
    QStringList Entries;
    World.Window->PortDialogRunner = [&Entries](TPortChoiceForm& Form) {
        for (int Row = 0; Row < Form.PortList->count(); ++Row) {
            Entries << Form.PortList->item(Row)->text();
        }
        Form.PortList->setCurrentRow(1);
        Form.Buttons->button(QDialogButtonBox::Ok)->click();
        return Form.result();
    };
    const size_t LinesBefore = World.LineCount();

    World.Window->COM1->trigger();
    QCOMPARE(Entries.size(), 2);
    QVERIFY2(Entries[0].startsWith(Q("/dev/ttyS2 — COM3, ")), qPrintable(Entries[0]));
    QCOMPARE(Entries[1], QString::fromStdString(World.PortPath) +
                             Q(" — FTDI FT232R USB UART, серийный номер A10K, свободен"));
    QCOMPARE(World.Session->Head().GetPortName(), World.PortPath);
    QVERIFY(World.Session->Head().GetDeviceManager().IsPortOpen());
    QCOMPARE(World.LineCount(), LinesBefore);
}

void TMainFormTest::ArrivingPortIsTriedAndKeptOnlyWhenItAnswers() {
    TWorld World;
    TMainForm& Window = *World.Window;

    TProgrammerSimulator Answering;
    const std::string AnsweringPort = Answering.Start();
    Window.PortArrived(AnsweringPort);
    QCOMPARE(World.Session->Head().GetPortName(), AnsweringPort);
    auto Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{3});
    QCOMPARE(Lines[0].Text, Q("Инициализация прошла успешно."));
    QCOMPARE(Lines[1].Color, Blue);
    QCOMPARE(Lines[2].Text,
             Q("Программатор подключен к порту ") + QString::fromStdString(AnsweringPort) + Q("."));
    QCOMPARE(Lines[2].Color, Blue);

    TSimulatorOptions Failing;
    Failing.IdentificationText.clear();
    TProgrammerSimulator Refusing(Failing);
    Window.PortArrived(Refusing.Start());
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM1"));
    Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{4});
    QCOMPARE(Lines.back().Text, Q("Инициализация не удалась."));
    QCOMPARE(Lines.back().Color, Red);
    Answering.Stop();
    Refusing.Stop();
}

void TMainFormTest::ArrivingSilentPortStaysSelectedWithARedLine() {
    TWorld World;
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    TProgrammerSimulator Silent(Options);
    const std::string SilentPort = Silent.Start();
    World.Window->PortArrived(SilentPort);
    QCOMPARE(World.Session->Head().GetPortName(), SilentPort);
    const auto Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{1});
    QCOMPARE(Lines[0].Text, Q("Программатор не подключен. Команда F0h."));
    QCOMPARE(Lines[0].Color, Red);
    Silent.Stop();
}

void TMainFormTest::RemovalOfTheCurrentPortSwitchesToCom1() {
    TWorld World;
    TMainForm& Window = *World.Window;

    Window.PortRemoved("/dev/ttyUSB7", {});
    QCOMPARE(World.Session->Head().GetPortName(), World.PortPath);
    QCOMPARE(World.LineCount(), size_t{0});

    // The port was chosen through a link; the device left under its own name.
    const std::string Link = World.Path("programmer");
    fs::create_symlink(World.PortPath, Link);
    World.Session->Head().SetPortName(Link);
    Window.PortRemoved(World.PortPath, {});
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM1"));
    const auto Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{1});
    QCOMPARE(Lines[0].Text, Q("Программатор отключён от порта ") +
                                QString::fromStdString(World.PortPath) +
                                Q(".  Установлен порт COM1."));
    QCOMPARE(Lines[0].Color, Blue);

    // COM5 and /dev/ttyS4 are the same port; COM3 is another one.
    World.Session->Head().SetPortName("COM5");
    Window.PortRemoved("/dev/ttyS4", {});
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM1"));
    World.Session->Head().SetPortName("COM3");
    Window.PortRemoved("/dev/ttyS4", {});
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM3"));
    // A symbolic link of the device that left, known from the notice.
    World.Session->Head().SetPortName("/dev/serial/by-id/usb-programmer");
    Window.PortRemoved("/dev/ttyUSB3", {"/dev/serial/by-id/usb-programmer"});
    QCOMPARE(World.Session->Head().GetPortName(), std::string("COM1"));
    QCOMPARE(World.LineCount(), size_t{3});
}

void TMainFormTest::PortNoticeDuringAWriteWaitsForItsEnd() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(6);
    TProgrammerSimulator Arriving;
    const std::string ArrivingPort = Arriving.Start();
    // The notice comes in while the write lets the window handle its events after page 0.
    bool Delivered = false;
    QTimer::singleShot(0, &Window, [&] {
        QVERIFY(World.Session->Head().IsBusy());
        Window.PortArrived(ArrivingPort);
        QCOMPARE(World.Session->Head().GetPortName(), World.PortPath);
        Delivered = true;
    });
    Window.WriteImageAction->trigger();
    QVERIFY(Delivered);
    // Every page went to the programmer the write began with; the port changed afterwards.
    for (int Page = 0; Page < 6; ++Page) {
        QCOMPARE(World.Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page));
    }
    QCOMPARE(World.Session->Head().GetPortName(), ArrivingPort);
    const auto Lines = World.Lines();
    QCOMPARE(Lines.at(Lines.size() - 4).Text, Q("Запись прошла успешно."));
    QCOMPARE(Lines.back().Text,
             Q("Программатор подключен к порту ") + QString::fromStdString(ArrivingPort) + Q("."));
    Arriving.Stop();
}

void TMainFormTest::PortThatCannotBeOpenedIsReportedAtOnce() {
    const std::string Missing = QDir::tempPath().toStdString() + "/velmora-no-such-port";
    TWorld World({}, Missing);
    auto Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{1});
    QCOMPARE(Lines[0].Text, Q("Не удалось открыть порт ") + QString::fromStdString(Missing) +
                                Q(": нет такого устройства."));
    QCOMPARE(Lines[0].Color, Red);

    // A typed port that cannot be opened is reported the same way.
    World.InputAnswer = QString::fromStdString(World.PortPath);
    World.Window->COM1->trigger();
    QCOMPARE(World.LineCount(), size_t{1});
    World.InputAnswer = QString::fromStdString(Missing + "-2");
    World.Window->COM1->trigger();
    Lines = World.Lines();
    QCOMPARE(Lines.size(), size_t{2});
    QVERIFY(Lines[1].Text.endsWith(Q("-2: нет такого устройства.")));
}

void TMainFormTest::PortWatcherRunsOrStaysInactiveWithoutNotices() {
    // Where udev answers, the watcher listens; in a container without a netlink socket it
    // stays inactive. Either way nothing is delivered until a device comes or goes.
    TRecordedNotices Notices;
    {
        TPortWatcherNotifier Watcher(Notices);
        QCoreApplication::processEvents();
        qInfo("port watcher %s", Watcher.IsActive() ? "active" : "inactive");
    }
    QVERIFY(Notices.Notices.empty());
}

void TMainFormTest::ExceptionsBecomeOneRedLine() {
    TWorld World;
    TMainForm& Window = *World.Window;

    Window.Guarded([] { throw Exception("Сбой при проверке."); });
    Window.Guarded([] { throw 42; });
    // An exception that escapes from an event handler outside every guard.
    QTimer::singleShot(0, &Window, [] { throw std::runtime_error("Сбой в событии."); });
    QCoreApplication::processEvents();
    QCOMPARE(World.LineCount(), size_t{3});

    const auto Lines = World.Lines();
    QCOMPARE(Lines[0].Text, Q("Сбой при проверке."));
    QCOMPARE(Lines[1].Text, Q("Неизвестная ошибка."));
    QCOMPARE(Lines[2].Text, Q("Сбой в событии."));
    for (const TLine& Line : Lines) {
        QCOMPARE(Line.Color, Red);
    }
    QVERIFY(Window.isVisible());
}

void TMainFormTest::FullChipWriteCompareReadCycle() {
    TWorld World;
    TMainForm& Window = *World.Window;
    World.LoadImage(4096, "chip.ldr", 3);
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 4096 страниц."));

    Window.WriteImageAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Запись прошла успешно."));
    Window.CompareImageAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Образ совпадает с образом в контроллере."));

    Window.NewBurnImage->trigger();
    Window.ReadAction->trigger();
    QCOMPARE(World.Lines().back().Text, Q("Чтение прошло успешно."));
    QCOMPARE(Window.StateLabel->text(), Q("Образ «ReadImage.ldr»."));
    QCOMPARE(Window.PageCountLable->text(), Q("В образе 4096 страниц."));
    QCOMPARE(Shown(Window), Everything);

    World.ChosenFile = QString::fromStdString(World.Path("back.ldr"));
    Window.SaveImageToFileAction->trigger();
    QCOMPARE(ReadFileText(World.Path("back.ldr")), ReadFileText(World.Path("chip.ldr")));
    for (const TLine& Line : World.Lines()) {
        QVERIFY2(Line.Color != Red, qPrintable(Line.Text));
    }
}

int main(int Argc, char** Argv) {
    TVelmoraApplication Application(Argc, Argv);
    TMainFormTest Test;
    return QTest::qExec(&Test, Argc, Argv);
}

#include "MainFormTest.moc"
