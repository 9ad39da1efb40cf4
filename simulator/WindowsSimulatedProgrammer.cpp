// A simulated programmer in this process, behind a virtual serial port: Windows has no
// pseudo-terminal to serve a board on. Another port name chosen during the run opens the
// system's port of that name instead.
#include "common/ResourseStrings.h"
#include "simulator/SimulatedProgrammer.h"
#include "simulator/SimulatorOrSystemPort.h"
#include "simulator/VirtualSerialPort.h"

namespace {

class TInProcessProgrammer : public TSimulatedProgrammer {
public:
    std::string GetPortName() const override { return SSimulatedPortName; }
    std::unique_ptr<ISerialPort> MakePort() override {
        return std::make_unique<TSimulatorOrSystemPort>(
            SSimulatedPortName, std::make_unique<TVirtualSerialPort>(Board), MakeSerialPort());
    }
    void Stop() override {}

private:
    TProgrammerBoard Board;
};

} // namespace

std::unique_ptr<TSimulatedProgrammer> StartSimulatedProgrammer() {
    return std::make_unique<TInProcessProgrammer>();
}
