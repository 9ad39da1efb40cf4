#include "cli/ParallelRun.h"

#include "cli/BoardRecords.h"
#include "cli/JsonOutput.h"
#include "cli/PortJob.h"
#include "cli/SerialNumbers.h"
#include "common/ResourseStrings.h"
#include "platform/Console.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>

namespace {

using TClock = std::chrono::steady_clock;
using TJson = TPortJob::TJson;

// Minutes and seconds, "m:ss".
std::string MinutesAndSeconds(std::int64_t Seconds) {
    char Text[32];
    std::snprintf(Text, sizeof(Text), "%lld:%02lld", static_cast<long long>(Seconds / 60),
                  static_cast<long long>(Seconds % 60));
    return Text;
}

// The characters of a UTF-8 text (the bytes that do not continue a character).
std::size_t Utf8Length(const std::string& Text) {
    return static_cast<std::size_t>(std::count_if(Text.begin(), Text.end(), [](char Byte) {
        return (static_cast<unsigned char>(Byte) & 0xC0) != 0x80;
    }));
}

// Text cut to at most Width characters, never inside one.
std::string Utf8Prefix(const std::string& Text, std::size_t Width) {
    std::size_t Characters = 0;
    for (std::size_t At = 0; At < Text.size(); ++At) {
        if ((static_cast<unsigned char>(Text[At]) & 0xC0) != 0x80 && Characters++ == Width) {
            return Text.substr(0, At);
        }
    }
    return Text;
}

std::string Padded(const std::string& Text, std::size_t Width) {
    const std::size_t Length = Utf8Length(Text);
    return Length >= Width ? Text : Text + std::string(Width - Length, ' ');
}

// The three ways of showing the jobs' lines.
class TDisplay {
public:
    virtual ~TDisplay() = default;
    virtual void Line(const TPortJob& Job, const TJson& Object) = 0;
    // A line that is no JSON object.
    virtual void Text(const TPortJob& Job, const std::string& Text) = 0;
    // Called often; shows the state of every job when Changed says it has changed.
    virtual void Refresh(const std::vector<std::unique_ptr<TPortJob>>&, bool) {}
    virtual void End(const std::vector<std::unique_ptr<TPortJob>>& Jobs, int Code,
                     double Seconds) = 0;
};

// The results as a table of aligned columns.
void WriteSummaryTable(const std::vector<std::unique_ptr<TPortJob>>& Jobs, std::ostream& Out) {
    std::vector<std::array<std::string, 4>> Rows = {
        {SCliPortsColumnPort, SCliPortsColumnIdentification, SCliPortsColumnResult,
         SCliPortsColumnSeconds}};
    for (const auto& Job : Jobs) {
        char Seconds[32];
        std::snprintf(Seconds, sizeof(Seconds), "%.1f", Job->Seconds);
        Rows.push_back({Job->Port, Job->Identification(), Job->ResultText(), Seconds});
    }
    std::array<std::size_t, 3> Widths{};
    for (const auto& Row : Rows) {
        for (std::size_t Column = 0; Column < Widths.size(); ++Column) {
            Widths[Column] = std::max(Widths[Column], Utf8Length(Row[Column]));
        }
    }
    for (const auto& Row : Rows) {
        Out << Padded(Row[0], Widths[0] + 2) << Padded(Row[1], Widths[1] + 2)
            << Padded(Row[2], Widths[2] + 2) << Row[3] << '\n';
    }
    Out.flush();
}

// Not a terminal: every message as a line of its own, prefixed with the port.
class TPlainDisplay : public TDisplay {
public:
    explicit TPlainDisplay(std::ostream& Out) : Out(Out) {}
    void Line(const TPortJob& Job, const TJson& Object) override {
        const std::string Type = Object.value("type", "");
        if (Type == "message") {
            Write(Job, Object.value("time", ""), Object.value("text", ""));
        } else if (Type == "result" && !ErrorTextOf(Object).empty() &&
                   ErrorTextOf(Object) != Job.LastMessage) {
            // A stop or failure whose last line already said it is not said twice.
            Write(Job, TimeOfDay(), ErrorTextOf(Object));
        }
    }
    void Text(const TPortJob& Job, const std::string& Text) override {
        Out << Job.Port << ": " << Text << '\n';
        Out.flush();
    }
    void End(const std::vector<std::unique_ptr<TPortJob>>& Jobs, int, double) override {
        WriteSummaryTable(Jobs, Out);
    }

private:
    void Write(const TPortJob& Job, const std::string& Time, const std::string& Text) {
        Out << Job.Port << ": " << Time << ": " << Text << '\n';
        Out.flush();
    }

