#include "cli/PortJob.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "operations/Settings.h"
#include "serial/PortNames.h"

#include <filesystem>
#include <ostream>
#include <streambuf>

namespace {

using TClock = std::chrono::steady_clock;

std::string Replaced(std::string Text, const std::string& What, const std::string& With) {
    for (std::size_t At = 0; (At = Text.find(What, At)) != std::string::npos; At += With.size()) {
        Text.replace(At, What.size(), With);
    }
    return Text;
}

// The output of one job's command, taken character by character (its lines are short): each
// complete line goes to the arrivals as it is written.
class TArrivalLines : public std::streambuf {
public:
    TArrivalLines(std::size_t Job, TArrivals& Arrivals) : Job(Job), Arrivals(Arrivals) {}

    // A last line without its line end goes too.
    void Close() {
        if (!Pending.empty()) {
            Arrivals.Push({Job, std::move(Pending)});
            Pending.clear();
        }
    }

protected:
    int_type overflow(int_type Character) override {
        if (!traits_type::eq_int_type(Character, traits_type::eof())) {
            Put(traits_type::to_char_type(Character));
        }
        return traits_type::not_eof(Character);
    }

private:
    void Put(char Character) {
        if (Character != '\n') {
            Pending.push_back(Character);
            return;
        }
        // A progress line comes after every page; the displays show one at most every tenth
        // of a second, so it waits for the handling thread's next look instead of waking it.
        if (Pending.rfind(ProgressLineStart, 0) == 0) {
            Arrivals.Leave({Job, std::move(Pending)});
        } else {
            Arrivals.Push({Job, std::move(Pending)});
        }
        Pending.clear();
    }

    // The JSON lines' writer puts the type first.
    static constexpr const char* ProgressLineStart = "{\"type\":\"progress\"";

    const std::size_t Job;
    TArrivals& Arrivals;
    std::string Pending;
};

} // namespace

void TArrivals::Push(TArrival Arrival) {
    {
        std::lock_guard<std::mutex> Lock(Mutex);
        Queue.push_back(std::move(Arrival));
    }
    Arrived.notify_one();
}

void TArrivals::Leave(TArrival Arrival) {
    std::lock_guard<std::mutex> Lock(Mutex);
    Queue.push_back(std::move(Arrival));
}

std::deque<TArrival> TArrivals::Take(std::chrono::milliseconds Timeout) {
    std::unique_lock<std::mutex> Lock(Mutex);
    Arrived.wait_for(Lock, Timeout, [this] { return !Queue.empty(); });
    std::deque<TArrival> Taken;
    Taken.swap(Queue);
    return Taken;
}

TPortJob::TPortJob(std::size_t Index, std::string PortName, TPortCommand Command,
                   TArrivals& Arrivals)
    : Port(std::move(PortName)), Start(TClock::now()) {
    Command.Global.StopRequested = [this] { return StopRequested.load(); };
    Worker = std::thread(
        [this, Index, Command = std::move(Command), &Arrivals] { Run(Index, Command, Arrivals); });
}

TPortJob::~TPortJob() {
    if (Worker.joinable()) {
        Interrupt();
        Worker.join();
    }
}

TPortJob::TJson TPortJob::Take(const std::string& Line) {
    TJson Object = TJson::parse(Line, nullptr, false);
    if (!Object.is_object()) {
        return Object;
    }
    const std::string Type = Object.value("type", "");
    if (Type == "progress") {
        Percent = Object.value("percent", Percent);
        RemainingSeconds = Object.value("remaining_s", std::int64_t{0});
    } else if (Type == "message") {
        LastMessage = Object.value("text", "");
    } else if (Type == "result") {
        Result = Object;
    }
    return Object;
}

void TPortJob::Finish() {
    if (Worker.joinable()) {
        Worker.join();
    }
    ExitCode = Code;
    Failure = Raised;
    Seconds = std::chrono::duration<double>(TClock::now() - Start).count();
    Ended = true;
}

void TPortJob::Interrupt() {
    StopRequested.store(true);
}

