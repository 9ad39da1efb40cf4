// Times velmora-cli on several programmers at once against the same job on one alone, in one
// run: a full-chip erase and a full-chip write, each on one paced simulator and then on all of
// them, and prints the ratio of the two times and the processor time velmora-cli spent per
// board (the simulators run in this process and are not counted).
// velmora-cli drives each board from a thread of its own. The same jobs then run in one process
// of this program's own (--threads): one bare programmer object per board on a thread of its
// own, without velmora-cli's sessions, JSON lines and display, so what those cost is seen on
// time, processor time and peak memory in the same run.
// usage: parallel-bench [--boards N] [--baud B] [--pages P] [--job erase|write] [--cli-only]
// (--cli-only: velmora-cli alone, without the bare threads)
#include "operations/HeadManager.h"
#include "operations/Programmer.h"
#include "platform/ChildProcess.h"
#include "simulator/ProgrammerSimulator.h"

#include <thread>

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
    double CpuSeconds = 0;       // the program driving the boards, and its children
    double SimulatorSeconds = 0; // this process: the simulators
    long PeakKiB = 0;            // the largest resident size of one of those processes
    int ExitCode = 0;
};

double CpuSeconds(int Who) {
    rusage Usage{};
    getrusage(Who, &Usage);
    const auto Seconds = [](const timeval& Time) { return Time.tv_sec + Time.tv_usec / 1e6; };
    return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

long PeakChildKiB() {
    rusage Usage{};
    getrusage(RUSAGE_CHILDREN, &Usage);
    return Usage.ru_maxrss;
}

TRun RunProgram(const std::string& Program, const std::vector<std::string>& Words) {
    const double CpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const double SimulatorsBefore = CpuSeconds(RUSAGE_SELF);
    const auto Start = TClock::now();
    TChildProcess Cli(Program, Words);
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
    Run.PeakKiB = PeakChildKiB();
    if (Run.ExitCode != 0) {
        std::fprintf(stderr, "%s ended with %d:\n%s\n", Program.c_str(), Run.ExitCode,
                     Output.c_str());
    }
    return Run;
}

// velmora-cli on the ports: a thread per port inside it.
TRun RunCli(const std::vector<std::string>& Ports, const std::vector<std::string>& Job) {
    std::vector<std::string> Words;
    for (const std::string& Port : Ports) {
        Words.insert(Words.end(), {"--port", Port});
    }
    Words.insert(Words.end(), Job.begin(), Job.end());
    return RunProgram(VELMORA_CLI_PATH, Words);
}

// This program again, driving the ports from threads of one process.
TRun RunThreads(const char* Self, const std::vector<std::string>& Ports,
                const std::vector<std::string>& Job) {
    std::vector<std::string> Words = {"--threads"};
    Words.insert(Words.end(), Job.begin(), Job.end());
    Words.insert(Words.end(), Ports.begin(), Ports.end());
    return RunProgram(Self, Words);
}

// One board's job on a programmer of its own, with its own traffic log as velmora-cli keeps.
bool RunBoard(const std::string& Port, const std::string& Job, int Pages,
              const std::string& Image) {
    try {
        std::string LogName = Port.substr(Port.rfind('/') + 1);
        TProgrammer Programmer(Port, nullptr, {"Velmora-" + LogName + ".log"});
        THeadManager& Head = Programmer.Head();
        if (Job == "erase") {
            Head.DeletePages(0, Pages - 1);
        } else {
            Head.LoadImageFromFile(Image);
            Head.WritePages(0, Pages - 1);
        }
        return true;
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "%s: %s\n", Port.c_str(), Error.what());
        return false;
    }
}

// --threads JOB ... PORT...: the job of velmora-cli's words on each port, a thread per port.
int RunThreadsMode(int Argc, char** Argv) {
    const std::string Job = Argv[2];
    const int Pages = std::atoi(Argv[Job == "erase" ? 6 : 7]) + 1;
    const std::string Image = Job == "erase" ? "" : Argv[3];
    std::vector<std::thread> Boards;
    std::vector<char> Done(static_cast<std::size_t>(Argc), 0);
    for (int Index = Job == "erase" ? 7 : 8; Index < Argc; ++Index) {
        Boards.emplace_back([&, Index] { Done[Index] = RunBoard(Argv[Index], Job, Pages, Image); });
    }
    int Failures = 0;
    for (std::size_t Board = 0; Board < Boards.size(); ++Board) {
        Boards[Board].join();
    }
    for (int Index = Job == "erase" ? 7 : 8; Index < Argc; ++Index) {
        Failures += Done[Index] == 0;
    }
    return Failures == 0 ? 0 : 1;
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

void Report(const char* Job, const char* Way, int Boards, const TRun& One, const TRun& All) {
    std::printf("%-6s %-9s one board %7.2f s, %d boards %7.2f s: ratio %.3f; CPU per board "
                "%.3f s alone, %.3f s at once; peak of one process %ld KiB; the simulators "
                "took %.2f cores at once\n",
                Job, Way, One.Seconds, Boards, All.Seconds, All.Seconds / One.Seconds,
                One.CpuSeconds, All.CpuSeconds / Boards, All.PeakKiB,
                All.SimulatorSeconds / All.Seconds);
}

} // namespace

int main(int Argc, char** Argv) {
    if (Argc > 2 && std::string(Argv[1]) == "--threads") {
        return RunThreadsMode(Argc, Argv);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int Boards = 8;
    std::uint32_t Baud = 115200;
    int Pages = 4096;
    std::string OnlyJob;
    bool CliOnly = false;
    for (int Index = 1; Index < Argc; Index += 2) {
        const std::string Option = Argv[Index];
        if (Option == "--cli-only") {
            CliOnly = true;
            --Index;
            continue;
        }
        if (Index + 1 == Argc) {
            break;
        }
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
        Report(Name, "cli", Boards, One, All);
        Failures += (One.ExitCode != 0) + (All.ExitCode != 0);
        if (CliOnly) {
            continue;
        }
        const TRun OneThread = RunThreads(Argv[0], {Ports.front()}, Job);
        const TRun AllThreads = RunThreads(Argv[0], Ports, Job);
        Report(Name, "threads", Boards, OneThread, AllThreads);
        std::printf("%-6s bare threads against velmora-cli, %d boards: time %.3f, CPU %.3f\n", Name,
                    Boards, AllThreads.Seconds / All.Seconds,
                    AllThreads.CpuSeconds / All.CpuSeconds);
        Failures += (OneThread.ExitCode != 0) + (AllThreads.ExitCode != 0);
    }
    Simulators.clear();
    std::filesystem::remove_all(Folder);
    return Failures == 0 ? 0 : 1;
}
