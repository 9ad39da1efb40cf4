// What the programmer link tests share: a traffic log in a temporary file installed as the
// process-wide log, a programmer simulator on a pseudo-terminal, and expected frames built
// with the simulator's own wire format code (written apart from the package layer).
#pragma once

#include "logging/LogManager.h"
#include "simulator/ProgrammerSimulator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TLinkTestLog {
public:
    TLinkTestLog();
    ~TLinkTestLog();
    TLinkTestLog(const TLinkTestLog&) = delete;
    TLinkTestLog& operator=(const TLinkTestLog&) = delete;

    // The texts of the records written so far, without number and time stamp; a record that
    // spans several lines is one element.
    std::vector<std::string> Texts() const;
    bool Contains(const std::string& Text) const;
    // True when the records hold Expected in this order (other records may lie between);
    // an expected text ending in "*" matches any record that starts with what precedes it.
    bool ContainsInOrder(const std::vector<std::string>& Expected) const;

private:
    std::string Folder;
    std::unique_ptr<TLogManager> Log;
};

// A simulator started on its own pseudo-terminal.
std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options = {});

// The frame of the package Number, Command, PageNumber, Data.
TByteArray ExpectedFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                         const TByteArray& Data = {});

// A page holding every byte value, the marker bytes 0xAA and 0x55 among them.
TByteArray PagePattern(std::uint8_t Seed);

// Bytes from hexadecimal pairs separated by blanks: "AA 01 55".
TByteArray Hex(const std::string& Text);
