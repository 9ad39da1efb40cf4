// What keeping a board's record costs a station: for each of N boards a serial number taken and
// a record added, each durable before the next, as the station does. Against a database file
// (SQLite, in a temporary folder unless --records names one) or a server (--records
// postgresql://…; under pg_virtualenv, postgresql:///postgres).
//   records-bench [--boards N] [--records LOCATION]
#include "records/RecordStores.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

TBoardRecord BoardRecord(int Board, std::uint64_t Serial) {
    TBoardRecord Record;
    Record.Time = UtcTimeText(std::time(nullptr));
    Record.Station = "bench";
    Record.Port = "/dev/ttyUSB" + std::to_string(Board % 8);
    Record.UsbSerial = "A10" + std::to_string(Board % 8);
    Record.Identification = "Velmora simulator 1.0";
    Record.Serial = Serial;
    Record.Image = "image.ldr";
    Record.Sha256 = std::string(64, 'f');
    Record.Result = "ok";
    Record.Seconds = 205.4;
    return Record;
}

} // namespace

int main(int Argc, char** Argv) {
    int Boards = 1000;
    std::string Location;
    for (int Index = 1; Index + 1 < Argc; Index += 2) {
        const std::string Option = Argv[Index];
        if (Option == "--boards") {
            Boards = std::max(1, std::atoi(Argv[Index + 1]));
        } else if (Option == "--records") {
            Location = Argv[Index + 1];
        }
    }
    std::filesystem::path Folder;
    if (Location.empty()) {
        Folder =
            std::filesystem::temp_directory_path() / ("records-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(Folder);
        Location = (Folder / "records.sqlite").string();
    }
    try {
        const std::unique_ptr<IRecordStore> Records = OpenRecordStore(Location);
        Records->Reconnect();
        const auto Start = std::chrono::steady_clock::now();
        for (int Board = 0; Board < Boards; ++Board) {
            Records->Add(BoardRecord(Board, Records->TakeSerialNumber(1)));
        }
        const double Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        std::printf("%s: %d boards in %.2f s: %.0f boards/s, %.2f ms per board\n",
                    Records->Describe().c_str(), Boards, Seconds, Boards / Seconds,
                    1000 * Seconds / Boards);
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "%s\n", Error.what());
        return 1;
    }
    if (!Folder.empty()) {
        std::filesystem::remove_all(Folder);
    }
    return 0;
}
