// The port of a run with --simulate whose simulated board lives in the program (Windows): under
// the simulator's name it leads to that board, under any other name to the system's serial port
// of that name. So a port typed in the port dialog is the port used, and the simulated board no
// longer answers, as where the board is served on a pseudo-terminal that is one device among
// others.
#pragma once

#include "serial/SerialPortBase.h"

#include <memory>
#include <string>

class TSimulatorOrSystemPort : public TSerialPortBase {
public:
    // Opens SimulatorName on Simulator and every other name on System; both closed, owned.
    TSimulatorOrSystemPort(std::string SimulatorName, std::unique_ptr<ISerialPort> Simulator,
                           std::unique_ptr<ISerialPort> System);
    ~TSimulatorOrSystemPort() override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    std::uint32_t ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                std::uint32_t TimeoutMs) override;
    void PauseReading(std::chrono::microseconds Duration) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

private:
    // The chosen port is opened and closed as a whole; this port's bookkeeping only tells its
    // users when they may reach it.
    TCommOpenResult OpenDevice(const std::string& Name, const std::string& Path) override;
    void SignalClosing(bool Closing) override;
    void CloseDevice() override;
    // Both ports keep the reader's interrupt, so that the one chosen next has it too.
    void SignalReaderInterrupt(bool Interrupted) override;

    const std::string SimulatorName;
    const std::unique_ptr<ISerialPort> Simulator;
    const std::unique_ptr<ISerialPort> System;
    // The port chosen by the last open; set only while this port is closed, read by its users
    // while it is open (under a TDeviceUse).
    ISerialPort* Chosen = nullptr;
};
