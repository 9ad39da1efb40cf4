#include "cli/PortJob.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "platform/ChildProcess.h"
#include "serial/PortNames.h"

#include <filesystem>

namespace {

using TClock = std::chrono::steady_clock;

std::string Replaced(std::string Text, const std::string& What, const std::string& With) {
    for (std::size_t At = 0; (At = Text.find(What, At)) != std::string::npos; At += With.size()) {
        Text.replace(At, What.size(), With);
    }
    return Text;
}

} // namespace

void TArrivals::Push(TArrival Arrival) {
    {
        std::lock_guard<std::mutex> Lock(Mutex);
        Queue.push_back(std::move(Arrival));
    }
    Arrived.notify_one();
}

std::deque<TArrival> TArrivals::Take(std::chrono::milliseconds Timeout) {
    std::unique_lock<std::mutex> Lock(Mutex);
    Arrived.wait_for(Lock, Timeout, [this] { return !Queue.empty(); });
    std::deque<TArrival> Taken;
    Taken.swap(Queue);
    return Taken;
}

TPortJob::TPortJob(std::size_t Index, std::string PortName, const std::string& Program,
                   const std::vector<std::string>& Arguments, TArrivals& Arrivals)
    : Port(std::move(PortName)), Start(TClock::now()) {
    try {
        Child = std::make_unique<TChildProcess>(Program, Arguments);
    } catch (const EChildProcessError& Error) {
        Failure = Error.what();
        Arrivals.Push({Index, std::nullopt});
        return;
    }
    Reader = std::thread([this, Index, &Arrivals] { ReadLines(Index, Arrivals); });
}

TPortJob::~TPortJob() {
    if (Reader.joinable()) {
        Child->Terminate();
        Reader.join();
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
    if (Reader.joinable()) {
        Reader.join();
    }
    ExitCode = Child ? Child->Wait() : CliFailure;
    Seconds = std::chrono::duration<double>(TClock::now() - Start).count();
    Ended = true;
}

void TPortJob::Interrupt() {
    if (Child && !Ended) {
        Child->Interrupt();
    }
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

void TPortJob::ReadLines(std::size_t Index, TArrivals& Arrivals) {
    std::string Pending;
    char Buffer[4096];
    for (std::size_t Count; (Count = Child->ReadOutput(Buffer, sizeof(Buffer))) > 0;) {
        Pending.append(Buffer, Count);
        for (std::size_t End; (End = Pending.find('\n')) != std::string::npos;) {
            // A child on Windows ends its lines with CR LF.
            const bool CarriageReturn = End > 0 && Pending[End - 1] == '\r';
            Arrivals.Push({Index, Pending.substr(0, CarriageReturn ? End - 1 : End)});
            Pending.erase(0, End + 1);
        }
    }
    if (!Pending.empty()) {
        Arrivals.Push({Index, Pending});
    }
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

std::vector<std::string> ChildArguments(const std::string& Port, const TCliArguments& Arguments,
                                        const TCliGlobalOptions& Global) {
    const std::string LogFile =
        Global.LogFile.empty() ? TLogManager::DefaultFileName() : Global.LogFile;
    std::vector<std::string> Words = {"--json", "--port", Port, "--log",
                                      PortLogFileName(LogFile, Port)};
    if (Global.LogLimit) {
        Words.insert(Words.end(), {"--log-limit", std::to_string(*Global.LogLimit)});
    }
    if (Global.LogAppend) {
        Words.push_back("--log-append");
    }
    if (Arguments.Words.front() != "init") {
        Words.push_back("--identify");
    }
    const std::string Tag = PortFileTag(Port);
    for (std::size_t Index = 0; Index < Arguments.Words.size(); ++Index) {
        const std::string& Word = Arguments.Words[Index];
        if (Word == "--port") {
            ++Index;
        } else if (Word.compare(0, 7, "--port=") != 0) {
            Words.push_back(Replaced(Word, "{port}", Tag));
        }
    }
    return Words;
}

std::string PortFileTag(const std::string& PortName) {
    std::string Path = PortDevicePath(PortName);
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
