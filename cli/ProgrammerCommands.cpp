#include "cli/ProgrammerCommands.h"

#include "cli/PageRange.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "operations/HeadManager.h"
#include "operations/Session.h"
#include "operations/UIObjects.h"
#include "operations/Verification.h"
#include "simulator/ProgrammerSimulator.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

// ---- Ctrl-C ----

std::atomic<bool> InterruptRequested{false};

extern "C" void OnInterrupt(int) {
    InterruptRequested.store(true);
}

// Catches the first SIGINT for the duration of a command (a second one ends the program at
// once), and puts the previous handling back afterwards.
class TInterruptCatcher {
public:
    TInterruptCatcher() {
        InterruptRequested.store(false);
        struct sigaction Action {};
        Action.sa_handler = OnInterrupt;
        sigemptyset(&Action.sa_mask);
        Action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(SIGINT, &Action, &Previous);
    }
    ~TInterruptCatcher() { sigaction(SIGINT, &Previous, nullptr); }
    TInterruptCatcher(const TInterruptCatcher&) = delete;
    TInterruptCatcher& operator=(const TInterruptCatcher&) = delete;

private:
    struct sigaction Previous {};
};

// ---- Terminal output ----

bool IsTerminal(const std::ostream& Stream) {
    if (&Stream == &std::cout) {
        return isatty(STDOUT_FILENO) != 0;
    }
    if (&Stream == &std::cerr) {
        return isatty(STDERR_FILENO) != 0;
    }
    return false;
}

