// Runs the production station over many simulated boards, plugged in and pulled out through
// the port notices, and prints the station's resident memory as the boards go by (it must stay
// flat however many boards a shift programs) and the boards it programs per hour. Each board is
// a write with verification of an image of --pages pages; every port has a simulator (paced at
// --baud, full speed by default) and a new board the moment the last one ends; each port's log
// keeps to --limit KiB.
// usage: station-bench [--boards N] [--ports N] [--pages N] [--baud N] [--limit KIB]
#include "cli/Station.h"
#include "records/RecordStores.h"
#include "simulator/ProgrammerSimulator.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int PageLength = 528;

// The resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream Status("/proc/self/status");
    for (std::string Line; std::getline(Status, Line);) {
        if (Line.rfind("VmRSS:", 0) == 0) {
            return std::atol(Line.c_str() + 6);
        }
    }
    return -1;
}

std::string WriteImage(const std::filesystem::path& Folder, int Pages) {
    const std::string Name = (Folder / "board.bin").string();
    std::string Bytes(static_cast<std::size_t>(Pages) * PageLength, '\0');
    for (std::size_t Index = 0; Index < Bytes.size(); ++Index) {
        Bytes[Index] = static_cast<char>(Index * 7);
    }
    std::ofstream(Name, std::ios::binary) << Bytes;
    return Name;
}

std::uintmax_t FolderBytes(const std::filesystem::path& Folder) {
    std::uintmax_t Total = 0;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
        Total += Entry.is_regular_file() ? Entry.file_size() : 0;
    }
    return Total;
}

// The ports of the boards that ended among the station's JSON lines.
std::vector<std::string> EndedPorts(const std::string& Lines) {
    std::vector<std::string> Ports;
    std::istringstream Stream(Lines);
    for (std::string Line; std::getline(Stream, Line);) {
        const nlohmann::json Object = nlohmann::json::parse(Line, nullptr, false);
        if (Object.is_object() && Object.value("type", "") == "board") {
            Ports.push_back(Object.value("port", ""));
        }
    }
    return Ports;
}

} // namespace

int main(int Argc, char** Argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int Boards = 200;
    int Ports = 4;
    int Pages = 16;
    std::uint32_t Baud = 0;
    std::string Limit = "256";
    for (int Index = 1; Index + 1 < Argc; Index += 2) {
        const std::string Option = Argv[Index];
        const int Value = std::max(1, std::atoi(Argv[Index + 1]));
        if (Option == "--boards") {
            Boards = Value;
        } else if (Option == "--ports") {
            Ports = Value;
        } else if (Option == "--pages") {
            Pages = std::min(Value, 4096);
        } else if (Option == "--baud") {
            Baud = static_cast<std::uint32_t>(Value);
        } else if (Option == "--limit") {
            Limit = Argv[Index + 1];
        }
    }
    const std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("station-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    setenv("XDG_DATA_HOME", Folder.c_str(), 1);

    std::vector<std::unique_ptr<TProgrammerSimulator>> Simulators;
    for (int Port = 0; Port < Ports; ++Port) {
        TSimulatorOptions Options;
        Options.BaudRate = Baud;
        Simulators.push_back(std::make_unique<TProgrammerSimulator>(Options));
        Simulators.back()->Start();
    }
    TStationSetup Setup;
    Setup.Job.Words = {"write", WriteImage(Folder, Pages), "--verify"};
    Setup.Global.Json = true;
    Setup.Global.LogAppend = true;
    Setup.Global.LogLimit = static_cast<std::uint64_t>(std::atoll(Limit.c_str())) * 1024;
    Setup.RecordFile = (Folder / "boards.csv").string();
    Setup.Settle = std::chrono::milliseconds(0);
    std::ostringstream Lines;
    std::ostringstream Errors;
    const std::unique_ptr<IRecordStore> Records =
        OpenRecordStore((Folder / "records.sqlite").string());
    TStation Station(Setup, *Records, Lines, Errors);

    // Every port gets a board at once; a board that ends is pulled out and the next plugged in
    // its place at once, until the boards asked for have all started.
    const auto Start = std::chrono::steady_clock::now();
    int Started = 0;
    for (; Started < std::min(Ports, Boards); ++Started) {
        Station.PortArrived(Simulators[static_cast<std::size_t>(Started)]->GetPortPath());
    }
    long FirstResident = 0;
    int Done = 0;
    while (Done < Boards) {
        Station.Poll(std::chrono::milliseconds(20));
        for (const std::string& Port : EndedPorts(Lines.str())) {
            ++Done;
            if (Done == 10) {
                FirstResident = ResidentKiB();
            }
            if (Done % 50 == 0 || Done == Boards) {
                std::printf("%4d boards: resident %ld KiB, logs and record %ju bytes\n", Done,
                            ResidentKiB(), FolderBytes(Folder / "Velmora"));
            }
            Station.PortRemoved(Port);
            if (Started < Boards) {
                Station.PortArrived(Port);
                ++Started;
            }
        }
        // The output an operator's terminal would have shown is not kept here.
        Lines.str("");
    }
    Station.RequestStop();
    const int Code = Station.Finish();
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    std::printf("%d boards of %d pages (write and verify) on %d ports in %.1f s: %.0f boards per "
                "hour; resident after 10 boards %ld KiB, after %d %ld KiB\n",
                Boards, Pages, Ports, Seconds, Boards * 3600 / Seconds, FirstResident, Boards,
                ResidentKiB());
    Simulators.clear();
    std::filesystem::remove_all(Folder);
    return Code;
}
