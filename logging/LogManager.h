// The traffic log: one file per run in which the serial link, the package layer and the
// programmer commands record what they send, receive and conclude. Any thread may write.
// The file is held to a size limit: a record that would take it beyond the limit first moves
// the file aside as "<name>.1" (replacing the one before) and starts the file anew, so a run
// keeps its latest records in at most two files of about the limit each.
#pragma once

#include "common/ArrayTypes.h"
#include "platform/SafeFile.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>

// The log's size limit when neither the command line nor Settings.ini gives one: 64 MiB.
inline constexpr std::uint64_t DefaultLogLimit = std::uint64_t{64} * 1024 * 1024;
// Records kept in a batch are written once they fill this many bytes, or once the oldest is
// this old.
inline constexpr std::size_t BatchWriteSize = 64 * 1024;
inline constexpr std::chrono::milliseconds BatchWriteDelay{500};

// A size as the log limit is written: a whole number of bytes, optionally followed by K, M or G
// (either case) for 1024, 1024² or 1024³ bytes. Nothing for zero, a size beyond 64 bits or any
// other text.
std::optional<std::uint64_t> ParseLogLimit(const std::string& Text);

class TLogManager {
public:
    // A log that is off: it takes records and writes nothing, and touches no file.
    TLogManager() : Limit(DefaultLogLimit) {}
    // Creates or truncates FileName, removes the previous run's "<FileName>.1" and holds the
    // file open, exclusively, for the whole run. Never throws because of the file: when it
    // cannot be created (or another running instance holds it) logging is off for the run.
    // With Continue, an existing log (and its older file) is kept and the run's records follow
    // it, numbered from 1 again, within the same limit: one log per port over many runs.
    explicit TLogManager(const std::string& FileName, std::uint64_t Limit = DefaultLogLimit,
                         bool Continue = false);
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

    // Between BeginBatch and the matching EndBatch (they nest), records from every thread are
    // kept in memory and written together at the end, or as soon as they fill BatchWriteSize
    // or the oldest of them is BatchWriteDelay old: one page of an operation makes a dozen
    // records, and writing each on its own costs more than the whole exchange at a low baud
    // rate. The file limit is kept record by record as without a batch. EndBatch (and a record
    // that writes the kept ones) raises what writing the records raises.
    void BeginBatch();
    void EndBatch();

    const std::string& GetFileName() const { return FileName; }
    // Where the file goes when it is full: "<FileName>.1".
    std::string GetOlderFileName() const { return FileName + ".1"; }
    std::uint64_t GetLimit() const { return Limit; }

    // Written directly by the start-up code (true) right after construction.
    bool HexMode = false;

    // The log path of this user: <program data folder>/Velmora.log.
    static std::string DefaultFileName();

private:
    // Called with Lock held.
    std::string FormatRecord(const std::string& Text);
    // Writes Record, or keeps it while a batch is open; the failure's message text, or null.
    const char* Put(const std::string& Record);
    const char* WritePending();
    bool StartNextFile();
    // Called with Lock held: keeps the local time of the last second it formatted.
    void AppendTimeStamp(std::string& Record);

    std::string FileName;
    const std::uint64_t Limit;
    TFileHandle Handle;
    std::atomic<bool> Enabled{false};
    int RecordNumber = 1;
    std::uint64_t Size = 0; // bytes in the current file, records kept in a batch included
    int BatchDepth = 0;
    std::string Pending;                                // the records of the open batch
    std::chrono::steady_clock::time_point PendingSince; // when the oldest of them was kept
    // The second the last time stamp fell in, and its hours, minutes and seconds: an exchange
    // writes a dozen records within the same second.
    std::time_t StampedSecond = -1;
    std::string StampedSecondText;
    std::mutex Lock;
};

// Keeps the records of one step of an operation for one write at its end (see
// TLogManager::BeginBatch).
class TLogBatch {
public:
    explicit TLogBatch(TLogManager& Log);
    // Writes the records when Close has not; a failure is dropped here.
    ~TLogBatch();
    TLogBatch(const TLogBatch&) = delete;
    TLogBatch& operator=(const TLogBatch&) = delete;
    // Writes the records; raises what writing them raises.
    void Close();

private:
    TLogManager* Log;
};
