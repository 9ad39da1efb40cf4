#include "tests/support/Programmer.h"

#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/MemoryMapObjects.h"
#include "simulator/SimulatorWire.h"
#include "tests/support/TestBytes.h"

// The support's test pages are pages of the simulator.
static_assert(static_cast<std::size_t>(TestPageLength) == SimPageLength);

std::unique_ptr<TProgrammerSimulator> StartSimulator(TSimulatorOptions Options) {
    auto Simulator = std::make_unique<TProgrammerSimulator>(std::move(Options));
    Simulator->Start();
    return Simulator;
}

TSimulatorOptions Recording(TSimulatorOptions Options) {
    Options.RecordTraffic = true;
    return Options;
}

TByteArray WireFrame(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                     const TByteArray& Data) {
    return SimComposeFrame(SimBuildPackage(Number, Command, PageNumber, Data));
}

std::string WriteImageFile(const std::string& FileName, int PageCount, int Seed) {
    auto Map = std::make_shared<TMemoryMap>();
    for (int Page = 0; Page < PageCount; ++Page) {
        Map->AddPage(Page, Page * TestPageLength, PatternPage(Page, Seed));
    }
    std::shared_ptr<IHexFile> File;
    THexFileToMemoryMapConverter().MemoryMapToHex(Map, 32, File);
    File->SaveToFile(FileName);
    return FileName;
}