    std::ostream& Out;
};

// A terminal: one line per port, drawn again as the ports go on (progress, remaining time,
// last message); errors stay above the lines.
class TLiveDisplay : public TDisplay {
public:
    explicit TLiveDisplay(std::ostream& Out) : Out(Out) {}
    void Line(const TPortJob& Job, const TJson& Object) override {
        const std::string Type = Object.value("type", "");
        if (Type == "message" && Object.value("level", "") == "error") {
            Text(Job, Object.value("text", ""));
        } else if (Type == "result" && !ErrorTextOf(Object).empty() &&
                   ErrorTextOf(Object) != Job.LastMessage) {
            Text(Job, ErrorTextOf(Object));
        }
    }
    void Text(const TPortJob& Job, const std::string& Text) override {
        Keep.push_back(Job.Port + ": " + Text);
    }
    // At most ten times a second, unless an error line is waiting.
    void Refresh(const std::vector<std::unique_ptr<TPortJob>>& Jobs, bool Changed) override {
        Pending = Pending || Changed;
        const TClock::time_point Now = TClock::now();
        if (!Pending || (Keep.empty() && Now - LastDrawn < std::chrono::milliseconds(100))) {
            return;
        }
        LastDrawn = Now;
        Pending = false;
        Draw(Jobs);
    }
    void End(const std::vector<std::unique_ptr<TPortJob>>& Jobs, int, double) override {
        Draw(Jobs);
        WriteSummaryTable(Jobs, Out);
    }

private:
    void Draw(const std::vector<std::unique_ptr<TPortJob>>& Jobs) {
        const int Columns = TerminalColumns(Out);
        const std::size_t Width = Columns > 1 ? static_cast<std::size_t>(Columns - 1) : 79;
        std::string Screen;
        if (Drawn > 0) {
            Screen += "\033[" + std::to_string(Drawn) + "A\r\033[J";
        }
        for (const std::string& Kept : Keep) {
            Screen += Kept + "\n";
        }
        Keep.clear();
        std::size_t PortWidth = 0;
        for (const auto& Job : Jobs) {
            PortWidth = std::max(PortWidth, Utf8Length(Job->Port));
        }
        for (const auto& Job : Jobs) {
            Screen += Utf8Prefix(Padded(Job->Port, PortWidth + 2) + State(*Job), Width) + "\n";
        }
        Drawn = Jobs.size();
        Out << Screen;
        Out.flush();
    }

    static std::string State(const TPortJob& Job) {
        if (Job.Ended) {
            return Job.ResultText();
        }
        std::string Text;
        if (Job.Percent >= 0) {
            constexpr int BarWidth = 20;
            const int Filled = std::min(Job.Percent, 100) * BarWidth / 100;
            Text = "[" + std::string(static_cast<std::size_t>(Filled), '#') +
                   std::string(static_cast<std::size_t>(BarWidth - Filled), ' ') + "] " +
                   Padded(std::to_string(Job.Percent) + "%", 5);
            if (Job.RemainingSeconds > 0) {
                Text += MinutesAndSeconds(Job.RemainingSeconds) + "  ";
            }
        }
        return Text + Job.LastMessage;
    }

