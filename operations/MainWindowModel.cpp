#include "operations/MainWindowModel.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/ImageFileNames.h"
#include "operations/PortNoticeFollower.h"
#include "operations/Session.h"
#include "operations/Settings.h"
#include "operations/UIObjects.h"
#include "operations/Verification.h"

#include <filesystem>
#include <system_error>

namespace {

using TCommand = TWindowCommand;

// The four full operations: while one runs, its own button is its stop.
bool IsFullOperation(TCommand Command) {
    return Command == TCommand::WriteImage || Command == TCommand::ReadImage ||
           Command == TCommand::EraseChip || Command == TCommand::CompareImage;
}

// The commands that can run while an operation runs: they touch neither the programmer nor the
// image.
bool HarmlessDuringOperation(TCommand Command) {
    return Command == TCommand::ClearInfo || Command == TCommand::ShowImage ||
           Command == TCommand::Exit || Command == TCommand::Help || Command == TCommand::About;
}

// Idle: everything, but what needs image pages, a saved read or a loaded image only as the
// image allows.
TWindowCommandStates IdleStates(const TActionFlags& Flags) {
    TWindowCommandStates States;
    States[TCommand::WriteImage].Enabled = Flags.Write;
    States[TCommand::ReadImage].Enabled = Flags.Read;
    States[TCommand::CompareImage].Enabled = Flags.Compare;
    States[TCommand::VerifyAll].Enabled = Flags.Compare;
    // The range forms need image pages as much as their full forms do.
    States[TCommand::WritePages].Enabled = Flags.Write;
    States[TCommand::ComparePages].Enabled = Flags.Compare;
    States[TCommand::SaveImage].Enabled = Flags.Save;
    States[TCommand::EraseChip].Enabled = Flags.Delete;
    States[TCommand::LoadImage].Enabled = Flags.Load;
    States[TCommand::Stop].Enabled = false;
    States.MenusEnabled = Flags.Menus;
    return States;
}

// While a command runs the menus stay open for what cannot conflict with it: stopping, clearing
// the information pane, the dump, help and leaving. The running full operation's button stays
// on as its stop until a stop was asked for.
TWindowCommandStates StatesWhileRunning(TCommand Running, bool StopRequested) {
    TWindowCommandStates States;
    for (std::size_t Index = 0; Index < WindowCommandCount; ++Index) {
        const auto Command = static_cast<TCommand>(Index);
        States[Command].Enabled = HarmlessDuringOperation(Command);
    }
    const bool Stoppable = !StopRequested && Running != TCommand::Initialize;
    if (IsFullOperation(Running)) {
        States[Running] = {Stoppable, Stoppable};
    }
    States[TCommand::Stop].Enabled = Stoppable;
    return States;
}

const char* RangeCommandCaption(TCommand Command) {
    switch (Command) {
    case TCommand::WritePages:
        return SWritePagesCaption;
    case TCommand::ReadPages:
        return SReadPagesCaption;
    case TCommand::ErasePages:
        return SDeletePagesCaption;
    case TCommand::ComparePages:
        return SComparePagesCaption;
    default:
        return "";
    }
}

// The whole chip, as a full read or erase covers it.
constexpr std::pair<int, int> WholeChip{0, THeadManager::LastChipPage};

} // namespace

TMainWindowModel::TMainWindowModel(TSession& Session, IMainView& Display, IMainWindowView& View)
    : Session(Session), Display(Display), View(View),
      PortNoticeFollower(std::make_unique<TPortNoticeFollower>(Session.Head(), Session.Info())) {}

TMainWindowModel::~TMainWindowModel() {
    Session.SetProcessMessages(nullptr);
    Session.SetWhileWaiting(nullptr);
    Session.AttachView(nullptr);
}

void TMainWindowModel::Start() {
    Session.AttachView(&Display);
    // The window repaints and takes a stop between pages and while the programmer's answer is
    // awaited, time-outs included.
    Session.SetProcessMessages([this] { View.ProcessPendingInput(); });
    Session.SetWhileWaiting([this] { View.ProcessPendingInput(); });
    Session.BurnImage().SetState(bisEmpty);
    if (const auto& Problem = Session.GetSettingsProblem()) {
        Session.Info().AddMessage(*Problem, clRed);
    }
    ReportPortProblem();
}

