#include "cli/Station.h"

#include "cli/BoardRecords.h"
#include "cli/JsonOutput.h"
#include "cli/ParallelRun.h"
#include "common/ProgrammerConstants.h"
#include "common/ResourseStrings.h"
#include "operations/DateTime.h"
#include "platform/AppDataFolder.h"
#include "platform/Console.h"
#include "platform/SafeFile.h"
#include "records/RecordCsv.h"
#include "serial/PortDiscovery.h"
#include "serial/PortNames.h"
#include "serial/PortWatcher.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

// The local date and time, "YYYY-MM-DD HH:MM:SS", for the CSV export.
std::string DateAndTime() {
    return LocalTimeText("%Y-%m-%d %H:%M:%S");
}

std::string Seconds(double Value) {
    char Text[32];
    std::snprintf(Text, sizeof(Text), "%.1f", Value);
    return Text;
}

// How long the station waits before it tries a records store that failed again.
constexpr std::chrono::seconds RecordsRetryInterval(2);

void WriteJson(std::ostream& Out, const TPortJob::TJson& Object) {
    Out << Object.dump(-1, ' ', false, TPortJob::TJson::error_handler_t::replace) << '\n';
    Out.flush();
}

} // namespace

TStation::TStation(TStationSetup StationSetup, IRecordStore& Records, std::ostream& Out,
                   std::ostream& Err)
    : Setup(std::move(StationSetup)), Records(Records), Out(Out), Err(Err), Start(TClock::now()) {
    // A database server out of reach at the start: the boards wait for it, as they do when it
    // goes later.
    CheckRecords();
}

TStation::~TStation() = default;

std::string BoardIdentity(const std::string& Identification, const std::string& UsbSerial) {
    // A board that never said who it is cannot be told from the next one.
    return Identification == "-" ? std::string() : Identification + '\n' + UsbSerial;
}

bool TStation::IsKnown(const std::string& Port) const {
    const auto Same = [&](const std::string& Other) { return IsSamePort(Other, Port); };
    return std::any_of(Running.begin(), Running.end(),
                       [&](const auto& Entry) { return Same(Entry.second.Job->Port); }) ||
           std::any_of(Settling.begin(), Settling.end(),
                       [&](const auto& Entry) { return Same(Entry.first); }) ||
           std::any_of(Done.begin(), Done.end(),
                       [&](const TDoneBoard& Board) { return Same(Board.Port); });
}

void TStation::PortAnswered(const std::string& Name, const std::string& Identity) {
    const auto Swapped = std::find_if(Done.begin(), Done.end(), [&](const TDoneBoard& Board) {
        return IsSamePort(Board.Port, Name) && !Board.Identity.empty() && !Identity.empty() &&
               Board.Identity != Identity;
    });
    if (Swapped != Done.end()) {
        Done.erase(Swapped);
    }
    PortArrived(Name);
}

void TStation::PortArrived(const std::string& Name) {
    if (StopRequests == 0 && !IsKnown(Name)) {
        Settling[Name] = TClock::now() + Setup.Settle;
    }
}

void TStation::PortRemoved(const std::string& Name, const std::vector<std::string>& OtherNames) {
    const auto Gone = [&](const std::string& Port) {
        return IsSamePort(Port, Name) ||
               std::any_of(OtherNames.begin(), OtherNames.end(),
                           [&](const std::string& Other) { return IsSamePort(Port, Other); });
    };
    Done.erase(std::remove_if(Done.begin(), Done.end(),
                              [&](const TDoneBoard& Board) { return Gone(Board.Port); }),
               Done.end());
    for (auto& [Index, Board] : Running) {
        Board.Removed = Board.Removed || Gone(Board.Job->Port);
    }
    for (auto Entry = Settling.begin(); Entry != Settling.end();) {
        Entry = Gone(Entry->first) ? Settling.erase(Entry) : std::next(Entry);
    }
}

void TStation::Poll(std::chrono::milliseconds Timeout) {
    RetryRecords();
    StartDueBoards();
    for (TArrival& Arrival :
         Arrivals.Take(Running.empty() ? std::chrono::milliseconds(0) : Timeout)) {
        const auto Found = Running.find(Arrival.Job);
        if (Found == Running.end()) {
            continue;
        }
        if (Arrival.Line) {
            Found->second.Job->Take(*Arrival.Line);
        } else {
            EndBoard(Arrival.Job);
        }
    }
}

