// velmora-cli records: the boards' records of a station or a line, listed, filtered, summed up
// or exported, from a database file or a database server alike.
#pragma once

#include "cli/CliCommands.h"

#include <ostream>

int RunRecordsCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err);
