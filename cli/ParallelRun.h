// One programmer command on several ports at once. Every port gets a thread of its own in this
// process with a programmer of its own (its own port, link, head manager and traffic log, so a
// board that hangs, fails or is pulled out neither stops nor slows the others), running the
// command as --json would; this thread takes their lines and shows them: a live line per port on
// a terminal, plain lines prefixed with the port otherwise, or the ports' JSON objects with the
// port added. A table of the results ends the run. Each board's record is kept in the records
// store as it ends; with --serial-at (and no --serial) each board first takes its own number
// from the store.
#pragma once

#include "cli/CliCommands.h"

#include <ostream>
#include <string>
#include <vector>

// Runs Arguments' command on every port of Global.PortNames. Returns CliSuccess when it
// succeeded on all, CliStopped when Ctrl-C stopped one and none failed otherwise,
// CliCompareDifferent when the only failures are differences, else CliFailure.
int RunOnSeveralPorts(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err);

// What a programmer on a port answered to the initialise command.
struct TPortAnswer {
    std::string Port;
    bool Answered = false;
    std::string Identification; // "-" when it gave none
    std::string Problem;        // why it did not answer, as the result table tells it
};

// Asks every port of Ports at once for its programmer's identification (a thread each, so the
// time-outs of silent ports run side by side), with the traffic of each in its own log.
std::vector<TPortAnswer> IdentifyProgrammers(const std::vector<std::string>& Ports,
                                             const TCliGlobalOptions& Global);

// Combines the exit codes of the ports as RunOnSeveralPorts returns them.
int CombinedExitCode(const std::vector<int>& Codes);