    std::ostream& Out;
    std::vector<std::string> Keep;
    std::size_t Drawn = 0;
    bool Pending = true;
    TClock::time_point LastDrawn{};
};

// --json: the jobs' objects with their port, then a summary object.
class TJsonDisplay : public TDisplay {
public:
    explicit TJsonDisplay(std::ostream& Out) : Out(Out) {}
    void Line(const TPortJob& Job, const TJson& Object) override {
        TJson Named = {{"type", Object.value("type", "")}, {"port", Job.Port}};
        for (const auto& [Key, Value] : Object.items()) {
            Named[Key] = Value;
        }
        Write(Named);
    }
    void Text(const TPortJob& Job, const std::string& Text) override {
        Write({{"type", "message"},
               {"port", Job.Port},
               {"time", TimeOfDay()},
               {"text", Text},
               {"level", "info"}});
    }
    void End(const std::vector<std::unique_ptr<TPortJob>>& Jobs, int Code,
             double Seconds) override {
        TJson Ports = TJson::array();
        for (const auto& Job : Jobs) {
            TJson Port = {{"port", Job->Port},
                          {"ok", Job->ExitCode == CliSuccess},
                          {"exit_code", Job->ExitCode},
                          {"result", Job->ResultText()},
                          {"seconds", Job->Seconds}};
            // Null for a board that never answered.
            Port["identification"] =
                Job->Identification() != "-" ? TJson(Job->Identification()) : TJson(nullptr);
            if (!Job->Error().is_null()) {
                Port["error"] = Job->Error();
            }
            Ports.push_back(std::move(Port));
        }
        Write({{"type", "summary"},
               {"ok", Code == CliSuccess},
               {"exit_code", Code},
               {"ports", std::move(Ports)},
               {"seconds", Seconds}});
    }

private:
    void Write(const TJson& Object) {
        Out << Object.dump(-1, ' ', false, TJson::error_handler_t::replace) << '\n';
        Out.flush();
    }

    std::ostream& Out;
};

std::unique_ptr<TDisplay> MakeDisplay(const TCliGlobalOptions& Global, std::ostream& Out) {
    if (Global.Json) {
        return std::make_unique<TJsonDisplay>(Out);
    }
    if (ShowsEscapeSequences(Out)) {
        return std::make_unique<TLiveDisplay>(Out);
    }
    return std::make_unique<TPlainDisplay>(Out);
}

// Takes in one line of a job and shows it.
void TakeLine(TPortJob& Job, const std::string& Line, TDisplay& Display) {
    const TJson Object = Job.Take(Line);
    if (Object.is_object()) {
        Display.Line(Job, Object);
    } else {
        Display.Text(Job, Line);
    }
}

// Nothing shown: the caller looks at the results.
class TQuietDisplay : public TDisplay {
public:
    void Line(const TPortJob&, const TJson&) override {}
    void Text(const TPortJob&, const std::string&) override {}
    void End(const std::vector<std::unique_ptr<TPortJob>>&, int, double) override {}
};

using TPortJobs = std::vector<std::unique_ptr<TPortJob>>;

// Runs the command of Arguments[i] on a thread per port Ports[i] and shows their lines on
// Display until every job has ended, handing each to Ended as it ends. Every Ctrl-C asks every
// port to stop after its current page; each then ends with its own result, so none is lost
// however often Ctrl-C comes.
TPortJobs RunJobs(const std::vector<std::string>& Ports,
                  const std::vector<TCliArguments>& Arguments, const TCliGlobalOptions& Global,
                  TDisplay& Display, const std::function<void(const TPortJob&)>& Ended = {}) {
    const TInterruptCatcher Interrupts;
    TArrivals Arrivals;
    TPortJobs Jobs;
    for (std::size_t Index = 0; Index < Ports.size(); ++Index) {
        const std::string& Port = Ports[Index];
        Jobs.push_back(std::make_unique<TPortJob>(
            Index, Port, PortCommand(Port, Arguments[Index], Global), Arrivals));
    }
    for (std::size_t Running = Jobs.size(); Running > 0;) {
        std::deque<TArrival> Taken = Arrivals.Take(std::chrono::milliseconds(100));
        for (TArrival& Arrival : Taken) {
            TPortJob& Job = *Jobs[Arrival.Job];
            if (Arrival.Line) {
                TakeLine(Job, *Arrival.Line, Display);
            } else {
                Job.Finish();
                --Running;
                if (Ended) {
                    Ended(Job);
                }
            }
        }
        while (TInterruptCatcher::TakeInterrupt()) {
            for (const auto& Job : Jobs) {
                Job->Interrupt();
            }
        }
        Display.Refresh(Jobs, !Taken.empty());
    }
    return Jobs;
}

} // namespace

