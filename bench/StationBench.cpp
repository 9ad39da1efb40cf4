// Runs the production station over many simulated boards, plugged in and pulled out through
// the port notices, and prints the station's resident memory as the boards go by: it must stay
// flat however many boards a shift programs. Each board is a write with verification of a small
// image on one of a few simulators; each port's log keeps to a small limit.
// usage: station-bench [--boards N] [--limit SIZE]
#include "cli/Station.h"
#include "records/RecordStores.h"
#include "simulator/ProgrammerSimulator.h"

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

} // namespace

int main(int Argc, char** Argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int Boards = 200;
    std::string Limit = "256K";
    for (int Index = 1; Index + 1 < Argc; Index += 2) {
        const std::string Option = Argv[Index];
        if (Option == "--boards") {
            Boards = std::max(1, std::atoi(Argv[Index + 1]));
        } else if (Option == "--limit") {
            Limit = Argv[Index + 1];
        }
    }
    const std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("station-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    setenv("XDG_DATA_HOME", Folder.c_str(), 1);

    std::vector<std::unique_ptr<TProgrammerSimulator>> Simulators;
    for (int Board = 0; Board < 4; ++Board) {
        Simulators.push_back(std::make_unique<TProgrammerSimulator>());
        Simulators.back()->Start();
    }
    TStationSetup Setup;
    Setup.Job.Words = {"write", WriteImage(Folder, 16), "--verify"};
    Setup.Global.LogAppend = true;
    Setup.Global.LogLimit = static_cast<std::uint64_t>(std::atoll(Limit.c_str())) * 1024;
    Setup.RecordFile = (Folder / "boards.csv").string();
    Setup.Settle = std::chrono::milliseconds(0);
    std::ostringstream Lines;
    std::ostringstream Errors;
    const std::unique_ptr<IRecordStore> Records =
        OpenRecordStore((Folder / "records.sqlite").string());
    TStation Station(Setup, *Records, Lines, Errors);

    const auto Start = std::chrono::steady_clock::now();
    long FirstResident = 0;
    for (int Board = 0; Board < Boards; ++Board) {
        const std::string& Port = Simulators[static_cast<std::size_t>(Board % 4)]->GetPortPath();
        Station.PortArrived(Port);
        while (Station.GetBoardsDone() < static_cast<std::size_t>(Board + 1)) {
            Station.Poll(std::chrono::milliseconds(20));
        }
        Station.PortRemoved(Port);
        // The output an operator's terminal would have shown is not kept here.
        Lines.str("");
        if (Board + 1 == 10) {
            FirstResident = ResidentKiB();
        }
        if ((Board + 1) % 50 == 0 || Board + 1 == Boards) {
            std::printf("%4d boards: resident %ld KiB, logs and record %ju bytes\n", Board + 1,
                        ResidentKiB(), FolderBytes(Folder / "Velmora"));
        }
    }
    Station.RequestStop();
    const int Code = Station.Finish();
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    std::printf("%d boards in %.1f s (%s); resident after 10 boards %ld KiB, after %d %ld KiB\n",
                Boards, Seconds, Lines.str().c_str(), FirstResident, Boards, ResidentKiB());
    Simulators.clear();
    std::filesystem::remove_all(Folder);
    return Code;
}