void TStation::StartDueBoards() {
    const TClock::time_point Now = TClock::now();
    bool StoreAsked = false;
    for (auto Entry = Settling.begin(); Entry != Settling.end();) {
        // No board starts whose record could not be kept: the store is asked first.
        if (StopRequests == 0 && !RecordsDown && Entry->second <= Now && !StoreAsked) {
            StoreAsked = true;
            CheckRecords();
        }
        if (StopRequests == 0 && !RecordsDown && Entry->second <= Now && StartBoard(Entry->first)) {
            Entry = Settling.erase(Entry);
        } else {
            ++Entry;
        }
    }
}

bool TStation::StartBoard(const std::string& Port) {
    TBoard Board;
    Board.UsbSerial = UsbSerialOf(Port);
    TCliArguments Job = Setup.Job;
    if (Setup.FirstSerial) {
        // The number is made durable before the board starts: it is never given again.
        try {
            Board.Serial = Records.TakeSerialNumber(*Setup.FirstSerial);
        } catch (const ERecordsError& Error) {
            RecordsFailed(Error);
            return false;
        }
        Job.Words.insert(Job.Words.end(), {"--serial", std::to_string(*Board.Serial)});
    }
    const std::size_t Index = NextIndex++;
    Board.Job =
        std::make_unique<TPortJob>(Index, Port, PortCommand(Port, Job, Setup.Global), Arrivals);
    Running.emplace(Index, std::move(Board));
    return true;
}

void TStation::EndBoard(std::size_t Index) {
    const auto Found = Running.find(Index);
    TBoard& Board = Found->second;
    Board.Job->Finish();
    Codes.push_back(Board.Job->ExitCode);
    const TBoardRecord Record = BoardRecordOf(*Board.Job, Board.UsbSerial, Board.Serial);
    ReportBoard(Board, Record);
    ExportRecord(Record);
    Unkept.push_back(Record);
    KeepRecords();
    // Still plugged: done until it is pulled out.
    if (!Board.Removed) {
        Done.push_back(
            {Board.Job->Port, BoardIdentity(Board.Job->Identification(), Board.UsbSerial)});
    }
    Running.erase(Found);
}

void TStation::ReportBoard(const TBoard& Board, const TBoardRecord& Record) {
    const TPortJob& Job = *Board.Job;
    if (Setup.Global.Json) {
        TPortJob::TJson Line = {
            {"type", "board"},
            {"time", TimeOfDay()},
            {"port", Job.Port},
            {"usb_serial", Board.UsbSerial},
            {"identification", Job.Identification()},
            {"serial", Board.Serial ? TPortJob::TJson(*Board.Serial) : TPortJob::TJson(nullptr)},
            {"image", Record.Image},
            {"sha256", Record.Sha256},
            {"result", Job.ResultText()},
            {"ok", Job.ExitCode == CliSuccess},
            {"exit_code", Job.ExitCode},
            {"seconds", Job.Seconds}};
        // Where a failure happened, as the board's command told it.
        if (!Job.Error().is_null()) {
            Line["error"] = Job.Error();
        }
        WriteJson(Out, Line);
        return;
    }
    Out << TimeOfDay() << "  " << Job.Port << "  " << Record.UsbSerial << "  "
        << Record.Identification << "  " << (Board.Serial ? std::to_string(*Board.Serial) : "-")
        << "  " << Job.ResultText() << "  " << Seconds(Job.Seconds) << '\n';
    Out.flush();
}

void TStation::ExportRecord(const TBoardRecord& Record) {
    if (Setup.RecordFile.empty()) {
        return;
    }
    // The header goes first into a file that is new or empty; the file itself is not read, as
    // it grows over a whole shift.
    std::error_code Error;
    const std::uintmax_t Size =
        std::filesystem::file_size(std::filesystem::u8path(Setup.RecordFile), Error);
    const std::string Line =
        (!Error && Size > 0 ? "" : std::string(NewTextFileStart()) + RecordCsvHeader()) +
        RecordCsvLine(Record, DateAndTime());
    if (!AppendDurably(Setup.RecordFile, Line)) {
        Err << FormatText(SCliStationRecordFailed, Setup.RecordFile.c_str()) << '\n';
    }
}