THeadManager& TMainWindowModel::Head() {
    return Session.Head();
}

const THeadManager& TMainWindowModel::Head() const {
    return Session.Head();
}

// ---- Command states ----

TWindowCommandStates TMainWindowModel::GetCommandStates() const {
    return Running ? StatesWhileRunning(*Running, StopRequested) : IdleStates(ImageFlags);
}

void TMainWindowModel::ShowCommandStates() {
    View.ShowCommandStates(GetCommandStates());
}

void TMainWindowModel::ShowImageActions(const TActionFlags& Flags) {
    ImageFlags = Flags;
    ShowCommandStates();
}

// ---- Commands ----

void TMainWindowModel::Execute(TWindowCommand Command) {
    // A toolkit may let a key through for a command it shows disabled.
    if (GetCommandStates()[Command].Enabled) {
        Guarded([this, Command] { Run(Command); });
    }
    ShowCommandStates();
}

void TMainWindowModel::Run(TWindowCommand Command) {
    switch (Command) {
    case TCommand::NewImage:
        return NewImage();
    case TCommand::LoadImage:
        return LoadImage();
    case TCommand::SaveImage:
        return SaveImage();
    case TCommand::WriteImage:
        return RunFullOperation(Command, [this] { Head().WriteImage(); });
    case TCommand::ReadImage:
        return ReadImage();
    case TCommand::EraseChip:
        return EraseChip();
    case TCommand::CompareImage:
        return CompareImage();
    case TCommand::VerifyAll:
        return VerifyAll();
    case TCommand::WritePages:
        return RunOnRange(Command, ImagePageBounds(),
                          [this](int First, int Last) { Head().WritePages(First, Last); });
    case TCommand::ReadPages:
        if (UnsavedReadMayBeReplaced()) {
            RunOnRange(Command, WholeChip,
                       [this](int First, int Last) { Head().ReadPages(First, Last); });
        }
        return;
    case TCommand::ErasePages:
        return RunOnRange(Command, WholeChip,
                          [this](int First, int Last) { Head().DeletePages(First, Last); });
    case TCommand::ComparePages:
        // The head manager's lines tell the result.
        return RunOnRange(Command, ImagePageBounds(),
                          [this](int First, int Last) { Head().ComparePages(First, Last); });
    case TCommand::Stop:
        return Stop();
    case TCommand::Initialize:
        return RunCommand(Command, [this] { Head().Initialize(); });
    case TCommand::ClearInfo:
        return Session.Info().Clear();
    case TCommand::ShowImage:
        return View.ShowImageDump(ImageDump());
    case TCommand::ChoosePort:
        return ChoosePort();
    case TCommand::Help:
        return View.ShowHelp();
    case TCommand::About:
        return View.ShowAbout();
    case TCommand::Exit:
        return View.CloseWindow();
    }
}

void TMainWindowModel::RunFullOperation(TWindowCommand Command,
                                        const std::function<void()>& Operation) {
    if (Running) {
        Stop();
        return;
    }
    RunCommand(Command, Operation);
}

void TMainWindowModel::RunCommand(TWindowCommand Command, const std::function<void()>& Operation) {
    if (Running) {
        throw Exception(SProgrammerInUse);
    }
    Running = Command;
    StopRequested = false;
    ShowCommandStates();
    try {
        Operation();
    } catch (...) {
        EndCommand();
        throw;
    }
    EndCommand();
}

// Ends a command however it ended: everything back as the image allows, the progress idle, and
// a close that waited for the end carried out.
void TMainWindowModel::EndCommand() {
    Running.reset();
    StopRequested = false;
    Session.ResetProgress();
    ShowCommandStates();
    if (CloseAfterOperation) {
        CloseAfterOperation = false;
        View.CloseWindow();
    }
}

