#include "cli/RecordsCommand.h"

#include "cli/BoardRecords.h"
#include "cli/JsonOutput.h"
#include "common/ResourseStrings.h"
#include "records/RecordCsv.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

using TJson = nlohmann::ordered_json;

// A mistake on the records command's line, answered with its usage line.
ECliUsage RecordsUsage(const std::string& Text) {
    for (const TCliCommand& Command : CliCommands()) {
        if (Command.Name == "records") {
            return ECliUsage(Text, &Command);
        }
    }
    return ECliUsage(Text);
}

std::string Option(const TCliArguments& Arguments, const char* Name) {
    const auto Found = Arguments.Options.find(Name);
    return Found == Arguments.Options.end() ? std::string() : Found->second;
}

// The value of the filter option Name, which is not given empty: an empty value would ask for
// nothing and list every record.
std::string FilterValue(const TCliArguments& Arguments, const char* Name) {
    const auto Found = Arguments.Options.find(Name);
    if (Found != Arguments.Options.end() && Found->second.empty()) {
        throw RecordsUsage(
            FormatText(SCliMissingOptionValue, "records", (std::string("--") + Name).c_str()));
    }
    return Found == Arguments.Options.end() ? std::string() : Found->second;
}

TRecordFilter FilterOf(const TCliArguments& Arguments) {
    TRecordFilter Filter;
    if (const auto Since = Arguments.Options.find("since"); Since != Arguments.Options.end()) {
        TTimeTextProblem Problem = TTimeTextProblem::Form;
        const std::optional<std::string> Utc =
            LocalTimeAsUtc(Since->second, std::time(nullptr), &Problem);
        if (!Utc) {
            throw RecordsUsage(FormatText(
                Problem == TTimeTextProblem::NoSuchTime ? SRecordsNoSuchTime : SRecordsBadSince,
                Since->second.c_str()));
        }
        Filter.Since = *Utc;
    }
    if (const auto Result = Arguments.Options.find("result"); Result != Arguments.Options.end()) {
        Filter.Result = Result->second;
        if (Filter.Result != SCliPortsOk && Filter.Result != SCliPortsDifferent &&
            Filter.Result != SCliPortsFailed && Filter.Result != SCliPortsStopped) {
            throw RecordsUsage(FormatText(SRecordsBadResult, Filter.Result.c_str()));
        }
    }
    Filter.Image = FilterValue(Arguments, "image");
    Filter.Port = FilterValue(Arguments, "port");
    return Filter;
}

template <typename T> TJson OrNull(const std::optional<T>& Value) {
    return Value ? TJson(*Value) : TJson(nullptr);
}

TJson RecordObject(const TBoardRecord& Record) {
    return {{"type", "record"},
            {"time", Record.Time},
            {"station", Record.Station},
            {"port", Record.Port},
            {"usb_serial", Record.UsbSerial},
            {"identification", Record.Identification},
            {"serial", OrNull(Record.Serial)},
            {"image", Record.Image},
            {"sha256", Record.Sha256},
            {"result", Record.Result},
            {"reason", Record.Reason.empty() ? TJson(nullptr) : TJson(Record.Reason)},
            {"exit_code", Record.ExitCode},
            {"page", OrNull(Record.Page)},
            {"command", OrNull(Record.Command)},
            {"reply", OrNull(Record.Reply)},
            {"seconds", Record.Seconds}};
}

void WriteJson(std::ostream& Out, const TJson& Object) {
    Out << Object.dump(-1, ' ', false, TJson::error_handler_t::replace) << '\n';
}

// A record as one line of text: time, station, port, USB serial number, identification,
// serial number, image, result and seconds.
std::string RecordLine(const TBoardRecord& Record) {
    char Seconds[32];
    std::snprintf(Seconds, sizeof(Seconds), "%.1f", Record.Seconds);
    return Record.Time + "  " + Record.Station + "  " + Record.Port + "  " + Record.UsbSerial +
           "  " + Record.Identification + "  " +
           (Record.Serial ? std::to_string(*Record.Serial) : "-") + "  " + Record.Image + "  " +
           RecordResultText(Record) + "  " + Seconds;
}

