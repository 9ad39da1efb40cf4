// The program's main window on Windows: the Windows API view of TMainWindowModel. It builds the
// menus, the tool bar, the image group, the three pages and the status bar, shows what the
// session shows, carries out the model's questions and dialogs with its own dialogs (the
// system's only for files), and hands every command, its close and the serial ports arriving
// and leaving to the model. While an operation runs, the model's wait hook handles the waiting
// messages, so that the window keeps answering.
#pragma once

#include "operations/MainView.h"
#include "operations/MainWindowView.h"
#include "operations/UnsavedRead.h"
#include "serial/PortNotices.h"
#include "winui/Controls.h"
#include "winui/FileDialogs.h"
#include "winui/MainMenu.h"
#include "winui/WinHandles.h"
#include "winui/WindowBase.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TAboutDialog;
class TChipMapLegend;
class TChipMapView;
class TDumpView;
class THelpWindow;
class TImageGroup;
class TInfoPane;
class TMainWindowModel;
class TOpenQuestion;
class TPagesRangeDialog;
class TPortChoiceDialog;
class TSession;
class TStatusBar;
class TToolBar;

class TMainWindow : public TWindowBase,
                    public IMainView,
                    public IMainWindowView,
                    public IPortNotices {
public:
    // The pages of the tab control, in their order.
    enum TPage { InfoPage, ImageViewPage, ChipMapPage, PageCount };

    // Runs a file dialog; the chosen path, or nothing when the user cancelled.
    using TFileDialogRunner = std::function<std::optional<std::string>(const TFileDialogRequest&)>;
    // Asks a Yes/No question; true for Yes.
    using TConfirmation = std::function<bool(const std::string& Question)>;
    // Shows a Yes/No question and returns at once; Answered gets true for Yes once the user has
    // answered.
    using TConfirmationWithoutWait =
        std::function<void(const std::string& Question, std::function<void(bool Yes)> Answered)>;
    using TChipEraseConfirmation = std::function<TChipEraseAnswer(const std::string& Question)>;
    using TUnsavedReadQuestion = std::function<TUnsavedReadAnswer(const std::string& Question)>;
    // Run a dialog made and prepared by the window; its result (IDOK or IDCANCEL).
    using TRangeDialogRunner = std::function<int(TPagesRangeDialog& Dialog)>;
    using TPortDialogRunner = std::function<int(TPortChoiceDialog& Dialog)>;
    using TAboutDialogRunner = std::function<int(TAboutDialog& Dialog)>;

    // Shows Session: the window is its view and its model runs the commands. The window is
    // made hidden; says at once when the port in use could not be opened. RichEdit's library
    // must be loaded and the common controls initialised (TWindowsUi).
    explicit TMainWindow(TSession& Session);
    // Detaches from the session and destroys the window if it is still there.
    ~TMainWindow() override;

    void Show(int ShowCommand = SW_SHOWNORMAL);
    // The keyboard's translation of a message taken from the queue: the window's keys and its
    // help window's dialog navigation. True when it was handled.
    bool TranslateInput(MSG& Message);
    // Takes and handles messages until the window is closed; the exit code.
    int Run();

    // Replaceable interaction, so that tests answer instead of a user.
    TFileDialogRunner FileDialogRunner;
    TConfirmation ConfirmOverwrite;
    TChipEraseConfirmation ConfirmChipErase;
    // Asked when the window is closed while an operation runs; the operation goes on meanwhile.
    TConfirmationWithoutWait ConfirmCloseDuringOperation;
    TUnsavedReadQuestion AskAboutUnsavedRead;
    TRangeDialogRunner RangeDialogRunner;
    TPortDialogRunner PortDialogRunner;
    TAboutDialogRunner AboutDialogRunner;

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
    // Asks the window to close as the user would (WM_CLOSE, once the present message is done).
    void CloseWindow() override;
    void ProcessPendingInput() override;

    // ---- Serial ports arriving and leaving: handed to the model ----
    void PortArrived(const std::string& Name) override;
    void PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) override;

    TMainWindowModel& GetModel() { return *Model; }
    // Shows the image view scrolled to the image page written to chip page Page.
    void ShowChipPage(int Page);
    void SelectPage(TPage Page);
    TPage SelectedPage() const;

    // ---- Elements ----
    HMENU MenuBar() const { return Menu->Bar(); }
    const TToolBar& ToolBar() const { return *Tools; }
    const TImageGroup& ImageGroup() const { return *Image; }
    const TInfoPane& InfoPane() const { return *Info; }
    const TDumpView& DumpView() const { return *Dump; }
    const TChipMapView& ChipMap() const { return *Map; }
    const TStatusBar& StatusBar() const { return *Status; }
    HWND Tabs() const { return TabControl; }
    HWND ShowImageButton() const { return ShowDumpButton; }
    HWND ShowImageNote() const { return DumpNote; }
    // The help window, once it was asked for.
    const THelpWindow* HelpWindow() const { return Help.get(); }
    // The question asked without waiting for its answer, once one was asked.
    const TOpenQuestion* OpenQuestion() const { return AskedQuestion.get(); }

protected:
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;
    void ReportError(const std::exception& Error) override;

private:
    // MainWindow.cpp: the frame.
    void CreateFrame();
    void Layout();
    void ChangeDpi(UINT NewDpi, const RECT& Suggested);
    bool HandleCommand(WPARAM WParam);
    LRESULT HandleNotice(const NMHDR& Notice);
    void LimitSize(MINMAXINFO& Limits) const;
    void PlaceInitially();
    // Gives the window the bounds Wanted, made to fit the work area of their monitor.
    void MoveWithin(const RECT& Wanted);

    // MainWindowPages.cpp: the tab control and its pages.
    void CreatePages();
    void LayoutPages(const RECT& Bounds);
    void LayoutImageView(const RECT& Page);
    void LayoutChipMap(const RECT& Page);
    // The height the pages need to show the chip map at its preferred size.
    int PagesHeightForTheChipMap() const;
    std::optional<HBRUSH> PageControlColor(HWND Control, HDC Context) const;

    // MainWindowDialogs.cpp: the window's questions and dialogs behind the hooks.
    void SetDefaultInteraction();

    TSession& Session;
    // Made once the controls are there; released before them.
    std::unique_ptr<TMainWindowModel> Model;
    UINT Dpi = DesignDpi;
    std::unique_ptr<TFormFonts> Fonts;
    std::unique_ptr<TMainMenu> Menu;
    TAcceleratorOwner Keys;
    std::unique_ptr<TToolBar> Tools;
    std::unique_ptr<TImageGroup> Image;
    HWND TabControl = nullptr;
    std::unique_ptr<TInfoPane> Info;
    HWND ShowDumpButton = nullptr;
    HWND DumpNote = nullptr;
    std::unique_ptr<TDumpView> Dump;
    std::unique_ptr<TChipMapView> Map;
    std::unique_ptr<TChipMapLegend> Legend;
    std::unique_ptr<TStatusBar> Status;
    std::unique_ptr<THelpWindow> Help;
    std::unique_ptr<TOpenQuestion> AskedQuestion;
    std::string ApplicationTitle;
    // The range dialog's fields as the user left them last.
    std::pair<std::string, std::string> RangeTexts;
};
