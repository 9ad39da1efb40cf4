// The programmer's side for the tests that talk to one or load its images: a simulator, the
// frames it exchanges built with its own wire format code (written apart from the program's
// package layer), and image files of pattern pages saved as the program saves an image.
#pragma once

#include "simulator/ProgrammerSimulator.h"

#include <cstdint>
#include <memory>
#include <string>

// A simulator with Options, serving on its own pseudo-terminal (GetPortPath).
std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options = {});

// Options that keep every request and reply for GetRequests and GetReplies.
TSimulatorOptions Recording(TSimulatorOptions Options = {});

// The frame of the package Number, Command, PageNumber, Data.
TByteArray WireFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                     const TByteArray& Data = {});

// Writes PageCount pages PatternPage(0, Seed) .. PatternPage(PageCount - 1, Seed), numbered from
// 0, to FileName in records of 32 bytes, and returns FileName.
std::string WriteImageFile(const std::string& FileName, int PageCount, int Seed = 0);
