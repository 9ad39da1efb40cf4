// What velmora-cli says about itself: the usage of every command within 80 columns with the
// exit codes, one command's usage with a line for each of its options, and the known name
// nearest to a mistyped one.
#pragma once

#include "cli/CliCommands.h"

#include <ostream>
#include <string>
#include <vector>

// Command's parameters and options as its usage shows them ("FILE [--first VALUE] ...").
std::string CommandParameters(const TCliCommand& Command);
// The call of Command: its name, its parameters and its options.
std::string CommandCall(const TCliCommand& Command);
// The usage: a header, a line per command, the options before a command and the exit codes.
void WriteCliUsage(std::ostream& Stream);
// The one usage line of Command.
void WriteCommandUsage(std::ostream& Stream, const TCliCommand& Command);
// Command's usage, what it does and a line for each of its options.
void WriteCommandHelp(std::ostream& Stream, const TCliCommand& Command);
// The word of Known nearest to Given when it is near enough to be what was meant (at most a
// third of its letters wrong, one at least); empty otherwise.
std::string NearestWord(const std::string& Given, const std::vector<std::string>& Known);
