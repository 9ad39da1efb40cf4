// The traffic log: one file per run in which the serial link, the package layer and the
// programmer commands record what they send, receive and conclude. Any thread may write.
// The file is held to a size limit: a record that would take it beyond the limit first moves
// the file aside as "<name>.1" (replacing the one before) and starts the file anew, so a run
// keeps its latest records in at most two files of about the limit each.
#pragma once

#include "common/ArrayTypes.h"
#include "platform/SafeFile.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// The log's size limit when neither the command line nor Settings.ini gives one: 64 MiB.
inline constexpr std::uint64_t DefaultLogLimit = std::uint64_t{64} * 1024 * 1024;

// A size as the log limit is written: a whole number of bytes, optionally followed by K, M or G
// (either case) for 1024, 1024² or 1024³ bytes. Nothing for zero, a size beyond 64 bits or any
// other text.
std::optional<std::uint64_t> ParseLogLimit(const std::string& Text);

class TLogManager {
public:
    // Creates or truncates FileName, removes the previous run's "<FileName>.1" and holds the
    // file open, exclusively, for the whole run. Never throws because of the file: when it
    // cannot be created (or another running instance holds it) logging is off for the run.
    explicit TLogManager(const std::string& FileName, std::uint64_t Limit = DefaultLogLimit);
    ~TLogManager();
    TLogManager(const TLogManager&) = delete;
    TLogManager& operator=(const TLogManager&) = delete;

    // Appends one record, first moving a non-empty file aside when the record would take it
    // beyond the limit (a record longer than the limit is written to a file of its own).
    // False when logging is off. Raises when the file refuses the record or cannot be moved
    // aside; in the latter case logging stops for the rest of the run.
    bool WriteMessage(const std::string& Text);
    // Appends Caption and the bytes as one record (hexadecimal when HexMode is set).
    bool WriteBytes(const TByteArray& Bytes, const std::string& Caption);
    bool CanWrite() const;

    const std::string& GetFileName() const { return FileName; }
    // Where the file goes when it is full: "<FileName>.1".
    std::string GetOlderFileName() const { return FileName + ".1"; }
    std::uint64_t GetLimit() const { return Limit; }

    // Written directly by the start-up code (true) right after construction.
    bool HexMode = false;

    // The log path of this user: <program data folder>/Velmora.log.
    static std::string DefaultFileName();

private:
    std::string FormatRecord(const std::string& Text);
    bool StartNextFile();
    static std::string TimeStamp();

    std::string FileName;
    const std::uint64_t Limit;
    TFileHandle Handle;
    std::atomic<bool> Enabled{false};
    int RecordNumber = 1;
    std::uint64_t Size = 0; // bytes in the current file
    std::mutex Lock;
};

// The process-wide log; null while no log manager exists (then nothing is logged).
extern TLogManager* GLogManager;

// Null-safe shorthands used by the layers that log.
inline void LogMessage(const std::string& Text) {
    if (GLogManager != nullptr) {
        GLogManager->WriteMessage(Text);
    }
}
inline void LogBytes(const TByteArray& Bytes, const std::string& Caption) {
    if (GLogManager != nullptr) {
        GLogManager->WriteBytes(Bytes, Caption);
    }
}
