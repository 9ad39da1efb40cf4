#include "cli/ProgrammerCommands.h"

#include "cli/JsonOutput.h"
#include "cli/PageRange.h"
#include "cli/SerialNumbers.h"
#include "common/ResourseStrings.h"
#include "image/ImageStamp.h"
#include "image/MemoryMapObjects.h"
#include "image/PageList.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/ImageFileNames.h"
#include "operations/Progress.h"
#include "operations/Session.h"
#include "operations/TextEncoding.h"
#include "operations/UIObjects.h"
#include "operations/Verification.h"
#include "platform/Console.h"
#include "simulator/ProgrammerSimulator.h"
#include "simulator/SimulatedProgrammer.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <optional>

namespace {

// ---- Terminal output ----

// The environment is looked at only for a terminal: a command writing into memory (a port of a
// run on several) neither needs it nor reads it.
bool ColoursWanted(const std::ostream& Stream) {
    if (!ShowsEscapeSequences(Stream)) {
        return false;
    }
    const char* NoColour = std::getenv("NO_COLOR");
    return NoColour == nullptr || NoColour[0] == '\0';
}

const char* AnsiColour(TColor Color) {
    switch (Color) {
    case clGreen:
        return "\033[32m";
    case clRed:
        return "\033[31m";
    case clBlue:
        return "\033[34m";
    default:
        return "";
    }
}

// A view without an image group, a title or a pane to clear: the command line shows only lines
// and progress.
class TLinesView : public IMainView {
public:
    void ShowStatePicture(TStatePicture, bool) override {}
    void SetStateLabel(const std::string&) override {}
    void SetPageCountLabel(const std::string&) override {}
    void SetPageLengthLabel(const std::string&) override {}
    void SetFileNameText(const std::string&) override {}
    void UpdateActions(const TActionFlags&) override {}
    void Repaint() override {}
    void ClearInfo() override {}
    void SetApplicationTitle(const std::string&) override {}
    void SetProgressPosition(int) override {}
    void SetStatusPanelText(int, const std::string&) override {}
};

// The window of velmora-cli: the information pane is standard output, one time-stamped line per
// message; the progress bar and the remaining time go to standard error when it is a terminal.
class TConsoleView : public TLinesView {
public:
    TConsoleView(std::ostream& Out, std::ostream& Err)
        : Out(Out), Err(Err), OutColours(ColoursWanted(Out)), ErrColours(ColoursWanted(Err)),
          ShowsProgress(ShowsEscapeSequences(Err)) {}
    ~TConsoleView() override { EraseProgress(); }
    TConsoleView(const TConsoleView&) = delete;
    TConsoleView& operator=(const TConsoleView&) = delete;

    bool ShowsProgressBar() const { return ShowsProgress; }

    void AddInfoLine(const std::string& Text, TColor Color) override {
        // The bar comes back with the next page's progress, so none is left after the end line.
        EraseProgress();
        WriteLine(Out, OutColours, Text, Color);
    }
    // An error that ends the command, as the window shows it: a red line, here on stderr.
    void ShowError(const std::string& Text) {
        EraseProgress();
        Out.flush();
        WriteLine(Err, ErrColours, Text, clRed);
    }

    // The bar, the percentage and the remaining time of Step, over the last ones, within the
    // terminal's width: the remaining time goes first, then the bar shrinks, so that the line
    // never wraps (a wrapped line would be drawn anew below itself at every step).
    void ShowProgress(const TProgressStep& Step) {
        if (!ShowsProgress) {
            return;
        }
        const int Percent = Step.ShownPercent();
        std::string Text = FormatText(SPercentFormat, Percent);
        const std::size_t Width = Columns();
        if (Step.RemainingSeconds) {
            const std::string Remaining = TProgress::RemainingTimeText(*Step.RemainingSeconds);
            if (Utf8Length(Text) + 1 + Utf8Length(Remaining) + MinBarWidth + 3 < Width) {
                Text += ' ' + Remaining;
            }
        }
        const std::size_t Room = Width > Utf8Length(Text) + 4 ? Width - Utf8Length(Text) - 4 : 0;
        const std::size_t BarWidth = std::min(MaxBarWidth, Room);
        Err << "\r\033[K";
        if (BarWidth >= MinBarWidth) {
            const std::size_t Filled =
                static_cast<std::size_t>(std::max(Percent, 0)) * BarWidth / 100;
            Err << '[' << std::string(Filled, '#') << std::string(BarWidth - Filled, ' ') << "] ";
        }
        Err << Text;
        Err.flush();
        ProgressShown = true;
    }

private:
    static void WriteLine(std::ostream& Stream, bool Colours, const std::string& Text,
                          TColor Color) {
        const std::string Line = TimeOfDay() + ": " + Text;
        const char* Colour = Colours ? AnsiColour(Color) : "";
        if (Colour[0] != '\0') {
            Stream << Colour << Line << "\033[0m\n";
        } else {
            Stream << Line << '\n';
        }
        Stream.flush();
    }