void TMainWindowModel::Stop() {
    if (!Running || StopRequested) {
        return;
    }
    StopRequested = true;
    Head().StopCurrentOperation();
    ShowCommandStates();
}

void TMainWindowModel::NewImage() {
    if (!UnsavedReadMayBeReplaced()) {
        return;
    }
    Head().ClearImage();
    Session.ResetProgress();
}

void TMainWindowModel::LoadImage() {
    if (!UnsavedReadMayBeReplaced()) {
        return;
    }
    const std::optional<std::string> Chosen = View.ChooseFileToLoad();
    if (!Chosen || Chosen->empty()) {
        return;
    }
    Head().LoadImageFromFile(*Chosen);
}

void TMainWindowModel::SaveImage() {
    if (Head().IsImageEmpty()) {
        throw Exception(SCannotSaveEmptyImage);
    }
    const std::optional<std::string> Chosen =
        View.ChooseFileToSave(Session.BurnImage().GetImageName());
    if (!Chosen || Chosen->empty()) {
        return;
    }
    // Asked about the name that is actually written, which may have gained its extension.
    const std::string Target = ImageFileTarget(*Chosen);
    std::error_code Error;
    if (std::filesystem::exists(Target, Error) &&
        !View.AskOverwrite(FormatText(SFileExistsOverwrite, FileNamePart(Target).c_str()))) {
        return;
    }
    Head().SaveImageToFile(Target);
    Session.Info().AddMessage(FormatText(SImageSavedToFile, Target.c_str()), clGreen);
}

void TMainWindowModel::ReadImage() {
    // A second press stops the running read; only a new read asks about the image it replaces.
    if (!Running && !UnsavedReadMayBeReplaced()) {
        return;
    }
    RunFullOperation(TCommand::ReadImage, [this] { Head().ReadImage(); });
}

void TMainWindowModel::EraseChip() {
    if (!Running && !ChipEraseConfirmed()) {
        return;
    }
    RunFullOperation(TCommand::EraseChip, [this] { Head().DeleteImage(); });
}

