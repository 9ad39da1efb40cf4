// The command-line front end: a table of commands, each with its positional parameters and the
// options it accepts, and the dispatch that checks a command line against that table.
#pragma once

#include "common/Exception.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Exit codes of velmora-cli.
inline constexpr int CliSuccess = 0;
inline constexpr int CliFailure = 1;
inline constexpr int CliUsageError = 2;
inline constexpr int CliCompareDifferent = 3; // compare found a page that differs
inline constexpr int CliStopped = 4;          // the user stopped the operation (Ctrl-C)

// One command line after the command name: positional arguments and "--name value" or
// "--name=value" options.
struct TCliArguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options;
    // The words as given, from the command's name on.
    std::vector<std::string> Words;
};

// Options given before the command name; they concern the programmer.
struct TCliGlobalOptions {
    std::string PortName; // empty: the port of the settings file
    // Every --port given; with more than one, the command runs on each of them at once.
    std::vector<std::string> PortNames;
    bool Simulate = false;
    std::optional<std::uint64_t> LogLimit; // nothing: the limit of the settings file
    // --json: one JSON object per line on Out (messages, progress, the result) for any command.
    bool Json = false;
    // --identify: ask the programmer for its identification before the command.
    bool Identify = false;
    // --log FILE: the traffic log's file instead of Velmora.log in the data folder.
    std::string LogFile;
    // --log-append: the log goes on after an existing one instead of starting anew.
    bool LogAppend = false;
    // --records LOCATION: where the boards' records are kept (a database file or a
    // postgresql:// URL); empty: the default of this computer.
    std::string RecordsLocation;
    // The port --port auto took, when it was given.
    std::string AutoPort;
    // When the command line was taken: a command's time counts from here, probing included.
    std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
    // Asked between two pages of an operation; true stops the operation after its current page
    // and the command ends as stopped. Not an option of the command line: the front end makes it
    // from Ctrl-C, a run on several ports gives each port its own. Empty: nothing stops it.
    std::function<bool()> StopRequested;
};

struct TCliCommand {
    std::string Name;
    std::vector<std::string> Parameters; // shown in the usage, one per positional argument
    std::vector<std::string> Options;    // accepted option names, without the leading "--"
    std::string Summary;
    // Results go to Out, notes about the input (a padded raw image) to Err.
    void (*Run)(const TCliArguments& Arguments, std::ostream& Out, std::ostream& Err);
    // Options that take no value ("--verify"); given, they appear in Options with "".
    std::vector<std::string> Flags = {};
    // A command that drives the programmer (Run is null): returns its own exit code.
    int (*RunProgrammer)(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                         std::ostream& Out, std::ostream& Err) = nullptr;
    // Options whose value is optional and comes only after '=' ("--repair" or "--repair=3");
    // given bare, they appear in Options with "".
    std::vector<std::string> OptionalValues = {};
    // A command that drives no programmer but writes its own output, with --json its own
    // objects and result line (Run and RunProgrammer are null): returns its own exit code.
    int (*RunOwnOutput)(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                        std::ostream& Out, std::ostream& Err) = nullptr;
};

// A command line that does not fit the command table.
class ECliUsage : public Exception {
public:
    // Command: the command whose usage line answers the mistake; null for the whole usage.
    explicit ECliUsage(const std::string& Text, const TCliCommand* Command = nullptr)
        : Exception(Text), Command(Command) {}
    const TCliCommand* Command;
};

// Every command velmora-cli knows, in the order the usage lists them.
const std::vector<TCliCommand>& CliCommands();

// Runs the programmer command of Words (its name first, then its arguments as a command line
// gives them) with Global as the options before the name, on Global.PortName alone: what RunCli
// does once it has taken a command line apart. Raises for words that do not fit the table.
int RunProgrammerWords(const std::vector<std::string>& Words, const TCliGlobalOptions& Global,
                       std::ostream& Out, std::ostream& Err);

// Runs one command line (without the program name). Results go to Out; an error's message goes
// to Err. Returns CliSuccess, CliFailure (the command failed) or CliUsageError. "--help" first
// prints the usage, "--version" first the program's name and version.
int RunCli(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err);
