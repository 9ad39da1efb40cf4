// One programmer board on one port: the traffic log of that port and the head manager, with the
// whole link (protocol, device and connection managers, the port's threads) below it. Each part
// records into this programmer's own log, so several programmers can work in one process side
// by side.
#pragma once

#include "logging/LogManager.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <memory>
#include <string>

class THeadManager;

struct TProgrammerLog {
    std::string FileName;
    std::uint64_t Limit = DefaultLogLimit;
    // Go on after an existing log instead of starting it anew (see TLogManager).
    bool Continue = false;
};

class TProgrammer {
public:
    // Starts the log (byte records in hexadecimal), then opens PortName on Port (null: the
    // platform's serial port) under the head manager. What fails on the way is released again
    // before the error goes on.
    TProgrammer(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                const TProgrammerLog& LogFile);
    // The head manager (and with it the port) goes before the log it records into.
    ~TProgrammer();
    TProgrammer(const TProgrammer&) = delete;
    TProgrammer& operator=(const TProgrammer&) = delete;

    THeadManager& Head() { return *HeadManager; }
    const THeadManager& Head() const { return *HeadManager; }
    TLogManager& Log() { return *LogManager; }
    const TLogManager& Log() const { return *LogManager; }

private:
    std::unique_ptr<TLogManager> LogManager;
    std::unique_ptr<THeadManager> HeadManager;
};