void TMainWindowModel::CompareImage() {
    RunFullOperation(TCommand::CompareImage, [this] {
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

void TMainWindowModel::VerifyAll() {
    RunCommand(TCommand::VerifyAll, [this] {
        TVerification Verification(Head());
        Verification.OnPage = [this](int Page, TPageState State, const TPageDifference&) {
            Display.ShowPageOutcome(Page, State == TPageState::Equal ? TPageOutcome::Equal
                                                                     : TPageOutcome::Different);
        };
        Verification.VerifyImage();
    });
}

void TMainWindowModel::RunOnRange(TWindowCommand Command, std::pair<int, int> Bounds,
                                  const std::function<void(int First, int Last)>& Operation) {
    const std::optional<TPageRange> Range =
        View.AskPageRange(RangeDialogTitle(Command), Bounds.first, Bounds.second);
    if (Range) {
        RunCommand(Command, [&Operation, &Range] { Operation(Range->First, Range->Last); });
    }
}

std::string TMainWindowModel::RangeDialogTitle(TWindowCommand Command) {
    std::string Title;
    for (const char* Letter = RangeCommandCaption(Command); *Letter != '\0'; ++Letter) {
        if (*Letter != '&') {
            Title += *Letter;
        }
    }
    while (!Title.empty() && (Title.back() == '.' || Title.back() == ' ')) {
        Title.pop_back();
    }
    return Title;
}

// Offers the ports present; the name typed or chosen is set. Cancelled, the dialog sets the
// same port again, which reopens it.
void TMainWindowModel::ChoosePort() {
    THeadManager& Manager = Head();
    const std::string Current = Manager.GetPortName();
    const std::optional<std::string> Chosen = View.ChoosePort(Current);
    if (!Manager.SetPortName(Chosen.value_or(Current))) {
        ReportPortProblem();
    }
}

// ---- Questions ----

bool TMainWindowModel::ChipEraseConfirmed() {
    const std::string& SettingsFile = Session.GetOptions().SettingsFileName;
    if (!LoadAskBeforeChipErase(SettingsFile)) {
        return true;
    }
    const TChipEraseAnswer Answer = View.AskChipErase(SConfirmEraseChip);
    if (Answer.Erase && Answer.DoNotAskAgain) {
        SaveAskBeforeChipErase(false, SettingsFile);
    }
    return Answer.Erase;
}

bool TMainWindowModel::UnsavedReadMayBeReplaced() {
    return MayReplaceImage(
        Head(), [this] { return View.AskUnsavedRead(SUnsavedReadQuestion); },
        [this] { SaveImage(); });
}

bool TMainWindowModel::CloseRequested() {
    // Asked once: the open question is the answer to every further close.
    if (CloseQuestionOpen) {
        return false;
    }
    if (!Running) {
        bool MayClose = false;
        Guarded([this, &MayClose] { MayClose = UnsavedReadMayBeReplaced(); });
        if (MayClose) {
            Head().StopCurrentOperation();
        }
        return MayClose;
    }
    // The operation runs below this request on the same thread: the question must not wait
    // for its answer here, or the operation would stand still until it came.
    if (!CloseAfterOperation) {
        CloseQuestionOpen = true;
        View.AskCloseDuringOperation(SConfirmCloseDuringOperation,
                                     [this](bool Yes) { CloseDuringOperationAnswered(Yes); });
    }
    return false;
}

void TMainWindowModel::CloseDuringOperationAnswered(bool Yes) {
    CloseQuestionOpen = false;
    if (!Yes) {
        return;
    }
    if (Running) {
        // The operation unwinds first; the window closes at its end.
        CloseAfterOperation = true;
        Stop();
        return;
    }
    // The operation ended while the question was open: the window closes now, as any close
    // of an idle window does.
    View.CloseWindow();
}

// ---- The image ----

std::pair<int, int> TMainWindowModel::ImagePageBounds() const {
    const std::vector<int> Pages = Head().ImagePageNumbers();
    return Pages.empty() ? std::make_pair(0, -1) : std::make_pair(Pages.front(), Pages.back());
}

std::vector<std::string> TMainWindowModel::ImageDump() const {
    return Head().ImageToStrings();
}

std::optional<std::int32_t> TMainWindowModel::ImagePageAddress(int Page) const {
    const std::shared_ptr<IMemoryMap>& Map = Head().GetMemoryMap();
    const TMemoryPage* Found = Map != nullptr ? Map->FindPage(Page) : nullptr;
    if (Found == nullptr) {
        return std::nullopt;
    }
    return Found->GetAddress();
}

// ---- Ports ----

void TMainWindowModel::ReportPortProblem() {
    const std::optional<TCommOpenResult> Problem = Session.GetPortProblem();
    if (!Problem) {
        return;
    }
    const std::string Reason = PortProblemText(*Problem);
    Session.Info().AddMessage(
        FormatText(SPortNotOpened, Head().GetPortName().c_str(), Reason.c_str()), clRed);
}

void TMainWindowModel::PortArrived(const std::string& Name) {
    Guarded([this, &Name] { PortNoticeFollower->PortArrived(Name); });
}

void TMainWindowModel::PortRemoved(const std::string& Name,
                                   const std::vector<std::string>& OtherNames) {
    Guarded([this, &Name, &OtherNames] { PortNoticeFollower->PortRemoved(Name, OtherNames); });
}

// ---- Errors ----

void TMainWindowModel::ReportError(const std::exception& Error) {
    if (Session.Info().GetView() != nullptr) {
        Session.Info().AddMessage(Error.what(), clRed);
    } else {
        Display.AddInfoLine(Error.what(), clRed);
    }
}

void TMainWindowModel::Guarded(const std::function<void()>& Handler) {
    const auto Report = [this](const std::function<void()>& Step) {
        try {
            Step();
        } catch (const std::exception& Error) {
            ReportError(Error);
        } catch (...) {
            ReportError(Exception(SUnknownException));
        }
    };
    Report(Handler);
    Report([this] { PortNoticeFollower->HandleHeldNotices(); });
}
