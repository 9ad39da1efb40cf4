// Times velmora-cli on several programmers at once against the same job on one alone, in one
// run: a full-chip erase and a full-chip write, each on one paced simulator and then on all of
// them, and prints the ratio of the two times and the processor time velmora-cli spent per
// board (the simulators run in this process and are not counted).
// usage: parallel-bench [--boards N] [--baud B] [--pages P] [--job erase|write]
#include "platform/ChildProcess.h"
#include "simulator/ProgrammerSimulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int PageLength = 528;

struct TRun {
    double Seconds = 0;
    double CpuSeconds = 0;       // velmora-cli and its children
    double SimulatorSeconds = 0; // this process: the simulators
    int ExitCode = 0;
};

double CpuSeconds(int Who) {
    rusage Usage{};
    getrusage(Who, &Usage);
    const auto Seconds = [](const timeval& Time) { return Time.tv_sec + Time.tv_usec / 1e6; };
    return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

TRun RunCli(const std::vector<std::string>& Ports, const std::vector<std::string>& Job) {
    std::vector<std::string> Words;
    for (const std::string& Port : Ports) {
        Words.insert(Words.end(), {"--port", Port});
    }
    Words.insert(Words.end(), Job.begin(), Job.end());
    const double CpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const double SimulatorsBefore = CpuSeconds(RUSAGE_SELF);
    const auto Start = TClock::now();
    TChildProcess Cli(VELMORA_CLI_PATH, Words);
    std::string Output;
    char Buffer[4096];
    for (std::size_t Count; (Count = Cli.ReadOutput(Buffer, sizeof(Buffer))) > 0;) {
        Output.append(Buffer, Count);
    }
    TRun Run;
    Run.ExitCode = Cli.Wait();
    Run.Seconds = std::chrono::duration<double>(TClock::now() - Start).count();
    Run.CpuSeconds = CpuSeconds(RUSAGE_CHILDREN) - CpuBefore;
    Run.SimulatorSeconds = CpuSeconds(RUSAGE_SELF) - SimulatorsBefore;
    if (Run.ExitCode != 0) {
        std::fprintf(stderr, "velmora-cli ended with %d:\n%s\n", Run.ExitCode, Output.c_str());
    }
    return Run;
}

std::string WriteRandomImage(const std::filesystem::path& Folder, int Pages) {
    const std::string Name = (Folder / "chip.bin").string();
    std::vector<char> Bytes(static_cast<std::size_t>(Pages) * PageLength);
    std::mt19937 Random(11);
    for (char& Byte : Bytes) {
        Byte = static_cast<char>(Random() & 0xFF);
    }
    std::ofstream(Name, std::ios::binary).write(Bytes.data(), static_cast<long>(Bytes.size()));
    return Name;
}

void Report(const char* Job, int Boards, const TRun& One, const TRun& All) {
    std::printf("%-6s one board %7.2f s, %d boards %7.2f s: ratio %.3f; CPU per board %.2f %% of "
                "a core alone, %.2f %% at once; the simulators took %.2f cores at once\n",
                Job, One.Seconds, Boards, All.Seconds, All.Seconds / One.Seconds,
                100.0 * One.CpuSeconds / One.Seconds,
                100.0 * All.CpuSeconds / (Boards * All.Seconds),
                All.SimulatorSeconds / All.Seconds);
}

} // namespace

int main(int Argc, char** Argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int Boards = 8;
    std::uint32_t Baud = 115200;
    int Pages = 4096;
    std::string OnlyJob;
    for (int Index = 1; Index + 1 < Argc; Index += 2) {
        const std::string Option = Argv[Index];
        const int Value = std::atoi(Argv[Index + 1]);
        if (Option == "--boards") {
            Boards = std::max(1, Value);
        } else if (Option == "--baud") {
            Baud = static_cast<std::uint32_t>(std::max(0, Value));
        } else if (Option == "--job") {
            OnlyJob = Argv[Index + 1];
        } else if (Option == "--pages") {
            Pages = std::max(1, std::min(4096, Value));
        }
    }
    const std::filesystem::path Folder =
        std::filesystem::temp_directory_path() / ("parallel-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    setenv("XDG_DATA_HOME", Folder.c_str(), 1);
    const std::string Image = WriteRandomImage(Folder, Pages);

    std::vector<std::unique_ptr<TProgrammerSimulator>> Simulators;
    std::vector<std::string> Ports;
    for (int Board = 0; Board < Boards; ++Board) {
        TSimulatorOptions Options;
        Options.BaudRate = Baud;
        Simulators.push_back(std::make_unique<TProgrammerSimulator>(Options));
        Ports.push_back(Simulators.back()->Start());
    }
    std::printf("%d simulators at %u baud, %d pages\n", Boards, Baud, Pages);
    const std::vector<std::string> Last = {"--first", "0", "--last", std::to_string(Pages - 1)};
    std::vector<std::string> Erase = {"erase"};
    Erase.insert(Erase.end(), Last.begin(), Last.end());
    std::vector<std::string> Write = {"write", Image};
    Write.insert(Write.end(), Last.begin(), Last.end());
    int Failures = 0;
    for (const auto& [Name, Job] : {std::pair{"erase", Erase}, std::pair{"write", Write}}) {
        if (!OnlyJob.empty() && OnlyJob != Name) {
            continue;
        }
        const TRun One = RunCli({Ports.front()}, Job);
        const TRun All = RunCli(Ports, Job);
        Failures += (One.ExitCode != 0) + (All.ExitCode != 0);
        Report(Name, Boards, One, All);
    }
    Simulators.clear();
    std::filesystem::remove_all(Folder);
    return Failures == 0 ? 0 : 1;
}