bool ColoursWanted(const std::ostream& Stream) {
    const char* NoColour = std::getenv("NO_COLOR");
    return IsTerminal(Stream) && (NoColour == nullptr || NoColour[0] == '\0');
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

// The time prefix of a line in the information pane.
std::string TimeOfDay() {
    const std::time_t Now = std::time(nullptr);
    std::tm Local{};
    localtime_r(&Now, &Local);
    char Text[16];
    std::strftime(Text, sizeof(Text), "%H:%M:%S", &Local);
    return Text;
}

// The window of velmora-cli: the information pane is standard output, one time-stamped line per
// message; the progress bar and the remaining time go to standard error when it is a terminal.
class TConsoleView : public IMainView {
public:
    TConsoleView(std::ostream& Out, std::ostream& Err)
        : Out(Out), Err(Err), OutColours(ColoursWanted(Out)), ErrColours(ColoursWanted(Err)),
          ShowsProgress(IsTerminal(Err)) {}
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

    void SetProgressPosition(int Percent) override { Position = Percent; }
    void SetStatusPanelText(int Panel, const std::string& Text) override {
        if (Panel == 0) {
            PercentText = Text;
        } else if (Panel == 2) {
            RemainingText = Text;
        }
        DrawProgress();
    }

    void ShowStatePicture(TStatePicture, bool) override {}
    void SetStateLabel(const std::string&) override {}
    void SetPageCountLabel(const std::string&) override {}
    void SetPageLengthLabel(const std::string&) override {}
    void SetFileNameText(const std::string&) override {}
    void UpdateActions(const TActionFlags&) override {}
    void Repaint() override {}
    void ClearInfo() override {}
    void SetApplicationTitle(const std::string&) override {}

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

    void DrawProgress() {
        if (!ShowsProgress || PercentText.empty()) {
            return;
        }
        constexpr int BarWidth = 30;
        const int Clamped = Position < 0 ? 0 : (Position > 100 ? 100 : Position);
        const int Filled = Clamped * BarWidth / 100;
        Err << "\r\033[K[" << std::string(static_cast<size_t>(Filled), '#')
            << std::string(static_cast<size_t>(BarWidth - Filled), ' ') << "] " << PercentText;
        if (!RemainingText.empty()) {
            Err << ' ' << RemainingText;
        }
        Err.flush();
        ProgressShown = true;
    }

    void EraseProgress() {
        if (ProgressShown) {
            Err << "\r\033[K";
            Err.flush();
            ProgressShown = false;
        }
    }

    std::ostream& Out;
    std::ostream& Err;
    const bool OutColours;
    const bool ErrColours;
    const bool ShowsProgress;
    bool ProgressShown = false;
    int Position = 0;
    std::string PercentText;
    std::string RemainingText;
};

// ---- Arguments ----

// The command line's words for the reasons a port does not open.
const TPortProblemTexts CliPortProblemTexts = {SCliNoSuchDevice, SCliPermissionDenied, SCliPortBusy,
                                               SCliNotASerialPort};

// ---- One programmer session ----

// A session of the command line: the console as its window, Ctrl-C turned into a stop, the
// port of the settings file unless one was given (it is never stored back).
class TProgrammerSession {
public:
    TProgrammerSession(const TCliGlobalOptions& Global, std::ostream& Out, std::ostream& Err)
        : Err(Err), View(Out, Err), Session(MakeSession(Global)) {
        Session->AttachView(&View, View.ShowsProgressBar());
        Session->SetProcessMessages([this] {
            if (InterruptRequested.exchange(false) && Head().IsBusy()) {
                Stopped = true;
                Head().StopCurrentOperation();
            }
        });
        ReportPortProblem();
    }
    TProgrammerSession(const TProgrammerSession&) = delete;
    TProgrammerSession& operator=(const TProgrammerSession&) = delete;

    THeadManager& Head() { return Session->Head(); }
    void AddLine(const std::string& Text, TColor Color) { GInfoRichEdit->AddMessage(Text, Color); }
    void ShowError(const std::string& Text) { View.ShowError(Text); }
    // True when Ctrl-C stopped the operation that just returned.
    bool WasStopped() const { return Stopped; }

private:
    static std::unique_ptr<TSession> MakeSession(const TCliGlobalOptions& Global) {
        TSessionOptions Options;
        Options.Simulate = Global.Simulate;
        Options.PortName = Global.PortName;
        Options.LogLimit = Global.LogLimit;
        try {
            return std::make_unique<TSession>(std::move(Options));
        } catch (const ESimulatorError& Error) {
            throw Exception(FormatText(SCliSimulatorFailed, Error.what()));
        }
    }

    void ReportPortProblem() {
        if (const std::optional<TCommOpenError> Problem = Session->GetPortProblem()) {
            const std::string Reason =
                PortProblemText(*Problem, Head().GetDeviceManager(), CliPortProblemTexts);
            Err << FormatText(SCliPortNotOpened, Head().GetPortName().c_str(), Reason.c_str())
                << '\n';
            Err.flush();
        }
    }

    std::ostream& Err;
    TConsoleView View;
    TInterruptCatcher InterruptCatcher;
    std::unique_ptr<TSession> Session;
    bool Stopped = false;
};

// Runs Body in a programmer session and turns its outcome into an exit code: a usage problem of
// the range gives CliUsageError, any other error is shown as the window shows it and gives
// CliFailure, a stopped operation CliStopped.
int RunSession(const TCliGlobalOptions& Global, std::ostream& Out, std::ostream& Err,
               const std::function<int(TProgrammerSession&)>& Body) {
    std::unique_ptr<TProgrammerSession> Session;
    try {
        Session = std::make_unique<TProgrammerSession>(Global, Out, Err);
        const int Code = Body(*Session);
        return Session->WasStopped() && Code == CliSuccess ? CliStopped : Code;
    } catch (const ECliRangeError& Error) {
        Err << Error.what() << '\n';
        return CliUsageError;
    } catch (const std::exception& Error) {
        if (Session) {
            Session->ShowError(Error.what());
        } else {
            Err << Error.what() << '\n';
        }
        return CliFailure;
    }
}

// The compare and its result line, as the window's full compare shows it.
int CompareAndReport(TProgrammerSession& Session, const std::optional<TPageRange>& Range) {
    THeadManager& Head = Session.Head();
    const std::uint8_t Result =
        Range ? Head.ComparePages(Range->First, Range->Last) : Head.CompareImage();
    if (Result == THeadManager::CompareEqual) {
        Session.AddLine(SImageMatches, clGreen);
        return CliSuccess;
    }
    if (Result == THeadManager::CompareDifferent) {
        Session.AddLine(SImageDiffers, clRed);
        return CliCompareDifferent;
    }
    return CliStopped;
}

// Every page of Range compared, the differing ones read back and counted, and the result line.
int VerifyAndReport(TProgrammerSession& Session, const TPageRange& Range) {
    const TVerificationReport Report =
        TVerification(Session.Head()).Verify(Range.First, Range.Last);
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

// The verification of Range, then the differing pages written again and compared for at most
// Passes passes. Success only when every page matches in the end.
int VerifyRepairAndReport(TProgrammerSession& Session, const TPageRange& Range, int Passes) {
    TVerification Verification(Session.Head());
    const TVerificationReport Report = Verification.Verify(Range.First, Range.Last);
    if (Report.Stopped) {
        return CliStopped;
    }
    if (!Report.Matches()) {
        const TRepairReport Repaired = Verification.Repair(Report, Passes);
        if (Repaired.Final.Stopped) {
            return CliStopped;
        }
        if (!Repaired.Final.Matches()) {
            Session.AddLine(SImageDiffers, clRed);
            return CliFailure;
        }
    }
    Session.AddLine(SImageMatches, clGreen);
    return CliSuccess;
}

// The passes of --repair[=N]: 2 when bare, else N of 1..100. Nothing after the complaint was
// written to Err.
std::optional<int> RepairPasses(const TCliArguments& Arguments, std::ostream& Err) {
    constexpr int DefaultPasses = 2;
    constexpr int MostPasses = 100;
    const std::string& Text = Arguments.Options.at("repair");
    if (Text.empty()) {
        return DefaultPasses;
    }
    if (Text.size() > 3 || Text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(Text) < 1 || std::stoi(Text) > MostPasses) {
        Err << FormatText(SCliBadRepairPasses, Text.c_str()) << '\n';
        return std::nullopt;
    }
    return std::stoi(Text);
}

// Range of a write or compare: within the loaded image.
std::optional<TPageRange> ImageRange(const std::string& CommandName, const TCliArguments& Arguments,
                                     THeadManager& Head) {
    return ParseRange(CommandName, Arguments, 0, Head.GetMemoryMap()->GetCount() - 1);
}

// The range given, else the whole image.
TPageRange ImageRangeOrAll(const std::string& CommandName, const TCliArguments& Arguments,
                           THeadManager& Head) {
    return ImageRange(CommandName, Arguments, Head)
        .value_or(TPageRange{0, Head.GetMemoryMap()->GetCount() - 1});
}

// Range of a read or erase: within the chip. Checked before the session starts.
std::optional<TPageRange> ChipRange(const std::string& CommandName,
                                    const TCliArguments& Arguments) {
    return ParseRange(CommandName, Arguments, 0, THeadManager::LastChipPage);
}

// The form of a range whose bounds depend on the image (both options or neither, digits only),
// checked before any port opens. False after the complaint was written to Err.
bool CheckRangeForm(const std::string& CommandName, const TCliArguments& Arguments,
                    std::ostream& Err) {
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
        Err << Error.what() << '\n';
        return false;
    }
}

} // namespace

