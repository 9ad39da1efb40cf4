// A simulated programmer on a pseudo-terminal, reached through the platform's serial port.
#include "simulator/ProgrammerSimulator.h"
#include "simulator/SimulatedProgrammer.h"

namespace {

class TTerminalProgrammer : public TSimulatedProgrammer {
public:
    TTerminalProgrammer() : PortName(Simulator.Start()) {}
    ~TTerminalProgrammer() override { Stop(); }

    std::string GetPortName() const override { return PortName; }
    std::unique_ptr<ISerialPort> MakePort() override { return MakeSerialPort(); }
    void Stop() override { Simulator.Stop(); }

private:
    TProgrammerSimulator Simulator;
    std::string PortName;
};

} // namespace

std::unique_ptr<TSimulatedProgrammer> StartSimulatedProgrammer() {
    return std::make_unique<TTerminalProgrammer>();
}
