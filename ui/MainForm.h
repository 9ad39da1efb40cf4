// The program's main window: turns every command into one call of the head manager, shows what
// the head manager reports, keeps the serial port name in the settings file and follows serial
// ports arriving and leaving. Every error that leaves a command ends as one red line in the
// information pane.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/MainView.h"
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
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;
class IMemoryMap;
class TChipMap;
class TColorRichEdit;
class TConstraintedEdit;
class THeadManager;
class TPanelStatusBar;
class TPortChoiceForm;
class TPortNoticeFollower;
class TSession;

class TMainForm : public QMainWindow, public IMainView, public IPortNotices {
    Q_OBJECT
public:
    // Runs a file dialog; the chosen path, or nothing when the user cancelled.
    using TFileDialogRunner = std::function<std::optional<QString>(QFileDialog& Dialog)>;
    // Asks a Yes/No question; true for Yes.
    using TConfirmation = std::function<bool(const QString& Question)>;
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

    // Shows Session: the window is its view and runs its commands. Says at once when the port
    // in use could not be opened.
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
    // Asked when the window is closed while an operation runs.
    TConfirmation ConfirmCloseDuringOperation;
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
    // The action whose command runs at present (a stop may have been asked for); none when idle.
    QAction* GetRunningAction() const { return RunningAction; }

    // ---- Serial ports arriving and leaving ----
    // Handled by the port-notice follower; held while an operation runs.
    void PortArrived(const std::string& Name) override;
    void PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) override;
    TPortNoticeFollower& GetPortNoticeFollower() { return *PortNoticeFollower; }

    // Writes the message of an error that reached the top level as one red line.
    void ApplicationEventsException(QObject* Sender, const std::exception& Error);
    // Runs Handler; an exception that leaves it goes to ApplicationEventsException. Port
    // notices held back while an operation ran are handled once none runs.
    void Guarded(const std::function<void()>& Handler);

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
    QAction* HelpItem = nullptr; // "Помощь", no command
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

    // ---- Action handlers ----
    void NewBurnImageExecute();
    void LoadImageFromFileActionExecute();
    void SaveImageToFileActionExecute();
    void WriteImageActionExecute();
    void ReadActionExecute();
    void DeleteActionExecute();
    void CompareImageActionExecute();
    void WriteConcreatePagesActionExecute();
    void ReadConcreatePagesActionExecute();
    void DeleteConcreatePagesActionExecute();
    void CompareConcreatePagesActionExecute();
    void InitialyzeActionExecute();
    void ClearInfoEditActionExecute();
    void ShowImageActionExecute();
    void StopActionExecute();
    void VerifyAllActionExecute();
    // Shows the image view scrolled to the image page written to chip page Page.
    void ShowChipPage(int Page);
    void HelpItemClick();
    void COM1Click();
    void N4Click();
    void N5Click();

protected:
    // Closing while an operation runs asks first; the window then closes once the operation
    // has stopped.
    void closeEvent(QCloseEvent* Event) override;
    // Re-shortens the file path and the image name to the new widths.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateImageGroup(QWidget* Central);
    void CreatePages(QWidget* Central);
    void CreateDialogs();
    QToolButton* AddDropDownButton(QAction* Full, const char* FullCaption, QAction* Range);
    QToolButton* AddToolButton(QAction* Action);
    // Makes an action whose triggering runs Handler through the error guard.
    QAction* MakeAction(const char* Caption, void (TMainForm::*Handler)(),
                        const QString& PictureName = QString());
    // A menu item with its own caption that stands for Action: it triggers it and follows its
    // enabled and checked state.
    QAction* MakeActionLink(QAction* Action, const char* Caption, QMenu* Menu);

    void FormCreate();
    void FormClose();
    void FormDestroy();
    // A red line saying why the port in use could not be opened, when it could not.
    void ReportPortProblem();
    THeadManager& Head();
    const THeadManager& Head() const;
    QProgressBar* CreateProgressBar();
    // Makes the window higher by what the chip map lacks to show every page at its preferred
    // size.
    void GrowForTheChipMap();

    // The pattern of the four full operations: a second press stops the running one.
    void RunFullOperation(QAction* Action, const std::function<void()>& Operation);
    // Runs a programmer command for Action: while it runs only what cannot conflict with it is
    // enabled; afterwards the progress display is idle again and a close asked for meanwhile
    // goes ahead.
    void RunCommand(QAction* Action, const std::function<void()>& Command);
    // Enables the commands: the image's set when idle, the running command's set otherwise.
    void ApplyEnabledState();
    // Asks before a whole-chip erase unless the user said not to; true to go on.
    bool ChipEraseConfirmed();
    void ShowFileName();
    void ShowStateLabel();
    void AssignShortcuts();
    // Shows the range dialog titled after Operation; the chosen first and last index when the
    // user confirmed.
    std::optional<std::pair<int, int>> AskPagesRange(const QAction* Operation, int MinIndex,
                                                     int MaxIndex);
    // Whether the image may be replaced now: an unsaved read is replaced only after the user
    // has answered the question (and, when the answer is to save it, it was saved).
    bool UnsavedReadMayBeReplaced();
    // Closing asks about an unsaved read first; false when the window must stay.
    bool MayCloseNow();
    // The lowest and highest chip page of the image; (0, -1) for an empty image.
    std::pair<int, int> ImagePageBounds() const;

    TSession& Session;
    std::unique_ptr<TPortNoticeFollower> PortNoticeFollower;
    std::string ApplicationTitle;
    std::string FileNameFullPath;
    QString StateLabelText;
    TActionFlags ImageFlags;
    QAction* RunningAction = nullptr;
    bool StopRequested = false;
    bool CloseAfterOperation = false;
    TStatePicture StatePicture = TStatePicture::Empty;
    // What the chip map tab scrolls: the map and its legend.
    QWidget* ChipMapContent = nullptr;
    QPointer<TAboutForm> AboutForm;
    QPointer<TPagesRangeForm> PagesRangeForm;
    bool IsDestroyed = false;
};
