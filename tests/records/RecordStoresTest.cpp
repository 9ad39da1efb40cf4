// The records stores against the real databases: a SQLite file in a temporary folder, and a
// PostgreSQL server when the tests run under pg_virtualenv (which puts PGHOST and the others in
// the environment); without one the PostgreSQL cases are skipped.
#include "records/RecordStores.h"
#include "tests/support/PostgresTestDatabase.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <thread>

namespace {

// Either kind of store, at a location of its own.
class RecordStores : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (IsPostgres() && !TPostgresTestDatabase::ServerGiven()) {
            GTEST_SKIP() << "no PostgreSQL server (run under pg_virtualenv)";
        }
        if (IsPostgres()) {
            Database = std::make_unique<TPostgresTestDatabase>();
            Location = Database->Location();
        } else {
            Location = Folder.File("records.sqlite");
        }
    }
    bool IsPostgres() const { return std::string(GetParam()) == "postgresql"; }
    std::unique_ptr<IRecordStore> Open() const {
        std::unique_ptr<IRecordStore> Store = OpenRecordStore(Location);
        Store->Reconnect();
        return Store;
    }

    TTempFolder Folder{"velmora-records"};
    std::unique_ptr<TPostgresTestDatabase> Database;
    std::string Location;
};

TBoardRecord Board(const std::string& Time, const std::string& Port, const std::string& Result,
                   const std::string& Image = "image.ldr") {
    TBoardRecord Record;
    Record.Time = Time;
    Record.Station = "bench-1";
    Record.Port = Port;
    Record.UsbSerial = "-";
    Record.Identification = "Плата \\x1B 1";
    Record.Image = Image;
    Record.Sha256 = std::string(64, 'a');
    Record.Result = Result;
    Record.Seconds = 12.25;
    return Record;
}

// The numbers go on where the last station left them, never back, and jump forward when the
// first number asked for is higher.
TEST_P(RecordStores, SerialNumbersAreNeverGivenTwice) {
    {
        const auto Store = Open();
        EXPECT_EQ(Store->TakeSerialNumber(1000), 1000u);
        EXPECT_EQ(Store->TakeSerialNumber(1000), 1001u);
    }
    const auto Again = Open();
    EXPECT_EQ(Again->TakeSerialNumber(1000), 1002u);
    EXPECT_EQ(Again->TakeSerialNumber(5), 1003u);
    EXPECT_EQ(Again->TakeSerialNumber(5000), 5000u);
    EXPECT_EQ(Again->TakeSerialNumber(1), 5001u);
}

// Two stations taking numbers at the same moment, each through its own connection.
TEST_P(RecordStores, TwoStationsAtOnceNeverShareANumber) {
    constexpr int PerStation = 40;
    std::vector<std::uint64_t> Taken[2];
    std::vector<std::thread> Stations;
    for (auto& Numbers : Taken) {
        Stations.emplace_back([this, &Numbers] {
            try {
                const auto Store = Open();
                for (int Count = 0; Count < PerStation; ++Count) {
                    Numbers.push_back(Store->TakeSerialNumber(100));
                }
            } catch (const std::exception& Error) {
                ADD_FAILURE() << Error.what();
            }
        });
    }
    for (std::thread& Station : Stations) {
        Station.join();
    }
    std::set<std::uint64_t> All(Taken[0].begin(), Taken[0].end());
    All.insert(Taken[1].begin(), Taken[1].end());
    EXPECT_EQ(All.size(), 2u * PerStation);
    EXPECT_EQ(*All.begin(), 100u);
    EXPECT_EQ(*All.rbegin(), 100u + 2 * PerStation - 1);
}

TEST_P(RecordStores, RecordsComeBackWholeAndFiltered) {
    TBoardRecord Failed = Board("2026-12-08T10:00:05Z", "/dev/ttyUSB1", "failed", "other.ldr");
    Failed.Reason = "Ошибка работы с контроллером.";
    Failed.ExitCode = 1;
    Failed.Page = 5;
    Failed.Command = 0x20;
    Failed.Reply = 0x23;
    TBoardRecord Good = Board("2026-12-08T09:00:00Z", "/dev/ttyUSB0", "ok");
    Good.Serial = 4294967296ull;
    {
        const auto Store = Open();
        Store->Add(Failed);
        Store->Add(Good);
        Store->Add(Board("2026-12-07T23:59:59Z", "/dev/ttyUSB0", "ok"));
    }
    const auto Store = Open();
    const std::vector<TBoardRecord> All = Store->Find({});
    ASSERT_EQ(All.size(), 3u);
    EXPECT_EQ(All[0].Time, "2026-12-07T23:59:59Z") << "oldest first";
    const TBoardRecord& Back = All[2];
    EXPECT_EQ(Back.Identification, Failed.Identification);
    EXPECT_EQ(Back.Reason, Failed.Reason);
    EXPECT_EQ(Back.Image, "other.ldr");
    EXPECT_EQ(Back.Page, 5);
    EXPECT_EQ(Back.Command, 0x20);
    EXPECT_EQ(Back.Reply, 0x23);
    EXPECT_EQ(Back.ExitCode, 1);
    EXPECT_FALSE(Back.Serial);
    EXPECT_DOUBLE_EQ(Back.Seconds, 12.25);
    EXPECT_EQ(All[1].Serial, 4294967296ull);
    EXPECT_FALSE(All[1].Page);

    const struct {
        TRecordFilter Filter;
        std::size_t Expected;
    } Cases[] = {
        {{"2026-12-08T00:00:00Z", "", "", ""}, 2},
        {{"", "image.ldr", "", ""}, 2},
        {{"", "", "failed", ""}, 1},
        {{"", "", "", "/dev/ttyUSB0"}, 2},
        {{"2026-12-08T00:00:00Z", "image.ldr", "ok", "/dev/ttyUSB0"}, 1},
        {{"", "", "stopped", ""}, 0},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(Store->Find(Case.Filter).size(), Case.Expected)
            << Case.Filter.Since << " " << Case.Filter.Image << " " << Case.Filter.Result;
    }
}

