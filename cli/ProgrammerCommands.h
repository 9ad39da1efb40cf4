// The velmora-cli commands that drive the programmer: init, write, read, erase and compare,
// each through the head manager as the desktop window does, with its lines on standard output
// and a progress bar on standard error.
#pragma once

#include "cli/CliCommands.h"

#include <ostream>

int RunInitCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                   std::ostream& Out, std::ostream& Err);
int RunWriteCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err);
int RunReadCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                   std::ostream& Out, std::ostream& Err);
int RunEraseCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err);
int RunCompareCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream& Out, std::ostream& Err);