void TStation::KeepRecords() {
    try {
        while (!Unkept.empty()) {
            Records.Add(Unkept.front());
            Unkept.pop_front();
        }
    } catch (const ERecordsError& Error) {
        RecordsFailed(Error);
        return;
    }
    if (RecordsDown) {
        RecordsDown = false;
        Err << FormatText(SCliStationRecordsBack, Records.Describe().c_str()) << '\n';
    }
}

void TStation::RecordsFailed(const ERecordsError& Error) {
    if (!RecordsDown) {
        // The store's message without the program's name, which the station's line gives.
        std::string Why = Error.what();
        const std::string Program = "velmora-cli: ";
        if (Why.rfind(Program, 0) == 0) {
            Why.erase(0, Program.size());
        }
        Err << FormatText(SCliStationRecordsDown, Why.c_str()) << '\n';
    }
    RecordsDown = true;
    NextRecordsTry = TClock::now() + RecordsRetryInterval;
}

void TStation::CheckRecords() {
    try {
        Records.Reconnect();
    } catch (const ERecordsError& Error) {
        RecordsFailed(Error);
    }
}

void TStation::RetryRecords() {
    if (!RecordsDown || TClock::now() < NextRecordsTry) {
        return;
    }
    NextRecordsTry = TClock::now() + RecordsRetryInterval;
    try {
        Records.Reconnect();
    } catch (const ERecordsError& Error) {
        RecordsFailed(Error);
        return;
    }
    KeepRecords();
}

void TStation::RequestStop() {
    ++StopRequests;
    Settling.clear();
    if (StopRequests == 1) {
        if (!Running.empty() && !Setup.Global.Json) {
            Err << FormatText(SCliStationFinishing, static_cast<int>(Running.size())) << '\n';
        }
        return;
    }
    for (auto& [Index, Board] : Running) {
        Board.Job->Interrupt();
    }
}

bool TStation::IsFinished() const {
    return StopRequests > 0 && Running.empty() && (Unkept.empty() || StopRequests > 1);
}

int TStation::Finish() {
    // Given up on at a second stop: said, so that the boards can be found by their lines.
    for (const TBoardRecord& Record : Unkept) {
        Err << FormatText(SCliStationRecordNotKept, Record.Port.c_str(),
                          RecordCsvLine(Record, DateAndTime()).c_str());
    }
    const auto Count = [&](int Code) {
        return static_cast<int>(std::count(Codes.begin(), Codes.end(), Code));
    };
    const int Boards = static_cast<int>(Codes.size());
    const int Ok = Count(CliSuccess);
    const int Different = Count(CliCompareDifferent);
    const int Stopped = Count(CliStopped);
    const int Failed = Boards - Ok - Different - Stopped;
    const int Code = CombinedExitCode(Codes);
    if (Setup.Global.Json) {
        WriteJson(Out, {{"type", "totals"},
                        {"boards", Boards},
                        {"ok", Ok},
                        {"different", Different},
                        {"failed", Failed},
                        {"stopped", Stopped},
                        {"exit_code", Code},
                        {"seconds", std::chrono::duration<double>(TClock::now() - Start).count()}});
    } else {
        Out << FormatText(SCliStationTotals, Boards, Ok, Different, Failed, Stopped) << '\n';
        Out.flush();
    }
    return Code;
}

namespace {

// The ports of a --port list, asked every two seconds (in a quiet init of their own) whether a
// programmer is there while no board runs on them: one that answers arrives, one that no
// longer answers after its board was done has been pulled out.
class TPresenceProbe {
public:
    TPresenceProbe(std::vector<std::string> Ports, const TCliGlobalOptions& Global)
        : Ports(std::move(Ports)), Global(Global) {
        Init.Words = {"init"};
    }

    void Poll(TStation& Station) {
        for (TArrival& Arrival : Arrivals.Take(std::chrono::milliseconds(0))) {
            TPortJob& Probe = *Probes.at(Arrival.Job);
            if (Arrival.Line) {
                Probe.Take(*Arrival.Line);
                continue;
            }
            Probe.Finish();
            if (Probe.ExitCode == CliSuccess) {
                Missed[Probe.Port] = 0;
                Station.PortAnswered(
                    Probe.Port, BoardIdentity(Probe.Identification(), UsbSerialOf(Probe.Port)));
            } else if (++Missed[Probe.Port] >= MissesForGone) {
                Station.PortRemoved(Probe.Port);
            }
            Probes.erase(Arrival.Job);
        }
        StartDueProbes(Station);
    }

private:
    void StartDueProbes(const TStation& Station) {
        const TClock::time_point Now = TClock::now();
        if (Now < NextRound || !Probes.empty() || Station.GetBoardsInProgress() > 0) {
            return;
        }
        NextRound = Now + std::chrono::milliseconds(Programmer::StationProbeIntervalMs);
        for (const std::string& Port : Ports) {
            const std::size_t Index = NextIndex++;
            Probes.emplace(Index, std::make_unique<TPortJob>(
                                      Index, Port, PortCommand(Port, Init, Global), Arrivals));
        }
    }