std::string TPortJob::ResultText() const {
    switch (ExitCode) {
    case CliSuccess:
        return SCliPortsOk;
    case CliCompareDifferent:
        return SCliPortsDifferent;
    case CliStopped:
        return SCliPortsStopped;
    default:
        break;
    }
    std::string Why = Failure;
    if (Why.empty()) {
        Why = ErrorTextOf(Result);
    }
    if (Why.empty() && Result.is_null()) {
        Why = FormatText(SCliPortsNoResult, ExitCode);
    }
    return Why.empty() ? SCliPortsFailed : FormatText(SCliPortsFailedWhy, Why.c_str());
}

TPortJob::TJson TPortJob::Error() const {
    const auto Found = Result.find("error");
    return Found != Result.end() && Found->is_object() ? *Found : TJson();
}

std::string TPortJob::Identification() const {
    const auto Found = Result.find("identification");
    return Found != Result.end() && Found->is_string() ? Found->get<std::string>() : "-";
}

void TPortJob::Run(std::size_t Index, const TPortCommand& Command, TArrivals& Arrivals) {
    TArrivalLines Buffer(Index, Arrivals);
    std::ostream Lines(&Buffer);
    try {
        Code = RunProgrammerWords(Command.Words, Command.Global, Lines, Lines);
    } catch (const std::exception& Error) {
        Code = CliFailure;
        Raised = Error.what();
    }
    Buffer.Close();
    Arrivals.Push({Index, std::nullopt});
}

std::string ErrorTextOf(const nlohmann::ordered_json& Result) {
    const auto Found = Result.find("error");
    if (Found == Result.end() || !Found->is_object()) {
        return "";
    }
    const auto Text = Found->find("text");
    return Text != Found->end() && Text->is_string() ? Text->get<std::string>() : "";
}

TPortCommand PortCommand(const std::string& Port, const TCliArguments& Arguments,
                         const TCliGlobalOptions& Global) {
    TPortCommand Command;
    Command.Global.PortName = Port;
    Command.Global.PortNames = {Port};
    Command.Global.Json = true;
    Command.Global.Identify = Global.Identify || Arguments.Words.front() != "init";
    const std::string LogFile =
        Global.LogFile.empty() ? TLogManager::DefaultFileName() : Global.LogFile;
    Command.Global.LogFile = PortLogFileName(LogFile, Port);
    Command.Global.LogAppend = Global.LogAppend;
    // Read here, on the thread that starts the jobs, so that no job reads the settings file.
    Command.Global.LogLimit = Global.LogLimit ? *Global.LogLimit : LoadLogLimit();
    const std::string Tag = PortFileTag(Port);
    for (std::size_t Index = 0; Index < Arguments.Words.size(); ++Index) {
        const std::string& Word = Arguments.Words[Index];
        if (Word == "--port") {
            ++Index;
        } else if (Word.compare(0, 7, "--port=") != 0) {
            Command.Words.push_back(Replaced(Word, "{port}", Tag));
        }
    }
    return Command;
}

std::string PortFileTag(const std::string& PortName) {
    // The name as given, not the device a symbolic link points to now: one port's traffic stays
    // in one file however the link moves.
    std::string Path = ResolveDeviceName(PortName);
    if (Path.compare(0, 5, "/dev/") == 0) {
        Path.erase(0, 5);
    }
    // Leading separators and dots go, as does the device prefix of Windows ("\\.\COM3").
    Path.erase(0, Path.find_first_not_of("/\\."));
    for (char& Character : Path) {
        const bool Kept = (Character >= 'a' && Character <= 'z') ||
                          (Character >= 'A' && Character <= 'Z') ||
                          (Character >= '0' && Character <= '9') || Character == '.' ||
                          Character == '_' || Character == '-';
        Character = Character == '/' ? '-' : (Kept ? Character : '_');
    }
    return Path;
}

std::string PortLogFileName(const std::string& LogFile, const std::string& PortName) {
    // UTF-8 both ways: a folder name outside the system's code page stays intact on Windows.
    const std::filesystem::path Path = std::filesystem::u8path(LogFile);
    const std::string Name =
        Path.stem().u8string() + "-" + PortFileTag(PortName) + Path.extension().u8string();
    return (Path.parent_path() / std::filesystem::u8path(Name)).u8string();
}
