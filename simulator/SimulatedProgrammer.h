// The programmer that a run with --simulate talks to: a simulated board started for the run
// and the port that leads to it. Each platform brings its own StartSimulatedProgrammer: where
// pseudo-terminals exist the board is served on one and reached through the platform's serial
// port like a real board; elsewhere the port leads to a TVirtualSerialPort in this process
// under the simulator's name and to the platform's serial port under any other. Either way a
// port chosen during the run is the port used, and the simulated board then no longer answers.
#pragma once

#include "serial/SerialPort.h"

#include <memory>
#include <string>

class TSimulatedProgrammer {
public:
    virtual ~TSimulatedProgrammer() = default;
    TSimulatedProgrammer(const TSimulatedProgrammer&) = delete;
    TSimulatedProgrammer& operator=(const TSimulatedProgrammer&) = delete;

    // The name to open the port under (the pseudo-terminal's path, or a name of its own).
    virtual std::string GetPortName() const = 0;
    // A new port, closed, that leads to the simulated board. It must not outlive this object.
    virtual std::unique_ptr<ISerialPort> MakePort() = 0;
    // Ends the simulation: a board served on a pseudo-terminal stops answering (one in this
    // process needs no ending). Safe to repeat.
    virtual void Stop() = 0;

protected:
    TSimulatedProgrammer() = default;
};

// Starts a simulated board with a fresh, erased chip. Raises ESimulatorError when it cannot.
std::unique_ptr<TSimulatedProgrammer> StartSimulatedProgrammer();