    void EraseProgress() {
        if (ProgressShown) {
            Err << "\r\033[K";
            Err.flush();
            ProgressShown = false;
        }
    }

    static constexpr std::size_t MaxBarWidth = 30;
    static constexpr std::size_t MinBarWidth = 5;

    // The terminal's width, less the last column (writing into it wraps some terminals).
    std::size_t Columns() const {
        const int Width = TerminalColumns(Err);
        return Width > 1 ? static_cast<std::size_t>(Width - 1) : 79;
    }
    // The characters of UTF-8 Text, as a terminal shows them.
    static std::size_t Utf8Length(const std::string& Text) {
        return static_cast<std::size_t>(std::count_if(Text.begin(), Text.end(), [](char Byte) {
            return (static_cast<unsigned char>(Byte) & 0xC0) != 0x80;
        }));
    }

    std::ostream& Out;
    std::ostream& Err;
    const bool OutColours;
    const bool ErrColours;
    const bool ShowsProgress;
    bool ProgressShown = false;
};

// ---- Arguments ----

// The command line's words for the reasons a port does not open.
const TPortProblemTexts CliPortProblemTexts = {SCliNoSuchDevice, SCliPermissionDenied, SCliPortBusy,
                                               SCliNotASerialPort};

// ---- How a command ends ----

// The information pane of --json: every line a message object; the progress goes through the
// head manager's progress event instead (it knows the page).
class TJsonView : public TLinesView {
public:
    explicit TJsonView(TJsonLines& Lines) : Lines(Lines) {}

    void AddInfoLine(const std::string& Text, TColor Color) override { Lines.Message(Text, Color); }

private:
    TJsonLines& Lines;
};

// The end of one programmer command: plain, its complaints go to standard error; with --json
// they go into the result line that ends the output, with what the command found.
class TCommandReport {
public:
    TCommandReport(const char* Command, const TCliGlobalOptions& Global, std::ostream& Out,
                   std::ostream& Err)
        : Err(Err), Start(Global.Started) {
        Outcome.Command = Command;
        if (Global.Json) {
            Lines.emplace(Out);
        }
    }

    TJsonLines* Json() { return Lines ? &*Lines : nullptr; }
    TCliResult& Result() { return Outcome; }
    // A complaint that ends the command (as a plain line on standard error); returns Code.
    int Complain(int Code, const std::string& Text, const TFailureDetails& Details = {}) {
        SetError(Text, Details);
        if (!Lines) {
            Err << Text << '\n';
        }
        return Code;
    }
    void SetError(const std::string& Text, const TFailureDetails& Details = {}) {
        if (!Outcome.Error) {
            Outcome.Error = Text;
            Outcome.ErrorDetails = Details;
        }
    }
    // With --json, the result line; returns Code. A failure or stop without a complaint of its
    // own takes the last red line as its error.
    int Finish(int Code) {
        if (!Lines) {
            return Code;
        }
        Outcome.ExitCode = Code;
        if (!Outcome.Error && Code != CliSuccess && Code != CliCompareDifferent &&
            !Lines->LastError().empty()) {
            Outcome.Error = Lines->LastError();
        }
        Outcome.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        Lines->Result(Outcome);
        return Code;
    }

private:
    std::ostream& Err;
    const std::chrono::steady_clock::time_point Start;
    std::optional<TJsonLines> Lines;
    TCliResult Outcome;
};

// ---- One programmer session ----

// A session of the command line: the console (or the JSON lines) as its window, the stop request
// of the global options turned into a stop of the operation in progress, the port of the settings
// file unless one was given (it is never stored back).
class TProgrammerSession {
public:
    TProgrammerSession(const TCliGlobalOptions& Global, std::ostream& Out, std::ostream& Err,
                       TCommandReport& Report)
        : Err(Err), Report(Report), Console(Out, Err), Simulator(StartSimulatorIfAsked(Global)),
          Session(MakeSession(Global, Simulator.get())) {
        if (TJsonLines* Lines = Report.Json()) {
            JsonView.emplace(*Lines);
            Session->AttachView(&*JsonView, false);
            Session->FollowProgress([Lines](const TProgressStep& Step) {
                Lines->Progress(Step.ShownPercent(), Step.Page, Step.RemainingSeconds.value_or(0));
            });
        } else {
            Session->AttachView(&Console, false);
            Session->FollowProgress(
                [this](const TProgressStep& Step) { Console.ShowProgress(Step); });
        }
        // A Ctrl-C is taken between pages and while the programmer's answer is awaited.
        const auto TakeStop = [this, StopRequested = Global.StopRequested] {
            if (StopRequested && StopRequested() && Head().IsBusy()) {
                Stopped = true;
                Head().StopCurrentOperation();
            }
        };
        Session->SetProcessMessages(TakeStop);
        Session->SetWhileWaiting(TakeStop);
        ReportSettingsProblem();
        if (!Global.AutoPort.empty()) {
            AddLine(FormatText(SCliAutoPortTaken, Global.AutoPort.c_str()), clBlack);
        }
        ReportPortProblem();
    }
    TProgrammerSession(const TProgrammerSession&) = delete;
    TProgrammerSession& operator=(const TProgrammerSession&) = delete;

