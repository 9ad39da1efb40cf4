// One programmer command run on one port on a thread of this process, as the runs on several
// ports and the production station start them: the command writes its --json lines into memory,
// and its job keeps what they told (progress, last message, result) for the one thread that shows
// them. The job's command has a programmer of its own on its port, its own traffic log and its
// own stop request; it installs nothing process-wide.
#pragma once

#include "cli/CliCommands.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A line a job's command wrote, or (no line) the end of the command; Job tells whose.
struct TArrival {
    std::size_t Job = 0;
    std::optional<std::string> Line;
};

// The lines of every job, in the order they came, for the one thread that handles them.
class TArrivals {
public:
    void Push(TArrival Arrival);
    // Queues Arrival without waking the thread: it is taken with whatever comes next, or when
    // that thread's wait runs out.
    void Leave(TArrival Arrival);
    // Everything that came, after waiting at most Timeout for something to come.
    std::deque<TArrival> Take(std::chrono::milliseconds Timeout);

private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::deque<TArrival> Queue;
};

// What the job on one port runs: the words of the command (its name first) and the options a
// command line would give before the name for that port alone.
struct TPortCommand {
    std::vector<std::string> Words;
    TCliGlobalOptions Global;
};

// One port's command on its thread, and what it has told so far.
class TPortJob {
public:
    using TJson = nlohmann::ordered_json;

    // Starts Command on a thread of its own; its lines arrive in Arrivals under Index, followed
    // by the end of its output once it has returned.
    TPortJob(std::size_t Index, std::string PortName, TPortCommand Command, TArrivals& Arrivals);
    // A command still running is asked to stop and waited for.
    ~TPortJob();
    TPortJob(const TPortJob&) = delete;
    TPortJob& operator=(const TPortJob&) = delete;

    // Takes in one line of the command; returns its object (not an object for a line that is no
    // JSON object).
    TJson Take(const std::string& Line);
    // The command's output has ended: waits for its thread and takes its exit code.
    void Finish();
    // Asks the command to stop after its current page; asking again changes nothing.
    void Interrupt();

    // "ok", "different", "stopped" or "failed: <why>".
    std::string ResultText() const;
    // The error object of the command's result (its text, and where the failure happened as far
    // as known); null when it has none.
    TJson Error() const;
    // The programmer's identification as the command's result gives it (control characters and
    // bytes that are not UTF-8 as \xHH); "-" when it gave none.
    std::string Identification() const;

    const std::string Port;
    bool Ended = false;
    int ExitCode = CliFailure;
    double Seconds = 0;
    int Percent = -1;
    std::int64_t RemainingSeconds = 0;
    std::string LastMessage;
    // The command's result object, when it wrote one.
    TJson Result;
    // Why the command could not run at all (what it raised instead of writing its result).
    std::string Failure;

private:
    void Run(std::size_t Index, const TPortCommand& Command, TArrivals& Arrivals);

    const std::chrono::steady_clock::time_point Start;
    std::atomic<bool> StopRequested{false};
    // Written by the job's thread, read once it has been joined.
    int Code = CliFailure;
    std::string Raised;
    // Last: started once everything it uses is there.
    std::thread Worker;
};

// The text of the error of Result, a command's result object; empty when it has none.
std::string ErrorTextOf(const nlohmann::ordered_json& Result);

// The command of Arguments for the job on Port: --json, the port and a traffic log of its own
// (continued with Global.LogAppend), the identification asked for first (init asks for nothing
// else), the log limit of the settings file unless Global gives one, and the command's words
// with "{port}" replaced by the port's tag and any --port after its name left out.
TPortCommand PortCommand(const std::string& Port, const TCliArguments& Arguments,
                         const TCliGlobalOptions& Global);

// A port's name as a part of a file name: its device path as given (a symbolic link stays the
// link's name) without "/dev/" (or the leading '/' of a path elsewhere), each '/' as '-' and any
// character other than a letter, digit, '.', '_' or '-' as '_' ("/dev/pts/3" gives "pts-3", "COM3"
// gives "ttyS2").
std::string PortFileTag(const std::string& PortName);

// The traffic log of one port of several: "<name>-<tag>.log" beside LogFile.
std::string PortLogFileName(const std::string& LogFile, const std::string& PortName);