// Boards per result and per image, and the failed boards by page and reply code.
struct TSummary {
    int Boards = 0;
    std::map<std::string, int> Results;
    std::map<std::string, std::pair<int, int>> Images; // ok, all
    std::map<std::pair<std::optional<int>, std::optional<int>>, int> Failures;
};

TSummary Summarize(const std::vector<TBoardRecord>& Records) {
    TSummary Summary;
    for (const TBoardRecord& Record : Records) {
        ++Summary.Boards;
        ++Summary.Results[Record.Result];
        auto& [Ok, All] = Summary.Images[Record.Image];
        Ok += Record.Result == SCliPortsOk ? 1 : 0;
        ++All;
        if (Record.Result == SCliPortsFailed) {
            ++Summary.Failures[{Record.Page, Record.Reply}];
        }
    }
    return Summary;
}

std::string FailurePlace(const std::optional<int>& Page, const std::optional<int>& Reply) {
    if (!Page && !Reply) {
        return SRecordsNoFailurePlace;
    }
    return "page " + (Page ? std::to_string(*Page) : std::string("-")) + ", reply " +
           (Reply ? FormatText("%02Xh", *Reply) : std::string("-"));
}

void WriteSummary(const TSummary& Summary, std::ostream& Out) {
    Out << FormatText(SRecordsTotal, Summary.Boards) << '\n' << SRecordsByResult << '\n';
    for (const auto& [Result, Count] : Summary.Results) {
        Out << FormatText("  %-10s %6d", Result.c_str(), Count) << '\n';
    }
    Out << SRecordsByImage << '\n';
    for (const auto& [Image, Counts] : Summary.Images) {
        Out << FormatText("  %s  %d / %d", Image.c_str(), Counts.first, Counts.second) << '\n';
    }
    if (!Summary.Failures.empty()) {
        Out << SRecordsFailures << '\n';
        for (const auto& [Place, Count] : Summary.Failures) {
            Out << FormatText("  %s  %d", FailurePlace(Place.first, Place.second).c_str(), Count)
                << '\n';
        }
    }
}

TJson SummaryObject(const TSummary& Summary) {
    TJson Images = TJson::object();
    for (const auto& [Image, Counts] : Summary.Images) {
        Images[Image] = {{"ok", Counts.first}, {"boards", Counts.second}};
    }
    TJson Failures = TJson::array();
    for (const auto& [Place, Count] : Summary.Failures) {
        Failures.push_back(
            {{"page", OrNull(Place.first)}, {"reply", OrNull(Place.second)}, {"boards", Count}});
    }
    return {{"type", "summary"},
            {"boards", Summary.Boards},
            {"results", Summary.Results},
            {"images", std::move(Images)},
            {"failures", std::move(Failures)}};
}

} // namespace

int RunRecordsCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream&) {
    const auto Start = std::chrono::steady_clock::now();
    const bool Summary = Arguments.Options.count("summary") != 0;
    const bool Csv = Arguments.Options.count("csv") != 0;
    if (Summary && Csv) {
        throw RecordsUsage(SRecordsSummaryAndCsv);
    }
    const TRecordFilter Filter = FilterOf(Arguments);
    const std::string Given = Option(Arguments, "records");
    const std::unique_ptr<IRecordStore> Records =
        OpenRunRecords(Given.empty() ? Global.RecordsLocation : Given, TRecordsAccess::Read);
    const std::vector<TBoardRecord> Found = Records->Find(Filter);
    if (Global.Json) {
        if (Summary) {
            WriteJson(Out, SummaryObject(Summarize(Found)));
        } else {
            for (const TBoardRecord& Record : Found) {
                WriteJson(Out, RecordObject(Record));
            }
        }
        TCliResult Result;
        Result.Command = "records";
        Result.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        TJsonLines(Out).Result(Result);
    } else if (Summary) {
        WriteSummary(Summarize(Found), Out);
    } else if (Csv) {
        Out << RecordCsvHeader();
        for (const TBoardRecord& Record : Found) {
            Out << RecordCsvLine(Record, Record.Time);
        }
    } else {
        for (const TBoardRecord& Record : Found) {
            Out << RecordLine(Record) << '\n';
        }
    }
    Out.flush();
    return CliSuccess;
}
