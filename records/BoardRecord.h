// One board's record: what a station or a run on several ports did to one board, with what
// tells the board, the number and the image it was given, and where it failed.
#pragma once

#include "common/Exception.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

struct TBoardRecord {
    // When the board ended, in UTC: "YYYY-MM-DDTHH:MM:SSZ" (sorts and compares as text, and
    // means the same on every station of a line whatever its time zone).
    std::string Time;
    std::string Station; // the computer that programmed the board
    std::string Port;
    std::string UsbSerial;      // "-" when the port has none
    std::string Identification; // "-" when the board never answered
    std::optional<std::uint64_t> Serial;
    std::string Image;  // the image file written or compared; "-" for none
    std::string Sha256; // of the bytes written; "-" for none
    // ok, different, failed or stopped; Reason says why a board failed.
    std::string Result;
    std::string Reason;
    int ExitCode = 0;
    // Where a failure happened, as far as it is known.
    std::optional<int> Page;
    std::optional<int> Command;
    std::optional<int> Reply;
    double Seconds = 0;
};

// What a listing of the records asks for; empty fields ask for nothing.
struct TRecordFilter {
    std::string Since; // UTC, as TBoardRecord::Time: records at or after it
    std::string Image;
    std::string Result;
    std::string Port;
};

// A records store cannot be opened, read or written. Unreachable is set when the store is a
// server the connection to which is lost: it may come back.
class ERecordsError : public Exception {
public:
    explicit ERecordsError(const std::string& Message, bool Unreachable = false)
        : Exception(Message), Unreachable(Unreachable) {}
    const bool Unreachable;
};

// Seconds since the epoch as TBoardRecord::Time writes them.
std::string UtcTimeText(std::time_t Seconds);
// Why a text is no local time: not of the form, or of the form but no day or time of the
// calendar ("2026-02-30", "2026-12-08 25:00").
enum class TTimeTextProblem { Form, NoSuchTime };
// A local date ("YYYY-MM-DD"), date and time ("YYYY-MM-DD HH:MM[:SS]") or "today" as the UTC
// time TBoardRecord::Time compares with; nothing for any other text, and then *Problem (when
// given) says why.
std::optional<std::string> LocalTimeAsUtc(const std::string& Text, std::time_t Now,
                                          TTimeTextProblem* Problem = nullptr);
