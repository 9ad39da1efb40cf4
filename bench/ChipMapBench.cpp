// Times the desktop window's full-chip operations against the built-in simulated programmer with
// the chip map shown and with it hidden, in one run, and prints what showing the map costs.
// Rounds alternate between the two so that a machine that slows down or speeds up meanwhile
// weighs on both alike.
// usage: chipmap-bench [--rounds N]    (QT_QPA_PLATFORM=offscreen without a display)
#include "operations/HeadManager.h"
#include "operations/Session.h"
#include "simulator/SimulatedProgrammer.h"
#include "ui/ChipMap.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int ChipBytes = 4096 * 528;

std::string WriteRandomChipImage(const QTemporaryDir& Folder) {
    const std::string Name = Folder.filePath(QStringLiteral("chip.bin")).toStdString();
    std::vector<char> Bytes(ChipBytes);
    std::mt19937 Random(7);
    for (char& Byte : Bytes) {
        Byte = static_cast<char>(Random() & 0xFF);
    }
    std::ofstream(Name, std::ios::binary).write(Bytes.data(), ChipBytes);
    return Name;
}

// Seconds for a full write, a full compare and a full read.
double TimeOperations(TMainForm& Window, TSession& Session, const std::string& Image) {
    Window.Guarded([&] { Session.Head().LoadImageFromFile(Image); });
    const auto Start = TClock::now();
    Window.WriteImageAction->trigger();
    Window.CompareImageAction->trigger();
    Window.ReadAction->trigger();
    return std::chrono::duration<double>(TClock::now() - Start).count();
}

} // namespace

int main(int Argc, char** Argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int Rounds = 2;
    for (int Index = 1; Index + 1 < Argc; ++Index) {
        if (std::string(Argv[Index]) == "--rounds") {
            Rounds = std::max(1, std::atoi(Argv[Index + 1]));
        }
    }
    QTemporaryDir Folder;
    const std::unique_ptr<TSimulatedProgrammer> Simulator = StartSimulatedProgrammer();
    TSessionOptions Options;
    Options.PortName = Simulator->GetPortName();
    Options.ReadSettings = false;
    Options.SettingsFileName = Folder.filePath(QStringLiteral("Settings.ini")).toStdString();
    Options.LogFileName = Folder.filePath(QStringLiteral("Velmora.log")).toStdString();
    TSession Session(Options, Simulator->MakePort());
    QApplication Application(Argc, Argv);
    TMainForm Window(Session);
    Window.resize(900, 800);
    Window.show();
    const std::string Image = WriteRandomChipImage(Folder);

    double Hidden = 0;
    double Shown = 0;
    for (int Round = 0; Round < Rounds; ++Round) {
        for (const bool MapShown : {false, true}) {
            Window.PageControl1->setCurrentWidget(MapShown ? Window.ChipMapTabSheet
                                                           : Window.TabSheet1);
            const double Seconds = TimeOperations(Window, Session, Image);
            (MapShown ? Shown : Hidden) += Seconds;
            std::printf("round %d, map %s: write + compare + read of 4096 pages %.2f s\n",
                        Round + 1, MapShown ? "shown " : "hidden", Seconds);
        }
    }
    std::printf("map shown / hidden: %.3f (%d rounds, %.2f s against %.2f s)\n", Shown / Hidden,
                Rounds, Shown, Hidden);
    return 0;
}
