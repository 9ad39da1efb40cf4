// velmora-sim: the programmer simulator as a program of its own.
#include "common/ProductInfo.h"
#include "simulator/SimulatorCommandLine.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Replaces an existing symbolic link, never another kind of file.
bool MakeLink(const std::string& Target, const std::string& LinkPath) {
    struct stat Info {};
    if (lstat(LinkPath.c_str(), &Info) == 0) {
        if (!S_ISLNK(Info.st_mode)) {
            std::cerr << "velmora-sim: " << LinkPath << " exists and is not a symbolic link\n";
            return false;
        }
        unlink(LinkPath.c_str());
    }
    if (symlink(Target.c_str(), LinkPath.c_str()) != 0) {
        std::cerr << "velmora-sim: cannot make link " << LinkPath << ": " << std::strerror(errno)
                  << '\n';
        return false;
    }
    return true;
}

// Waits for SIGINT or SIGTERM, or for the simulator to end by itself (hang-up fault).
void WaitForEnd(const TProgrammerSimulator& Simulator, const sigset_t& Signals) {
    const timespec CheckInterval{0, 200 * 1000 * 1000};
    while (Simulator.IsServing()) {
        if (sigtimedwait(&Signals, nullptr, &CheckInterval) > 0) {
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    TSimulatorCommandLine CommandLine;
    std::string Error;
    if (!ParseSimulatorCommandLine(std::vector<std::string>(argv + 1, argv + argc), CommandLine,
                                   Error)) {
        std::cerr << "velmora-sim: " << Error << "\nTry 'velmora-sim --help'.\n";
        return 2;
    }
    if (CommandLine.ShowHelp) {
        std::cout << SimulatorHelpText();
        return 0;
    }
    if (CommandLine.ShowVersion) {
        std::cout << "velmora-sim " << SProductVersion << '\n';
        return 0;
    }
    if (CommandLine.Verbose) {
        auto TraceLock = std::make_shared<std::mutex>();
        CommandLine.Options.OnTrace = [TraceLock](const std::string& Line) {
            std::lock_guard<std::mutex> Guard(*TraceLock);
            std::cerr << Line << std::endl;
        };
    }

    // Signals are taken synchronously; block them before any thread starts so every thread
    // inherits the mask.
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, nullptr);

    TProgrammerSimulator Simulator(CommandLine.Options);
    std::string PortPath;
    try {
        PortPath = Simulator.Start();
    } catch (const std::exception& Failure) {
        std::cerr << "velmora-sim: " << Failure.what() << '\n';
        return 1;
    }
    const bool Linked = !CommandLine.LinkPath.empty();
    if (Linked && !MakeLink(PortPath, CommandLine.LinkPath)) {
        return 1;
    }
    std::cout << PortPath << std::endl;

    WaitForEnd(Simulator, Signals);
    const bool HungUp = Simulator.HasHungUp();
    Simulator.Stop();
    if (Linked) {
        unlink(CommandLine.LinkPath.c_str());
    }
    const TSimulatorCounters Counters = Simulator.GetCounters();
    std::cerr << "velmora-sim: " << Counters.FramesReceived << " requests, " << Counters.RepliesSent
              << " replies" << (HungUp ? ", hung up" : "") << '\n';
    return 0;
}