// Reading a store makes nothing: not the store, not its tables; it reads what the stations
// wrote and writes nothing itself.
TEST_P(RecordStores, ReadingMakesNothingAndWritesNothing) {
    EXPECT_THROW(OpenRecordStore(Location, TRecordsAccess::Read), ERecordsError);
    EXPECT_THROW(OpenRecordStore(Location, TRecordsAccess::Read), ERecordsError)
        << "the first reading made something";
    if (!IsPostgres()) {
        EXPECT_FALSE(std::filesystem::exists(Location));
    }
    Open()->Add(Board("2026-12-08T10:00:00Z", "/dev/ttyUSB0", "ok"));
    const auto Reading = OpenRecordStore(Location, TRecordsAccess::Read);
    EXPECT_EQ(Reading->Find({}).size(), 1u);
    EXPECT_THROW(Reading->Add(Board("2026-12-08T11:00:00Z", "/dev/ttyUSB0", "ok")), ERecordsError);
    EXPECT_THROW(Reading->TakeSerialNumber(1), ERecordsError);
    EXPECT_EQ(Open()->TakeSerialNumber(1), 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecordStores, ::testing::Values("sqlite", "postgresql"));

// Only what clearly names a store is taken for one: a server's URL, a database file's name, or
// a file that is a SQLite database whatever its name. A plain word would become a new, empty
// store that gives serial numbers from the start again.
TEST(RecordsLocations, OnlyADatabasesUrlOrFileNamesAStore) {
    const TTempFolder Folder("velmora-locations");
    const std::string Sqlite = Folder.File("boards");
    OpenRecordStore(Folder.File("made.db"))->TakeSerialNumber(1);
    std::filesystem::rename(Folder.File("made.db"), Sqlite);
    const std::string Notes = Folder.File("notes");
    { std::ofstream(Notes) << "SQLite format 2 is not a database\n"; }
    const struct {
        std::string Location;
        bool Taken;
    } Cases[] = {
        {"postgresql://velmora@dbhost/velmora", true},
        {"postgres:///velmora", true},
        {Folder.File("new.sqlite"), true},
        {Folder.File("NEW.DB"), true},
        {Sqlite, true},
        {"garbage", false},
        {"", false},
        {Notes, false},
        {Folder.File("new.sqlite3"), false},
        {Folder.File("boards.csv"), false},
        {"dbname=velmora", false},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(RecordsLocationProblem(Case.Location).empty(), Case.Taken) << Case.Location;
        if (!Case.Taken) {
            EXPECT_THROW(OpenRecordStore(Case.Location), ERecordsError) << Case.Location;
        }
    }
    EXPECT_FALSE(std::filesystem::exists("garbage"));
    EXPECT_NE(RecordsLocationProblem(Folder.File("boards.csv")).find("--record FILE.csv"),
              std::string::npos);
}

TEST(RecordTimes, LocalTimesBecomeTheUtcTheRecordsKeep) {
    EXPECT_EQ(UtcTimeText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcTimeText(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(UtcTimeText(4102444799), "2099-12-31T23:59:59Z");
    const std::time_t Now = std::time(nullptr);
    const struct {
        const char* Text;
        TTimeTextProblem Problem;
    } Bad[] = {
        {"yesterday", TTimeTextProblem::Form},
        {"", TTimeTextProblem::Form},
        {"2026-12-08x", TTimeTextProblem::Form},
        {"2026-12-08 10:00x", TTimeTextProblem::Form},
        {"2026-12-8", TTimeTextProblem::Form},
        {"2026-13-01", TTimeTextProblem::NoSuchTime},
        {"2026-02-29", TTimeTextProblem::NoSuchTime},
        {"2026-04-31", TTimeTextProblem::NoSuchTime},
        {"2100-02-29", TTimeTextProblem::NoSuchTime},
        {"2026-12-08 25:00", TTimeTextProblem::NoSuchTime},
        {"2026-12-08 10:00:60", TTimeTextProblem::NoSuchTime},
    };
    for (const auto& Case : Bad) {
        TTimeTextProblem Problem = Case.Problem == TTimeTextProblem::Form
                                       ? TTimeTextProblem::NoSuchTime
                                       : TTimeTextProblem::Form;
        EXPECT_FALSE(LocalTimeAsUtc(Case.Text, Now, &Problem)) << Case.Text;
        EXPECT_EQ(Problem, Case.Problem) << Case.Text;
    }
    for (const char* Good : {"2024-02-29", "2000-02-29", "2026-12-31 23:59:59"}) {
        EXPECT_TRUE(LocalTimeAsUtc(Good, Now)) << Good;
    }
    // Midnight today, local time, is at most a day before now and not after it.
    const std::optional<std::string> Today = LocalTimeAsUtc("today", Now);
    ASSERT_TRUE(Today);
    EXPECT_LE(*Today, UtcTimeText(Now));
    EXPECT_GT(*Today, UtcTimeText(Now - 86400));
    EXPECT_EQ(LocalTimeAsUtc("2026-12-08", Now), LocalTimeAsUtc("2026-12-08 00:00", Now));
}

} // namespace
