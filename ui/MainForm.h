// The program's main window: the Qt view of TMainWindowModel. It builds the widgets, shows what
// the session shows, carries out the model's questions and dialogs with Qt's, and hands every
// command, its close and the serial ports arriving and leaving to the model.
#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QSize>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/MainView.h"
#include "operations/MainWindowView.h"
#include "operations/UnsavedRead.h"
#include "serial/PortNotices.h"
#include "ui/AboutForm.h"
#include "ui/PagesRangeForm.h"

class QAction;
class QDialog;
class QFileDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;
class TChipMap;
class TColorRichEdit;
class TConstraintedEdit;
class TMainWindowModel;
class TPanelStatusBar;
class TPortChoiceForm;
class TSession;

class TMainForm : public QMainWindow,
                  public IMainView,
                  public IMainWindowView,
                  public IPortNotices {
    Q_OBJECT
public:
    // Runs a file dialog; the chosen path, or nothing when the user cancelled.
    using TFileDialogRunner = std::function<std::optional<QString>(QFileDialog& Dialog)>;
    // Asks a Yes/No question; true for Yes.
    using TConfirmation = std::function<bool(const QString& Question)>;
    // Shows a Yes/No question and returns at once; Answered gets true for Yes once the user has
    // answered.
    using TConfirmationWithoutWait =
        std::function<void(const QString& Question, std::function<void(bool Yes)> Answered)>;
    // Runs the serial port dialog; its modal result (QDialog::Accepted or QDialog::Rejected).
    using TPortDialogRunner = std::function<int(TPortChoiceForm& Form)>;
    // Asks whether to erase the whole chip; true to go on. DoNotAskAgain comes back true when
    // the user ticked that the question should not come again.
    using TChipEraseConfirmation =
        std::function<bool(const QString& Question, bool& DoNotAskAgain)>;
    // Asks what to do with a read that was not saved before it is replaced.
    using TUnsavedReadQuestion = std::function<TUnsavedReadAnswer(const QString& Question)>;
    // Runs the page range dialog between the bounds; its modal result.
    using TRangeDialogRunner =
        std::function<int(TPagesRangeForm& Form, int MinIndex, int MaxIndex)>;

    // Shows Session: the window is its view and its model runs the commands. Says at once when
    // the port in use could not be opened.
    explicit TMainForm(TSession& Session, QWidget* Parent = nullptr);
    // Detaches from the session.
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // The dialogs made once at start-up; not owned. Without them the window makes its own.
    void SetAboutForm(TAboutForm* Form) { AboutForm = Form; }
    void SetPagesRangeForm(TPagesRangeForm* Form) { PagesRangeForm = Form; }
    TAboutForm& GetAboutForm();
    TPagesRangeForm& GetPagesRangeForm();

    // Shows Dialog modally: the chosen path, or nothing when the user cancelled. The dialog is
    // kept for the next use without a completion list left open.
    static std::optional<QString> RunFileDialog(QFileDialog& Dialog);

    // Replaceable interaction, so that tests answer instead of a user.
    TFileDialogRunner FileDialogRunner;
    TConfirmation ConfirmOverwrite;
    TChipEraseConfirmation ConfirmChipErase;
    // Asked when the window is closed while an operation runs; the operation goes on meanwhile.
    TConfirmationWithoutWait ConfirmCloseDuringOperation;
    TPortDialogRunner PortDialogRunner;
    TRangeDialogRunner RangeDialogRunner;
    // Asked before a new image, another file, a new read or the end of the program replaces a
    // read that was not saved.
    TUnsavedReadQuestion AskAboutUnsavedRead;

    // ---- IMainView ----
    void ShowStatePicture(TStatePicture Picture, bool ClearFirst) override;
    void SetStateLabel(const std::string& Text) override;
    void SetPageCountLabel(const std::string& Text) override;
    void SetPageLengthLabel(const std::string& Text) override;
    void SetFileNameText(const std::string& FullPath) override;
    // Hands the image's flags to the model, which enables the commands.
    void UpdateActions(const TActionFlags& Flags) override;
    void Repaint() override;
    void ClearImageView() override;
    void ShowImagePages(const std::vector<int>& Pages) override;
    void ShowPageOutcome(int Page, TPageOutcome Outcome) override;
    void AddInfoLine(const std::string& Text, TColor Color) override;
    void ClearInfo() override;
    void SetProgressPosition(int Percent) override;
    void SetStatusPanelText(int Panel, const std::string& Text) override;
    // The task bar shows the window title: while an operation reports its percentage the
    // title is the application title ("45% Velmora"), otherwise the window's caption.
    void SetApplicationTitle(const std::string& Title) override;
    const std::string& GetApplicationTitle() const { return ApplicationTitle; }
    // The picture the image group shows at present.
    TStatePicture GetStatePicture() const { return StatePicture; }
    // The full path behind the shortened text of FileNameEdit.
    const std::string& GetFileNameFullPath() const { return FileNameFullPath; }

    // ---- IMainWindowView: the model's interaction, carried out with the hooks above ----
    void ShowCommandStates(const TWindowCommandStates& States) override;
    bool AskOverwrite(const std::string& Question) override;
    void AskCloseDuringOperation(const std::string& Question,
                                 std::function<void(bool Yes)> Answered) override;
    TChipEraseAnswer AskChipErase(const std::string& Question) override;
    TUnsavedReadAnswer AskUnsavedRead(const std::string& Question) override;
    std::optional<std::string> ChooseFileToLoad() override;
    std::optional<std::string> ChooseFileToSave(const std::string& SuggestedName) override;
    std::optional<TPageRange> AskPageRange(const std::string& Title, int MinIndex,
                                           int MaxIndex) override;
    std::optional<std::string> ChoosePort(const std::string& CurrentPort) override;
    void ShowImageDump(const std::vector<std::string>& Lines) override;
    void ShowHelp() override;
    void ShowAbout() override;
    void CloseWindow() override;
    void ProcessPendingInput() override;

    TMainWindowModel& GetModel() { return *Model; }
    // The action whose command runs at present (a stop may have been asked for); none when idle.
    QAction* GetRunningAction() const;

    // ---- Serial ports arriving and leaving: handed to the model ----
    void PortArrived(const std::string& Name) override;
    void PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) override;

    // Writes the message of an error that reached the top level as one red line.
    void ApplicationEventsException(QObject* Sender, const std::exception& Error);
    // Runs Handler; an exception that leaves it goes to ApplicationEventsException. Port
    // notices held back while an operation ran are handled once none runs.
    void Guarded(const std::function<void()>& Handler);

    // Shows the image view scrolled to the image page written to chip page Page.
    void ShowChipPage(int Page);

    // ---- Elements ----
    QToolBar* ToolBar1 = nullptr;
    QToolButton* WriteToolButton = nullptr;
    QToolButton* ReadToolButton = nullptr;
    QToolButton* DeleteToolButton = nullptr;
    QToolButton* CompareToolButton = nullptr;
    QToolButton* SaveToolButton = nullptr;
    QGroupBox* MainGroupBox = nullptr;
    QLabel* FileStateImage = nullptr;
    QLabel* StateLabel = nullptr;
    QLabel* PageLengthLabel = nullptr;
    QLabel* PageCountLable = nullptr;
    TConstraintedEdit* FileNameEdit = nullptr;
    QPushButton* OpenFileButton = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    TColorRichEdit* InfoRichEdit = nullptr;
    QWidget* ImageViewTabSheet = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* Label1 = nullptr;
    QPlainTextEdit* MemoryMapMemo = nullptr;
    QWidget* ChipMapTabSheet = nullptr;
    TChipMap* ChipMap = nullptr;
    TPanelStatusBar* StatusBar = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QFileDialog* FileOpenDialog = nullptr;
    QFileDialog* SaveDialog = nullptr;

    // Main menu.
    QMenu* FileMenuItem = nullptr;
    QMenu* EditMenuItem = nullptr;
    QMenu* SettingsMenuItem = nullptr;
    QMenu* CommandsMenuItem = nullptr;
    QMenu* HelpMenuItem = nullptr;
    QAction* N4 = nullptr;       // "Выход"
    QAction* COM1 = nullptr;     // "COM порт"
    QAction* HelpItem = nullptr; // "Помощь"
    QAction* N5 = nullptr;       // "О программе..."

    // Actions: each is shared by every menu item and button that shows it.
    QAction* NewBurnImage = nullptr;
    QAction* LoadImageFromFileAction = nullptr;
    QAction* SaveImageToFileAction = nullptr;
    QAction* WriteImageAction = nullptr;
    QAction* ReadAction = nullptr;
    QAction* DeleteAction = nullptr;
    QAction* CompareImageAction = nullptr;
    QAction* WriteConcreatePagesAction = nullptr;
    QAction* ReadConcreatePagesAction = nullptr;
    QAction* DeleteConcreatePagesAction = nullptr;
    QAction* CompareConcreatePagesAction = nullptr;
    QAction* InitialyzeAction = nullptr;
    QAction* ClearInfoEditAction = nullptr;
    QAction* ShowImageAction = nullptr;
    QAction* StopAction = nullptr;
    // Compares every page instead of stopping at the first difference.
    QAction* VerifyAllAction = nullptr;

    // The help window with the program's usage; made on first use.
    QPointer<QDialog> HelpForm;

