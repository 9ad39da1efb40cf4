// Command line of the velmora-sim executable.
#pragma once

#include "simulator/ProgrammerSimulator.h"

#include <string>
#include <vector>

struct TSimulatorCommandLine {
    TSimulatorOptions Options;
    std::string LinkPath; // symbolic link made to the port, empty for none
    bool Verbose = false; // one line per request and reply on standard error
    bool ShowHelp = false;
    bool ShowVersion = false; // --version: the program's name and version
};

// Parses the arguments (without the program name). Returns false and sets Error for an
// unknown flag, a missing or malformed value.
bool ParseSimulatorCommandLine(const std::vector<std::string>& Arguments,
                               TSimulatorCommandLine& CommandLine, std::string& Error);

const char* SimulatorHelpText();