    THeadManager& Head() { return Session->Head(); }
    void AddLine(const std::string& Text, TColor Color) { Session->Info().AddMessage(Text, Color); }
    // An error that ends the command: a red line on standard error, or the result's error.
    void ShowError(const std::string& Text, const TFailureDetails& Details = {}) {
        Report.SetError(Text, Details);
        if (!JsonView) {
            Console.ShowError(Text);
        }
    }
    // True when a stop request stopped the operation that just returned.
    bool WasStopped() const { return Stopped; }

private:
    static std::unique_ptr<TSimulatedProgrammer>
    StartSimulatorIfAsked(const TCliGlobalOptions& Global) {
        if (!Global.Simulate) {
            return nullptr;
        }
        try {
            return StartSimulatedProgrammer();
        } catch (const ESimulatorError& Error) {
            throw Exception(FormatText(SCliSimulatorFailed, Error.what()));
        }
    }

    // The session on the simulator's port when there is one, else on the port asked for.
    static std::unique_ptr<TSession> MakeSession(const TCliGlobalOptions& Global,
                                                 TSimulatedProgrammer* Simulator) {
        TSessionOptions Options;
        Options.PortName = Simulator != nullptr ? Simulator->GetPortName() : Global.PortName;
        Options.LogLimit = Global.LogLimit;
        Options.ContinueLog = Global.LogAppend;
        if (!Global.LogFile.empty()) {
            Options.LogFileName = Global.LogFile;
        }
        return std::make_unique<TSession>(std::move(Options),
                                          Simulator != nullptr ? Simulator->MakePort() : nullptr);
    }

    void ReportSettingsProblem() {
        if (const auto& Problem = Session->GetSettingsProblem()) {
            if (JsonView) {
                AddLine(*Problem, clRed);
                return;
            }
            Err << *Problem << '\n';
            Err.flush();
        }
    }

    void ReportPortProblem() {
        if (const std::optional<TCommOpenResult> Problem = Session->GetPortProblem()) {
            const std::string Reason = PortProblemText(*Problem, CliPortProblemTexts);
            const std::string Text =
                FormatText(SCliPortNotOpened, Head().GetPortName().c_str(), Reason.c_str());
            if (JsonView) {
                AddLine(Text, clRed);
                return;
            }
            Err << Text << '\n';
            Err.flush();
        }
    }

