// A production station: programmers are plugged in one after another, and each gets a job
// (write, erase, compare or init) the moment it arrives, on a thread of its own with a programmer
// of its own, so that boards plugged at the same time run side by side. A board that stays
// plugged is done once; pulled out and plugged in again, it is done again. One line per board
// (time, port, USB serial number, identification, result, seconds), and its record kept in the
// records store before the next board starts (optionally also appended to a CSV file); totals at
// the end. While records cannot be kept (a database server gone), no new board is taken: the
// records wait and are kept once it is back. A Ctrl-C stops taking new boards and lets the
// boards in progress finish; a second one stops them after their current page, each still
// reported and recorded with its result.
#pragma once

#include "cli/CliCommands.h"
#include "cli/PortJob.h"
#include "cli/SerialNumbers.h"
#include "records/RecordStore.h"
#include "serial/PortNotices.h"

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct TStationSetup {
    TCliArguments Job;                // the command run on every board, from its name on
    TCliGlobalOptions Global;         // --json, the log options
    std::string RecordFile;           // the CSV export of the records; empty: none
    std::chrono::milliseconds Settle; // how long a port that arrived is left alone first
    // Given when the job puts a serial number into the image (--serial-at): each board takes
    // the next number, at least this one, from the records store before it starts.
    std::optional<std::uint64_t> FirstSerial;
};

class TStation : public IPortNotices {
public:
    TStation(TStationSetup Setup, IRecordStore& Records, std::ostream& Out, std::ostream& Err);
    ~TStation() override;
    TStation(const TStation&) = delete;
    TStation& operator=(const TStation&) = delete;

    void PortArrived(const std::string& Name) override;
    void PortRemoved(const std::string& Name,
                     const std::vector<std::string>& OtherNames = {}) override;
    // A programmer answered on Name with Identity (its identification and USB serial number):
    // a board not known there yet arrives, and so does one that answers otherwise than the
    // board done there, which was swapped for it.
    void PortAnswered(const std::string& Name, const std::string& Identity);

    // Starts the job on the ports whose settling time is over, takes the boards' lines (waiting
    // at most Timeout for one) and reports every board that ended.
    void Poll(std::chrono::milliseconds Timeout);
    // The first call: no new boards, those in progress finish. Any further call: the boards in
    // progress stop after their current page.
    void RequestStop();
    // True once a stop was asked for, no board is in progress and every record is kept (or a
    // second stop gave up waiting for the records store).
    bool IsFinished() const;
    std::size_t GetBoardsInProgress() const { return Running.size(); }
    std::size_t GetBoardsDone() const { return Codes.size(); }
    // Writes the totals; returns the exit code the boards' results combine to.
    int Finish();

private:
    struct TBoard {
        std::unique_ptr<TPortJob> Job;
        std::string UsbSerial;
        std::optional<std::uint64_t> Serial; // the number it was given
        bool Removed = false;                // pulled out while its job ran
    };
    // A board done and still plugged, as it answered.
    struct TDoneBoard {
        std::string Port;
        std::string Identity;
    };

    void StartDueBoards();
    // False when the board could not be given its number: it waits.
    bool StartBoard(const std::string& Port);
    void EndBoard(std::size_t Index);
    // Its line, with the image and hash its record holds.
    void ReportBoard(const TBoard& Board, const TBoardRecord& Record);
    void ExportRecord(const TBoardRecord& Record);
    // Keeps the records waiting, oldest first, until one cannot be kept.
    void KeepRecords();
    // Asks the store whether it can be used; a failure stops taking boards.
    void CheckRecords();
    void RecordsFailed(const ERecordsError& Error);
    void RetryRecords();
    bool IsKnown(const std::string& Port) const;

    const TStationSetup Setup;
    IRecordStore& Records;
    std::ostream& Out;
    std::ostream& Err;
    TArrivals Arrivals;
    // Boards in progress by their job's index; ports arrived and waiting to settle; ports whose
    // board is done and still plugged.
    std::map<std::size_t, TBoard> Running;
    std::map<std::string, std::chrono::steady_clock::time_point> Settling;
    std::vector<TDoneBoard> Done;
    std::size_t NextIndex = 0;
    int StopRequests = 0;
    // Records of boards ended that the store has not taken yet; while it fails, no board starts
    // and the store is tried again now and then.
    std::deque<TBoardRecord> Unkept;
    bool RecordsDown = false;
    std::chrono::steady_clock::time_point NextRecordsTry{};
    std::vector<int> Codes;
    const std::chrono::steady_clock::time_point Start;
};

// What tells one board from another on a port: its identification and its USB serial number.
std::string BoardIdentity(const std::string& Identification, const std::string& UsbSerial);

// velmora-cli station COMMAND …: waits for programmers through udev, taking the USB serial
// ports present at its start first (or works the ports of --port, looking for a programmer on
// each every two seconds) until Ctrl-C. A board that misses one look is not taken for gone:
// two in a row are.
int RunStationCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err);