    // Looks in a row without an answer before a board counts as pulled out: one missed answer
    // is a board busy or a line disturbed, not a removal.
    static constexpr int MissesForGone = 2;

    const std::vector<std::string> Ports;
    const TCliGlobalOptions Global;
    std::map<std::string, int> Missed;
    TCliArguments Init;
    TArrivals Arrivals;
    std::map<std::size_t, std::unique_ptr<TPortJob>> Probes;
    std::size_t NextIndex = 0;
    TClock::time_point NextRound{};
};

std::uint64_t FirstSerialNumber(const TCliArguments& Arguments) {
    const auto Start = Arguments.Options.find("serial-start");
    return Start == Arguments.Options.end() ? 1
                                            : ParseSerialNumber("--serial-start", Start->second);
}

// The USB serial ports plugged before the station started, as if they had just arrived.
void TakePresentBoards(TStation& Station) {
    for (const TSerialPortInfo& Port : FindSerialPorts(DefaultSysfsRoot())) {
        if (Port.Usb) {
            Station.PortArrived(Port.Path);
        }
    }
}

} // namespace

int RunStationCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err) {
    TStationSetup Setup;
    Setup.Job.Words.assign(Arguments.Positional.begin(), Arguments.Positional.end());
    Setup.Global = Global;
    Setup.Global.LogAppend = true;
    const auto Record = Arguments.Options.find("record");
    Setup.RecordFile = Record == Arguments.Options.end() ? "" : Record->second;
    Setup.Settle = std::chrono::milliseconds(Programmer::StationSettleMs);
    if (std::find(Setup.Job.Words.begin(), Setup.Job.Words.end(), "--serial-at") !=
            Setup.Job.Words.end() ||
        std::any_of(Setup.Job.Words.begin(), Setup.Job.Words.end(), [](const std::string& Word) {
            return Word.compare(0, 12, "--serial-at=") == 0;
        })) {
        Setup.FirstSerial = FirstSerialNumber(Arguments);
    }
    const auto Location = Arguments.Options.find("records");
    std::unique_ptr<IRecordStore> Records;
    try {
        Records = OpenRunRecords(Location != Arguments.Options.end() ? Location->second
                                                                     : Global.RecordsLocation);
    } catch (const ERecordsError& Error) {
        // A store that cannot be used at all (not one that is only out of reach for now).
        Err << Error.what() << '\n';
        return CliFailure;
    }
    TStation Station(Setup, *Records, Out, Err);

    const TInterruptCatcher Interrupts;
    std::unique_ptr<IPortWatcher> Watcher;
    std::unique_ptr<TPresenceProbe> Probe;
    if (Global.PortNames.empty()) {
        Watcher = MakePortWatcher(Station);
        if (!Watcher->IsActive()) {
            Err << SCliStationNoNotices << '\n';
            return CliFailure;
        }
        if (Arguments.Options.count("only-new") == 0) {
            TakePresentBoards(Station);
        }
    } else {
        Probe = std::make_unique<TPresenceProbe>(Global.PortNames, Setup.Global);
    }
    if (!Global.Json) {
        Err << SCliStationWaiting << '\n';
    }
    while (!Station.IsFinished()) {
        if (Watcher) {
            Watcher->ReceiveDevices();
        } else {
            Probe->Poll(Station);
        }
        Station.Poll(std::chrono::milliseconds(Programmer::StationPollMs));
        if (Station.GetBoardsInProgress() == 0) {
            // Nothing to read from: wait for the next notice or probe round.
            if (Watcher) {
                Watcher->WaitAndReceive(Programmer::StationIdleWaitMs);
            } else {
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(Programmer::StationIdleWaitMs));
            }
        }
        while (TInterruptCatcher::TakeInterrupt()) {
            Station.RequestStop();
        }
    }
    return Station.Finish();
}