protected:
    // Closing while an operation runs asks first; the window then closes once the operation
    // has stopped.
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    // Re-shortens the file path and the image name to the new widths.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // MainFormMenus.cpp: the actions, the menu bar, the tool bar and the keys.
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void AssignShortcuts();
    QToolButton* AddDropDownButton(QAction* Full, const char* FullCaption, QAction* Range);
    QToolButton* AddToolButton(QAction* Action);
    // Makes the action that gives Command to the model.
    QAction* MakeAction(const char* Caption, TWindowCommand Command,
                        const QString& PictureName = QString());
    // A menu item with its own caption that stands for Action: it triggers it and follows its
    // enabled and checked state.
    QAction* MakeActionLink(QAction* Action, const char* Caption, QMenu* Menu);

    // MainFormImageGroup.cpp.
    void CreateImageGroup(QWidget* Central);
    void ShowFileName();
    void ShowStateLabel();

    // MainFormPages.cpp: the information pane, the image view and the chip map.
    void CreatePages(QWidget* Central);
    // Makes the window higher by what the chip map lacks to show every page at its preferred
    // size.
    void GrowForTheChipMap();

    // The window at the size it wants (the chip map whole) as far as the screen's work area
    // allows with its frame, centred in that area.
    void FitIntoTheScreen();
    // The window system's frame around the window (estimated before it is known).
    QMargins FrameMargins() const;

    // MainFormStatusBar.cpp.
    void CreateStatusBar();
    void CreateProgressBar();

    // MainFormDialogs.cpp: Qt's own dialogs behind the replaceable interaction.
    void CreateDialogs();
    void SetDefaultInteraction();
    // Qt's Yes/No question (No by default), application-modal, shown without a loop of its own:
    // whatever runs on, runs on while it is open.
    void AskYesNoWithoutWaiting(const QString& Question, std::function<void(bool Yes)> Answered);

    TSession& Session;
    // Made once the widgets are there; released before them.
    std::unique_ptr<TMainWindowModel> Model;
    // The action of each command, in the order of TWindowCommand.
    std::array<QAction*, WindowCommandCount> CommandActions{};
    std::string ApplicationTitle;
    std::string FileNameFullPath;
    QString StateLabelText;
    TStatePicture StatePicture = TStatePicture::Empty;
    // The size the window opens at on a screen large enough for it.
    QSize WantedSize;
    bool FittedWhenShown = false;
    // What the chip map tab scrolls: the map and its legend.
    QWidget* ChipMapContent = nullptr;
    // The question that is open without waiting for its answer, if any.
    QPointer<QMessageBox> OpenQuestion;
    QPointer<TAboutForm> AboutForm;
    QPointer<TPagesRangeForm> PagesRangeForm;
};
