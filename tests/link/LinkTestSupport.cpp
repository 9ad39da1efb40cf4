#include "tests/link/LinkTestSupport.h"

#include "simulator/SimulatorWire.h"

// The support's test pages are pages of the simulator.
static_assert(static_cast<std::size_t>(TestPageLength) == SimPageLength);

std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options) {
    Options.RecordTraffic = true;
    auto Simulator = std::make_unique<TProgrammerSimulator>(std::move(Options));
    Simulator->Start();
    return Simulator;
}

TByteArray ExpectedFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                         const TByteArray& Data) {
    return SimComposeFrame(SimBuildPackage(Number, Command, PageNumber, Data));
}