int CombinedExitCode(const std::vector<int>& Codes) {
    const auto Any = [&](auto Test) { return std::any_of(Codes.begin(), Codes.end(), Test); };
    if (Any([](int Code) {
            return Code != CliSuccess && Code != CliCompareDifferent && Code != CliStopped;
        })) {
        return CliFailure;
    }
    if (Any([](int Code) { return Code == CliStopped; })) {
        return CliStopped;
    }
    return Any([](int Code) { return Code == CliCompareDifferent; }) ? CliCompareDifferent
                                                                     : CliSuccess;
}

int RunOnSeveralPorts(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err) {
    const TClock::time_point Start = TClock::now();
    // No board is touched unless its record can be kept.
    const std::unique_ptr<IRecordStore> Records = OpenRunRecords(Global.RecordsLocation);
    Records->Reconnect();
    // With --serial-at each board takes its own number before any starts.
    std::vector<TCliArguments> PortArguments(Global.PortNames.size(), Arguments);
    std::vector<std::optional<std::uint64_t>> Serials(Global.PortNames.size());
    if (SerialPlaceOf(Arguments)) {
        for (std::size_t Index = 0; Index < PortArguments.size(); ++Index) {
            Serials[Index] = Records->TakeSerialNumber(1);
            PortArguments[Index].Words.insert(PortArguments[Index].Words.end(),
                                              {"--serial", std::to_string(*Serials[Index])});
        }
    }
    const std::unique_ptr<TDisplay> Display = MakeDisplay(Global, Out);
    const auto KeepRecord = [&](const TPortJob& Job) {
        try {
            const auto Index = static_cast<std::size_t>(
                std::find(Global.PortNames.begin(), Global.PortNames.end(), Job.Port) -
                Global.PortNames.begin());
            Records->Add(BoardRecordOf(Job, UsbSerialOf(Job.Port), Serials.at(Index)));
        } catch (const ERecordsError& Error) {
            Err << FormatText(SCliPortsRecordNotKept, Error.what()) << '\n';
        }
    };
    const TPortJobs Jobs = RunJobs(Global.PortNames, PortArguments, Global, *Display, KeepRecord);
    std::vector<int> Codes;
    for (const auto& Job : Jobs) {
        Codes.push_back(Job->ExitCode);
    }
    const int Code = CombinedExitCode(Codes);
    Display->End(Jobs, Code, std::chrono::duration<double>(TClock::now() - Start).count());
    return Code;
}

std::vector<TPortAnswer> IdentifyProgrammers(const std::vector<std::string>& Ports,
                                             const TCliGlobalOptions& Global) {
    TCliArguments Init;
    Init.Words = {"init"};
    TQuietDisplay Quiet;
    std::vector<TPortAnswer> Answers;
    for (const auto& Job :
         RunJobs(Ports, std::vector<TCliArguments>(Ports.size(), Init), Global, Quiet)) {
        TPortAnswer Answer;
        Answer.Port = Job->Port;
        Answer.Answered = Job->ExitCode == CliSuccess;
        Answer.Identification = Job->Identification();
        Answer.Problem = Job->ResultText();
        Answers.push_back(std::move(Answer));
    }
    return Answers;
}