    std::ostream& Err;
    TCommandReport& Report;
    TConsoleView Console;
    std::optional<TJsonView> JsonView;
    // The simulated programmer outlives the session that talks to it.
    std::unique_ptr<TSimulatedProgrammer> Simulator;
    std::unique_ptr<TSession> Session;
    bool Stopped = false;
};

// Asks the programmer for its identification, for the result; a programmer that does not give
// it fails the command before it begins. The result keeps it as the information pane shows it
// (control characters and bytes that are not UTF-8 as \xHH), and so does everything made from
// the result: the lines and records of a run on several ports and of a station.
int Identify(TProgrammerSession& Session, TCliResult& Result) {
    if (!Session.Head().Initialize()) {
        return CliFailure;
    }
    Result.Identification = EscapeControlCharacters(Session.Head().GetIdentification());
    return CliSuccess;
}

using TSessionBody = std::function<int(TProgrammerSession&, TCliResult&)>;

// Runs Body in a programmer session and turns its outcome into an exit code: a usage problem of
// the range gives CliUsageError, any other error is shown as the window shows it and gives
// CliFailure, a stopped operation CliStopped. With --json the result line ends the output.
int RunSession(TCommandReport& Report, const TCliGlobalOptions& Global, std::ostream& Out,
               std::ostream& Err, const TSessionBody& Body) {
    int Code = CliSuccess;
    {
        std::unique_ptr<TProgrammerSession> Session;
        try {
            Session = std::make_unique<TProgrammerSession>(Global, Out, Err, Report);
            Code = Global.Identify ? Identify(*Session, Report.Result()) : CliSuccess;
            if (Code == CliSuccess) {
                Code = Body(*Session, Report.Result());
            }
            if (Session->WasStopped() && Code == CliSuccess) {
                Code = CliStopped;
            }
        } catch (const ECliRangeError& Error) {
            Code = Report.Complain(CliUsageError, Error.what());
        } catch (const std::exception& Error) {
            if (Session) {
                Session->ShowError(Error.what(), DetailsOf(Error));
            } else {
                Report.Complain(CliFailure, Error.what(), DetailsOf(Error));
            }
            Code = CliFailure;
        }
    }
    return Report.Finish(Code);
}

int PagesOf(const TPageRange& Range) {
    return Range.Last - Range.First + 1;
}

// The pages a write or compare goes through: the range given, or, without one, every page the
// image holds, each to the chip page of its own number.
using TImageSelection = std::optional<TPageRange>;

int PagesOf(const TImageSelection& Selection, const THeadManager& Head) {
    return Selection ? PagesOf(*Selection) : static_cast<int>(Head.ImagePageNumbers().size());
}

TVerificationReport VerifySelection(TVerification& Verification, const TImageSelection& Selection) {
    return Selection ? Verification.Verify(Selection->First, Selection->Last)
                     : Verification.VerifyImage();
}

// The compare and its result line, as the window's full compare shows it.
int CompareAndReport(TProgrammerSession& Session, const TImageSelection& Selection,
                     TCliResult& Result) {
    THeadManager& Head = Session.Head();
    const std::uint8_t Outcome =
        Selection ? Head.ComparePages(Selection->First, Selection->Last) : Head.CompareImage();
    if (Outcome == THeadManager::CompareEqual) {
        Result.DifferingPages.emplace();
        Session.AddLine(SImageMatches, clGreen);
        return CliSuccess;
    }
    if (Outcome == THeadManager::CompareDifferent) {
        // The compare stopped at the page that differs.
        Result.DifferingPages = {TPageDifference{Head.GetCurrentPage()}};
        Result.PageNumbersOnly = true;
        Session.AddLine(SImageDiffers, clRed);
        return CliCompareDifferent;
    }
    return CliStopped;
}

// Every page of Selection compared, the differing ones read back and counted, and the result
// line.
int VerifyAndReport(TProgrammerSession& Session, const TImageSelection& Selection,
                    TCliResult& Result) {
    TVerification Verification(Session.Head());
    const TVerificationReport Report = VerifySelection(Verification, Selection);
    Result.DifferingPages = Report.Differences;
    if (Report.Stopped) {
        return CliStopped;
    }
    if (!Report.Matches()) {
        Session.AddLine(SImageDiffers, clRed);
        return CliCompareDifferent;
    }
    Session.AddLine(SImageMatches, clGreen);
    return CliSuccess;
}

// The verification of Selection, then the differing pages written again and compared for at
// most Passes passes. Success only when every page matches in the end.
int VerifyRepairAndReport(TProgrammerSession& Session, const TImageSelection& Selection, int Passes,
                          TCliResult& Result) {
    TVerification Verification(Session.Head());
    const TVerificationReport Report = VerifySelection(Verification, Selection);
    Result.DifferingPages = Report.Differences;
    Result.RewrittenPages.emplace();
    Result.RepairPasses = 0;
    if (Report.Stopped) {
        return CliStopped;
    }
    if (!Report.Matches()) {
        const TRepairReport Repaired = Verification.Repair(Report, Passes);
        Result.DifferingPages = Repaired.Final.Differences;
        Result.RewrittenPages = Repaired.Rewritten;
        Result.RepairPasses = Repaired.Passes;
        if (Repaired.Final.Stopped) {
            return CliStopped;
        }
        if (!Repaired.Final.Matches()) {
            // The error of --json names the pages, as the repair's own red line does.
            Result.Error =
                FormatText(SRepairFailed, FormatPageList(Repaired.Final.DifferingPages()).c_str());
            Session.AddLine(SImageDiffers, clRed);
            return CliFailure;
        }
    }
    Session.AddLine(SImageMatches, clGreen);
    return CliSuccess;
}

// The passes of --repair[=N]: 2 when bare, else N of 1..100; nothing after the complaint.
std::optional<int> RepairPasses(const TCliArguments& Arguments, TCommandReport& Report) {
    constexpr int DefaultPasses = 2;
    constexpr int MostPasses = 100;
    const std::string& Text = Arguments.Options.at("repair");
    if (Text.empty()) {
        return DefaultPasses;
    }
    if (Text.size() > 3 || Text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(Text) < 1 || std::stoi(Text) > MostPasses) {
        Report.Complain(CliUsageError, FormatText(SCliBadRepairPasses, Text.c_str()));
        return std::nullopt;
    }
    return std::stoi(Text);
}

// The range of a write or compare, when one is given: every page of it must be in the loaded
// image; else the complaint names the pages the image does not hold, before anything is sent.
// The board's serial number put into the loaded image where --serial-at says, when it says.
void PutSerialNumber(THeadManager& Head, const TCliArguments& Arguments, TCliResult& Result) {
    const std::optional<TSerialPlace> Place = SerialPlaceOf(Arguments);
    const auto Number = Arguments.Options.find("serial");
    if (!Place || Number == Arguments.Options.end()) {
        return;
    }
    const std::uint64_t Serial = ParseSerialNumber("--serial", Number->second);
    Head.PutIntoImage(Place->Address, SerialBytes(Serial, Place->Format));
    Result.Serial = Serial;
}

// The pages an image selection goes through, in order.
std::vector<int> SelectedPages(const TImageSelection& Selection, const THeadManager& Head) {
    if (!Selection) {
        return Head.ImagePageNumbers();
    }
    std::vector<int> Pages;
    for (int Page = Selection->First; Page <= Selection->Last; ++Page) {
        Pages.push_back(Page);
    }
    return Pages;
}

TImageSelection ImageSelection(const std::string& CommandName, const TCliArguments& Arguments,
                               const THeadManager& Head) {
    const std::optional<TPageRange> Range = ParseRange(CommandName, Arguments, 0, INT_MAX);
    if (Range) {
        const std::vector<TPageRun> Missing =
            MissingPageRuns(*Head.GetMemoryMap(), Range->First, Range->Last);
        if (!Missing.empty()) {
            throw ECliRangeError(FormatText(SPagesNotInImage, FormatPageRuns(Missing).c_str()));
        }
    }
    return Range;
}

// Range of a read or erase: within the chip, the whole chip when none is given. Checked before
// the session starts; nothing after the complaint.
std::optional<TPageRange> ChipRange(const std::string& CommandName, const TCliArguments& Arguments,
                                    TCommandReport& Report) {
    try {
        return ParseRange(CommandName, Arguments, 0, THeadManager::LastChipPage)
            .value_or(TPageRange{0, THeadManager::LastChipPage});
    } catch (const ECliRangeError& Error) {
        Report.Complain(CliUsageError, Error.what());
        return std::nullopt;
    }
}

// The form of a range whose bounds depend on the image (both options or neither, digits only),
// checked before any port opens. False after the complaint.
bool CheckRangeForm(const std::string& CommandName, const TCliArguments& Arguments,
                    TCommandReport& Report) {
    const auto First = Arguments.Options.find("first");
    const auto Last = Arguments.Options.find("last");
    try {
        if ((First == Arguments.Options.end()) != (Last == Arguments.Options.end())) {
            throw ECliRangeError(FormatText(SCliRangeNeedsBoth, CommandName.c_str()));
        }
        if (First != Arguments.Options.end()) {
            ParseIndex(First->second);
            ParseIndex(Last->second);
        }
        return true;
    } catch (const ECliRangeError& Error) {
        Report.Complain(CliUsageError, Error.what());
        return false;
    }
}

} // namespace

