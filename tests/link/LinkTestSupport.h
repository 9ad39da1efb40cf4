// What the programmer link tests share: a programmer simulator on a pseudo-terminal and
// expected frames built with the simulator's own wire format code (written apart from the
// package layer). The traffic log and the byte patterns come from the common test support.
#pragma once

#include "simulator/ProgrammerSimulator.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <cstdint>
#include <memory>

// A simulator started on its own pseudo-terminal, recording its traffic: the link tests read
// the requests and replies that crossed the line.
std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options = {});

// The frame of the package Number, Command, PageNumber, Data.
TByteArray ExpectedFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                         const TByteArray& Data = {});
