// What the main window does, without a window toolkit: which commands are enabled when, what
// each command runs on the session's head manager, the questions asked before an image or the
// chip is lost and what their answers mean, port notices held while an operation runs, and a
// close during an operation that waits for the current page. A toolkit's window shows the
// session (IMainView), carries out the interaction (IMainWindowView) and forwards its commands,
// its close and the session's UpdateActions here.
#pragma once

#include "operations/MainView.h"
#include "operations/MainWindowView.h"
#include "serial/PortNotices.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class THeadManager;
class TPortNoticeFollower;
class TSession;

class TMainWindowModel : public IPortNotices {
public:
    // Display shows what the session shows (usually the same window as View); both must
    // outlive the model. Nothing is shown before Start.
    TMainWindowModel(TSession& Session, IMainView& Display, IMainWindowView& View);
    // Detaches the window from the session.
    ~TMainWindowModel() override;
    TMainWindowModel(const TMainWindowModel&) = delete;
    TMainWindowModel& operator=(const TMainWindowModel&) = delete;

    // Attaches the window to the session, shows the empty image and says at once when the port
    // in use could not be opened. From here on the window's UpdateActions must reach
    // ShowImageActions.
    void Start();

    // Runs Command as the user gave it; an error ends as one red line. The command states are
    // shown again afterwards, so that a toolkit's own toggling of a button is put right.
    void Execute(TWindowCommand Command);
    // The enabled commands for the image as the session shows it (IMainView::UpdateActions).
    void ShowImageActions(const TActionFlags& Flags);
    TWindowCommandStates GetCommandStates() const;
    // The command that runs at present (a stop may have been asked for); none when idle.
    std::optional<TWindowCommand> GetRunningCommand() const { return Running; }

    // The user (or the toolkit) wants the window closed: true when it may close now. During an
    // operation the user is asked, and the operation goes on while the question is open; on
    // Yes it stops after its current page and the window is closed once it has ended (at once
    // when it ended meanwhile). Idle, an unsaved read is asked about first.
    bool CloseRequested();

    // The image as dump lines, and the address of the image's page for chip page Page (none
    // when the image has no such page).
    std::vector<std::string> ImageDump() const;
    std::optional<std::int32_t> ImagePageAddress(int Page) const;

    // ---- Serial ports arriving and leaving: held while an operation runs ----
    void PortArrived(const std::string& Name) override;
    void PortRemoved(const std::string& Name,
                     const std::vector<std::string>& OtherNames = {}) override;

    // Runs Handler; an exception that leaves it becomes one red line. Port notices held back
    // while an operation ran are handled once none runs.
    void Guarded(const std::function<void()>& Handler);
    // Writes the message of an error that reached the top level as one red line.
    void ReportError(const std::exception& Error);

    // The title of the range dialog for a range command: its caption without the mnemonic
    // marker and the dots that say a dialog follows.
    static std::string RangeDialogTitle(TWindowCommand Command);

private:
    void Run(TWindowCommand Command);
    void ShowCommandStates();
    // The pattern of the four full operations: a second press stops the running one.
    void RunFullOperation(TWindowCommand Command, const std::function<void()>& Operation);
    // Runs a programmer command: while it runs only what cannot conflict with it is enabled;
    // afterwards the progress display is idle again and a close asked for meanwhile goes ahead.
    void RunCommand(TWindowCommand Command, const std::function<void()>& Operation);
    void EndCommand();
    void Stop();

    void NewImage();
    void LoadImage();
    void SaveImage();
    void ReadImage();
    void EraseChip();
    void CompareImage();
    void VerifyAll();
    // A range command over the pages the user chooses between the bounds.
    void RunOnRange(TWindowCommand Command, std::pair<int, int> Bounds,
                    const std::function<void(int First, int Last)>& Operation);
    void ChoosePort();

    // Asks before a whole-chip erase unless the user said not to; true to go on.
    bool ChipEraseConfirmed();
    // The answer to the question whether to close during an operation.
    void CloseDuringOperationAnswered(bool Yes);
    // Whether the image may be replaced now: an unsaved read is replaced only after the user
    // has answered the question (and, when the answer is to save it, it was saved).
    bool UnsavedReadMayBeReplaced();
    // The lowest and highest chip page of the image; (0, -1) for an empty image.
    std::pair<int, int> ImagePageBounds() const;
    // A red line saying why the port in use could not be opened, when it could not.
    void ReportPortProblem();
    THeadManager& Head();
    const THeadManager& Head() const;

    TSession& Session;
    IMainView& Display;
    IMainWindowView& View;
    std::unique_ptr<TPortNoticeFollower> PortNoticeFollower;
    TActionFlags ImageFlags;
    std::optional<TWindowCommand> Running;
    bool StopRequested = false;
    bool CloseAfterOperation = false;
    // The question whether to close during an operation waits for its answer.
    bool CloseQuestionOpen = false;
};