int RunInitCommand(const TCliArguments&, const TCliGlobalOptions& Global, std::ostream& Out,
                   std::ostream& Err) {
    TCommandReport Report("init", Global, Out, Err);
    return RunSession(Report, Global, Out, Err, Identify);
}

int RunWriteCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err) {
    TCommandReport Report("write", Global, Out, Err);
    if (!CheckRangeForm("write", Arguments, Report)) {
        return Report.Finish(CliUsageError);
    }
    std::optional<int> Passes;
    if (Arguments.Options.count("repair") != 0 && !(Passes = RepairPasses(Arguments, Report))) {
        return Report.Finish(CliUsageError);
    }
    return RunSession(
        Report, Global, Out, Err, [&](TProgrammerSession& Session, TCliResult& Result) {
            THeadManager& Head = Session.Head();
            Head.LoadImageFromFile(Arguments.Positional[0]);
            PutSerialNumber(Head, Arguments, Result);
            const TImageSelection Range = ImageSelection("write", Arguments, Head);
            Result.Pages = PagesOf(Range, Head);
            Result.Image = Arguments.Positional[0];
            Result.Sha256 = PagesSha256(*Head.GetMemoryMap(), SelectedPages(Range, Head));
            if (Range) {
                Head.WritePages(Range->First, Range->Last);
            } else {
                Head.WriteImage();
            }
            if (Session.WasStopped()) {
                return CliStopped;
            }
            if (Passes) {
                return VerifyRepairAndReport(Session, Range, *Passes, Result);
            }
            if (Arguments.Options.count("verify") != 0) {
                return CompareAndReport(Session, Range, Result);
            }
            return CliSuccess;
        });
}

int RunReadCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                   std::ostream& Out, std::ostream& Err) {
    TCommandReport Report("read", Global, Out, Err);
    const std::optional<TPageRange> Range = ChipRange("read", Arguments, Report);
    if (!Range) {
        return Report.Finish(CliUsageError);
    }
    return RunSession(
        Report, Global, Out, Err, [&](TProgrammerSession& Session, TCliResult& Result) {
            THeadManager& Head = Session.Head();
            Result.Pages = PagesOf(*Range);
            Head.ReadPages(Range->First, Range->Last);
            Result.MissingPages = Head.GetMissingPages();
            if (Session.WasStopped()) {
                return CliStopped;
            }
            // The red line naming the missing pages has been shown; the image is saved only when
            // asked for, and then without them.
            const bool Complete = Head.GetMissingPages().empty();
            if (!Complete && Arguments.Options.count("partial") == 0) {
                Session.ShowError(FormatText(SCliReadNotSaved, Arguments.Positional[0].c_str()));
                return CliFailure;
            }
            Head.SaveImageToFile(Arguments.Positional[0]);
            Result.File = ImageFileTarget(Arguments.Positional[0]);
            return Complete ? CliSuccess : CliFailure;
        });
}

int RunEraseCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err) {
    TCommandReport Report("erase", Global, Out, Err);
    const std::optional<TPageRange> Range = ChipRange("erase", Arguments, Report);
    if (!Range) {
        return Report.Finish(CliUsageError);
    }
    return RunSession(Report, Global, Out, Err,
                      [&](TProgrammerSession& Session, TCliResult& Result) {
                          Result.Pages = PagesOf(*Range);
                          Session.Head().DeletePages(Range->First, Range->Last);
                          return Session.WasStopped() ? CliStopped : CliSuccess;
                      });
}

int RunCompareCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err) {
    TCommandReport Report("compare", Global, Out, Err);
    if (!CheckRangeForm("compare", Arguments, Report)) {
        return Report.Finish(CliUsageError);
    }
    return RunSession(Report, Global, Out, Err,
                      [&](TProgrammerSession& Session, TCliResult& Result) {
                          THeadManager& Head = Session.Head();
                          Head.LoadImageFromFile(Arguments.Positional[0]);
                          PutSerialNumber(Head, Arguments, Result);
                          const TImageSelection Range = ImageSelection("compare", Arguments, Head);
                          Result.Pages = PagesOf(Range, Head);
                          if (Arguments.Options.count("all") != 0) {
                              return VerifyAndReport(Session, Range, Result);
                          }
                          return CompareAndReport(Session, Range, Result);
                      });
}
