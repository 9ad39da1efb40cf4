// One programmer command run by a velmora-cli of its own on one port, as the runs on several
// ports and the production station start them: the child's command line, the lines of its
// --json output as they come, and what they told (progress, last message, result).
#pragma once

#include "cli/CliCommands.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class TChildProcess;

// A line a child wrote, or (no line) the end of its output; Job tells whose.
struct TArrival {
    std::size_t Job = 0;
    std::optional<std::string> Line;
};

// The lines of every child, in the order they came, for the one thread that handles them.
class TArrivals {
public:
    void Push(TArrival Arrival);
    // Everything that came, after waiting at most Timeout for something to come.
    std::deque<TArrival> Take(std::chrono::milliseconds Timeout);

private:
    std::mutex Mutex;
    std::condition_variable Arrived;
    std::deque<TArrival> Queue;
};

// One port's child and what it has told so far.
class TPortJob {
public:
    using TJson = nlohmann::ordered_json;

    // Starts Program with Arguments; its lines arrive in Arrivals under Index. A child that
    // cannot be started ends at once with Failure saying why.
    TPortJob(std::size_t Index, std::string PortName, const std::string& Program,
             const std::vector<std::string>& Arguments, TArrivals& Arrivals);
    // A child still running is ended: its reader sees the end of the output and stops.
    ~TPortJob();
    TPortJob(const TPortJob&) = delete;
    TPortJob& operator=(const TPortJob&) = delete;

    // Takes in one line of the child; returns its object (not an object for a line that is no
    // JSON object).
    TJson Take(const std::string& Line);
    // The child's output has ended: waits for its exit code.
    void Finish();
    // Hands a Ctrl-C on to the child.
    void Interrupt();

    // "ok", "different", "stopped" or "failed: <why>".
    std::string ResultText() const;
    // The error object of the child's result (its text, and where the failure happened as far
    // as known); null when it has none.
    TJson Error() const;
    // The programmer's identification; "-" when it gave none.
    std::string Identification() const;

    const std::string Port;
    bool Ended = false;
    int ExitCode = CliFailure;
    double Seconds = 0;
    int Percent = -1;
    std::int64_t RemainingSeconds = 0;
    std::string LastMessage;
    // The child's result object, when it wrote one.
    TJson Result;
    // Why the child could not be started.
    std::string Failure;

private:
    void ReadLines(std::size_t Index, TArrivals& Arrivals);

    const std::chrono::steady_clock::time_point Start;
    std::unique_ptr<TChildProcess> Child;
    std::thread Reader;
};

// The text of the error of Result, a child's result object; empty when it has none.
std::string ErrorTextOf(const nlohmann::ordered_json& Result);

// The child's command line for Port: --json, its own port and log (continued with
// Global.LogAppend), the identification asked for first (init asks for nothing else), then the
// command as given with "{port}" replaced by the port's tag and any --port after the command
// left out.
std::vector<std::string> ChildArguments(const std::string& Port, const TCliArguments& Arguments,
                                        const TCliGlobalOptions& Global);

// A port's name as a part of a file name: its device path without "/dev/" (or the leading '/'
// of a path elsewhere), each '/' as '-' and any character other than a letter, digit, '.', '_'
// or '-' as '_' ("/dev/pts/3" gives "pts-3", "COM3" gives "ttyS2").
std::string PortFileTag(const std::string& PortName);

// The traffic log of one port of several: "<name>-<tag>.log" beside LogFile.
std::string PortLogFileName(const std::string& LogFile, const std::string& PortName);
