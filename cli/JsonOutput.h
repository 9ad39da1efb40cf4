// velmora-cli's machine-readable output (--json): one JSON object per line on standard output
// for every message, every progress step and, at the end, the command's result.
#pragma once

#include "common/Exception.h"
#include "operations/MainView.h"
#include "operations/Verification.h"
#include "serial/PortDiscovery.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// What the result line of a command tells; fields left empty are left out.
struct TCliResult {
    std::string Command;
    int ExitCode = 0;
    // Pages of the range the command worked on.
    std::optional<int> Pages;
    std::optional<std::vector<TPageDifference>> DifferingPages;
    // True when only the page numbers of DifferingPages are known (a plain compare).
    bool PageNumbersOnly = false;
    std::optional<std::vector<int>> MissingPages;
    std::optional<std::vector<int>> RewrittenPages;
    std::optional<int> RepairPasses;
    std::optional<std::string> Identification;
    std::optional<std::string> File;
    // The board's serial number put into the image, the image file and the SHA-256 of the bytes
    // the command sent (a write's pages, serial number included).
    std::optional<std::uint64_t> Serial;
    std::optional<std::string> Image;
    std::optional<std::string> Sha256;
    std::optional<std::string> Error;
    // Where the error happened and why, as far as known.
    TFailureDetails ErrorDetails;
    double Seconds = 0;
};

// What Error tells of where it happened and why; nothing for an exception that is not one of
// the program's own.
TFailureDetails DetailsOf(const std::exception& Error);

class TJsonLines {
public:
    explicit TJsonLines(std::ostream& Out) : Out(Out) {}

    // {"type":"message","time":"HH:MM:SS","text":…,"level":"info|success|error"}
    void Message(const std::string& Text, TColor Color);
    // {"type":"progress","percent":…,"page":…,"remaining_s":…}
    void Progress(int Percent, int Page, std::int64_t RemainingSeconds);
    // {"type":"port","path":…,"com":…|null,"driver":…,"usb":{"vendor":…,"product":…,
    // "manufacturer":…,"product_name":…,"serial":…}|null,"state":"free|busy|no-access|…"}
    void Port(const TSerialPortInfo& Port, TPortState State);
    // {"type":"result","command":…,"ok":…,"exit_code":…, then the fields given}; the error is
    // {"text":…, then "page", "command", "reply" (numbers), "file", "port", "reason" as known}
    void Result(const TCliResult& Result);
    // {"type":"summary",…} of a run on several Ports whose command line did not fit: each port
    // with the usage error of Result, none of them asked.
    void UsageSummary(const std::vector<std::string>& Ports, const TCliResult& Result);
    // The text of the last error message; empty when there was none.
    const std::string& LastError() const { return LastErrorText; }

private:
    std::ostream& Out;
    std::string LastErrorText;
};

// The level of a line's colour: red is an error, green a success, the others information.
const char* MessageLevel(TColor Color);

// The local time of day as HH:MM:SS, the prefix of every line the command line prints.
std::string TimeOfDay();
// The local time as strftime's Format gives it.
std::string LocalTimeText(const char* Format);
