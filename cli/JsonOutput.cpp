#include "cli/JsonOutput.h"

#include "platform/LocalTime.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <ctime>

namespace {

using TJson = nlohmann::ordered_json;

// One object on one line. Text that is not UTF-8 (a port name, a board's identification) has
// its bad bytes replaced rather than ending the command.
void WriteLine(std::ostream& Out, const TJson& Line) {
    Out << Line.dump(-1, ' ', false, TJson::error_handler_t::replace) << '\n';
    Out.flush();
}

TJson DifferenceObject(const TPageDifference& Difference, bool PageNumberOnly) {
    TJson Object = {{"page", Difference.Page}};
    if (!PageNumberOnly) {
        Object["bytes"] = Difference.Bytes;
        Object["bits_image1_chip0"] = Difference.ImageOneChipZero;
        Object["bits_image0_chip1"] = Difference.ImageZeroChipOne;
    }
    return Object;
}

// The error of a result: its text, and its details as far as known.
TJson ErrorObject(const std::string& Text, const TFailureDetails& Details) {
    TJson Object = {{"text", Text}};
    if (Details.Page) {
        Object["page"] = *Details.Page;
    }
    if (Details.Command) {
        Object["command"] = *Details.Command;
    }
    if (Details.Reply) {
        Object["reply"] = *Details.Reply;
    }
    if (!Details.File.empty()) {
        Object["file"] = Details.File;
    }
    if (!Details.Port.empty()) {
        Object["port"] = Details.Port;
    }
    if (!Details.Reason.empty()) {
        Object["reason"] = Details.Reason;
    }
    return Object;
}

} // namespace

TFailureDetails DetailsOf(const std::exception& Error) {
    const auto* Failure = dynamic_cast<const Exception*>(&Error);
    return Failure != nullptr ? Failure->Details() : TFailureDetails{};
}

const char* MessageLevel(TColor Color) {
    switch (Color) {
    case clRed:
        return "error";
    case clGreen:
        return "success";
    default:
        return "info";
    }
}

std::string TimeOfDay() {
    return LocalTimeText("%H:%M:%S");
}

std::string LocalTimeText(const char* Format) {
    const std::time_t Now = std::time(nullptr);
    const std::tm Local = ToLocalTime(Now);
    char Text[64];
    return std::string(Text, std::strftime(Text, sizeof(Text), Format, &Local));
}

void TJsonLines::Message(const std::string& Text, TColor Color) {
    if (Color == clRed) {
        LastErrorText = Text;
    }
    WriteLine(Out, {{"type", "message"},
                    {"time", TimeOfDay()},
                    {"text", Text},
                    {"level", MessageLevel(Color)}});
}

void TJsonLines::Progress(int Percent, int Page, std::int64_t RemainingSeconds) {
    WriteLine(Out, {{"type", "progress"},
                    {"percent", Percent},
                    {"page", Page},
                    {"remaining_s", RemainingSeconds}});
}

void TJsonLines::UsageSummary(const std::vector<std::string>& Ports, const TCliResult& Result) {
    TJson Entries = TJson::array();
    for (const std::string& Port : Ports) {
        Entries.push_back({{"port", Port},
                           {"ok", false},
                           {"exit_code", Result.ExitCode},
                           {"result", "failed: " + Result.Error.value_or("")},
                           {"seconds", 0},
                           {"identification", nullptr}});
    }
    WriteLine(Out, {{"type", "summary"},
                    {"ok", false},
                    {"exit_code", Result.ExitCode},
                    {"ports", std::move(Entries)},
                    {"seconds", std::round(Result.Seconds * 1000.0) / 1000.0}});
}

void TJsonLines::Port(const TSerialPortInfo& Port, TPortState State) {
    TJson Usb = nullptr;
    if (Port.Usb) {
        Usb = {{"vendor", Port.Usb->Vendor},
               {"product", Port.Usb->Product},
               {"manufacturer", Port.Usb->Manufacturer},
               {"product_name", Port.Usb->ProductName},
               {"serial", Port.Usb->Serial}};
    }
    WriteLine(Out, {{"type", "port"},
                    {"path", Port.Path},
                    {"com", Port.ComName.empty() ? TJson(nullptr) : TJson(Port.ComName)},
                    {"driver", Port.Driver},
                    {"usb", std::move(Usb)},
                    {"state", PortStateName(State)}});
}

void TJsonLines::Result(const TCliResult& Result) {
    TJson Line = {{"type", "result"},
                  {"command", Result.Command},
                  {"ok", Result.ExitCode == 0},
                  {"exit_code", Result.ExitCode}};
    if (Result.Pages) {
        Line["pages"] = *Result.Pages;
    }
    if (Result.DifferingPages) {
        TJson List = TJson::array();
        for (const TPageDifference& Difference : *Result.DifferingPages) {
            List.push_back(DifferenceObject(Difference, Result.PageNumbersOnly));
        }
        Line["differing_pages"] = std::move(List);
    }
    if (Result.MissingPages) {
        Line["missing_pages"] = *Result.MissingPages;
    }
    if (Result.RewrittenPages) {
        Line["rewritten_pages"] = *Result.RewrittenPages;
    }
    if (Result.RepairPasses) {
        Line["repair_passes"] = *Result.RepairPasses;
    }
    if (Result.Identification) {
        Line["identification"] = *Result.Identification;
    }
    if (Result.File) {
        Line["file"] = *Result.File;
    }
    if (Result.Serial) {
        Line["serial"] = *Result.Serial;
    }
    if (Result.Image) {
        Line["image"] = *Result.Image;
    }
    if (Result.Sha256) {
        Line["sha256"] = *Result.Sha256;
    }
    if (Result.Error) {
        Line["error"] = ErrorObject(*Result.Error, Result.ErrorDetails);
    }
    // Milliseconds are as fine as the timing of a command goes.
    Line["seconds"] = std::round(Result.Seconds * 1000.0) / 1000.0;
    WriteLine(Out, Line);
}