int RunInitCommand(const TCliArguments&, const TCliGlobalOptions& Global, std::ostream& Out,
                   std::ostream& Err) {
    return RunSession(Global, Out, Err, [](TProgrammerSession& Session) {
        return Session.Head().Initialize() ? CliSuccess : CliFailure;
    });
}

int RunWriteCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err) {
    if (!CheckRangeForm("write", Arguments, Err)) {
        return CliUsageError;
    }
    std::optional<int> Passes;
    if (Arguments.Options.count("repair") != 0 && !(Passes = RepairPasses(Arguments, Err))) {
        return CliUsageError;
    }
    return RunSession(Global, Out, Err, [&](TProgrammerSession& Session) {
        THeadManager& Head = Session.Head();
        Head.LoadImageFromFile(Arguments.Positional[0]);
        const std::optional<TPageRange> Range = ImageRange("write", Arguments, Head);
        if (Range) {
            Head.WritePages(Range->First, Range->Last);
        } else {
            Head.WriteImage();
        }
        if (Session.WasStopped()) {
            return CliStopped;
        }
        if (Passes) {
            return VerifyRepairAndReport(Session, ImageRangeOrAll("write", Arguments, Head),
                                         *Passes);
        }
        if (Arguments.Options.count("verify") != 0) {
            return CompareAndReport(Session, Range);
        }
        return CliSuccess;
    });
}

int RunReadCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                   std::ostream& Out, std::ostream& Err) {
    std::optional<TPageRange> Range;
    try {
        Range = ChipRange("read", Arguments);
    } catch (const ECliRangeError& Error) {
        Err << Error.what() << '\n';
        return CliUsageError;
    }
    return RunSession(Global, Out, Err, [&](TProgrammerSession& Session) {
        THeadManager& Head = Session.Head();
        if (Range) {
            Head.ReadPages(Range->First, Range->Last);
        } else {
            Head.ReadImage();
        }
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
        return Complete ? CliSuccess : CliFailure;
    });
}

int RunEraseCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err) {
    std::optional<TPageRange> Range;
    try {
        Range = ChipRange("erase", Arguments);
    } catch (const ECliRangeError& Error) {
        Err << Error.what() << '\n';
        return CliUsageError;
    }
    return RunSession(Global, Out, Err, [&](TProgrammerSession& Session) {
        if (Range) {
            Session.Head().DeletePages(Range->First, Range->Last);
        } else {
            Session.Head().DeleteImage();
        }
        return Session.WasStopped() ? CliStopped : CliSuccess;
    });
}

int RunCompareCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err) {
    if (!CheckRangeForm("compare", Arguments, Err)) {
        return CliUsageError;
    }
    return RunSession(Global, Out, Err, [&](TProgrammerSession& Session) {
        THeadManager& Head = Session.Head();
        Head.LoadImageFromFile(Arguments.Positional[0]);
        if (Arguments.Options.count("all") != 0) {
            return VerifyAndReport(Session, ImageRangeOrAll("compare", Arguments, Head));
        }
        return CompareAndReport(Session, ImageRange("compare", Arguments, Head));
    });
}
