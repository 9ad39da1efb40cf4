#include "records/SqliteRecordStore.h"

#include "common/ResourseStrings.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace {

// Layout version of the tables below; a database of a later version is not written.
constexpr int SchemaVersion = 1;

constexpr const char* CreateTablesSql = R"(
CREATE TABLE IF NOT EXISTS velmora_schema (version INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS velmora_boards (
    id INTEGER PRIMARY KEY,
    time TEXT NOT NULL,
    station TEXT NOT NULL,
    port TEXT NOT NULL,
    usb_serial TEXT NOT NULL,
    identification TEXT NOT NULL,
    serial INTEGER,
    image TEXT NOT NULL,
    sha256 TEXT NOT NULL,
    result TEXT NOT NULL,
    reason TEXT NOT NULL,
    exit_code INTEGER NOT NULL,
    page INTEGER,
    command INTEGER,
    reply INTEGER,
    seconds REAL NOT NULL);
CREATE INDEX IF NOT EXISTS velmora_boards_time ON velmora_boards (time);
CREATE TABLE IF NOT EXISTS velmora_serial_counter (next INTEGER NOT NULL);
)";

constexpr const char* RecordColumns =
    "time, station, port, usb_serial, identification, serial, image, sha256, result, reason, "
    "exit_code, page, command, reply, seconds";

} // namespace

void TSqliteRecordStore::TCloser::operator()(sqlite3* Database) const {
    sqlite3_close_v2(Database);
}

// A prepared statement, finalized when it goes.
class TSqliteRecordStore::TStatement {
public:
    TStatement(const TSqliteRecordStore& Store, const std::string& Sql) : Store(Store) {
        if (sqlite3_prepare_v2(Store.Database.get(), Sql.c_str(), -1, &Handle, nullptr) !=
            SQLITE_OK) {
            Store.Fail("prepare");
        }
    }
    ~TStatement() { sqlite3_finalize(Handle); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    void Bind(int Index, const std::string& Text) {
        Check(sqlite3_bind_text(Handle, Index, Text.c_str(), static_cast<int>(Text.size()),
                                SQLITE_TRANSIENT));
    }
    void Bind(int Index, std::int64_t Number) { Check(sqlite3_bind_int64(Handle, Index, Number)); }
    void Bind(int Index, double Number) { Check(sqlite3_bind_double(Handle, Index, Number)); }
    template <typename T> void Bind(int Index, const std::optional<T>& Value) {
        if (Value) {
            Bind(Index, static_cast<std::int64_t>(*Value));
        } else {
            Check(sqlite3_bind_null(Handle, Index));
        }
    }
    // True while a row is there to read.
    bool Step() {
        const int Code = sqlite3_step(Handle);
        if (Code != SQLITE_ROW && Code != SQLITE_DONE) {
            Store.Fail("step");
        }
        return Code == SQLITE_ROW;
    }
    std::string Text(int Column) const {
        const unsigned char* Value = sqlite3_column_text(Handle, Column);
        return Value == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(Value),
                                 static_cast<std::size_t>(sqlite3_column_bytes(Handle, Column)));
    }
    std::optional<std::int64_t> Number(int Column) const {
        if (sqlite3_column_type(Handle, Column) == SQLITE_NULL) {
            return std::nullopt;
        }
        return sqlite3_column_int64(Handle, Column);
    }
    double Real(int Column) const { return sqlite3_column_double(Handle, Column); }

private:
    void Check(int Code) const {
        if (Code != SQLITE_OK) {
            Store.Fail("bind");
        }
    }

    const TSqliteRecordStore& Store;
    sqlite3_stmt* Handle = nullptr;
};

TSqliteRecordStore::TSqliteRecordStore(const std::string& Name, TRecordsAccess Access)
    : FileName(Name) {
    const bool ToWrite = Access == TRecordsAccess::Write;
    // SQLite makes any missing file it is asked to open for reading and writing; the listing of
    // the records makes nothing, so a mistyped name cannot leave an empty database behind.
    std::error_code Error;
    if (!ToWrite && !std::filesystem::exists(std::filesystem::u8path(Name), Error) && !Error) {
        throw ERecordsError(FormatText(SRecordsNoStore, Name.c_str()));
    }
    sqlite3* Opened = nullptr;
    const int Code = sqlite3_open_v2(
        Name.c_str(), &Opened,
        ToWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY, nullptr);
    Database.reset(Opened);
    if (Code != SQLITE_OK) {
        Fail("open");
    }
    // Another program on this computer may hold the write lock for a moment: wait for it.
    sqlite3_busy_timeout(Database.get(), 30000);
    if (!ToWrite) {
        CheckTables();
        return;
    }
    Execute("PRAGMA journal_mode=WAL");
    // In WAL mode only FULL syncs the log at every commit: a record is on the disk before the
    // next board starts.
    Execute("PRAGMA synchronous=FULL");
    CreateTables();
}

TSqliteRecordStore::~TSqliteRecordStore() = default;

void TSqliteRecordStore::Fail(const char* What) const {
    throw ERecordsError(
        FormatText(SRecordsSqliteFailed, FileName.c_str(), What, sqlite3_errmsg(Database.get())));
}

void TSqliteRecordStore::Execute(const char* Sql) {
    if (sqlite3_exec(Database.get(), Sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail("exec");
    }
}

void TSqliteRecordStore::CreateTables() {
    Execute("BEGIN IMMEDIATE");
    try {
        Execute(CreateTablesSql);
        TStatement Version(*this, "SELECT MAX(version) FROM velmora_schema");
        Version.Step();
        const std::optional<std::int64_t> Found = Version.Number(0);
        if (!Found) {
            TStatement Insert(*this, "INSERT INTO velmora_schema (version) VALUES (?)");
            Insert.Bind(1, std::int64_t{SchemaVersion});
            Insert.Step();
        } else if (*Found > SchemaVersion) {
            throw ERecordsError(FormatText(SRecordsNewerSchema, FileName.c_str(),
                                           static_cast<int>(*Found), SchemaVersion));
        }
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(Database.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void TSqliteRecordStore::CheckTables() {
    TStatement Tables(*this, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                             "('velmora_schema', 'velmora_boards')");
    Tables.Step();
    if (Tables.Number(0).value_or(0) != 2) {
        throw ERecordsError(FormatText(SRecordsNoTables, FileName.c_str()));
    }
    TStatement Version(*this, "SELECT MAX(version) FROM velmora_schema");
    Version.Step();
    const std::optional<std::int64_t> Found = Version.Number(0);
    if (Found && *Found > SchemaVersion) {
        throw ERecordsError(FormatText(SRecordsNewerSchema, FileName.c_str(),
                                       static_cast<int>(*Found), SchemaVersion));
    }
}

std::uint64_t TSqliteRecordStore::TakeSerialNumber(std::uint64_t First) {
    constexpr auto Largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    Execute("BEGIN IMMEDIATE");
    try {
        TStatement Read(*this, "SELECT next FROM velmora_serial_counter");
        const bool Stored = Read.Step();
        std::uint64_t Number = std::min(First, Largest - 1);
        if (Stored && Read.Number(0)) {
            Number = std::max(Number, static_cast<std::uint64_t>(*Read.Number(0)));
        }
        TStatement Write(*this, Stored ? "UPDATE velmora_serial_counter SET next = ?"
                                       : "INSERT INTO velmora_serial_counter (next) VALUES (?)");
        Write.Bind(1, static_cast<std::int64_t>(Number + 1));
        Write.Step();
        Execute("COMMIT");
        return Number;
    } catch (...) {
        sqlite3_exec(Database.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void TSqliteRecordStore::Add(const TBoardRecord& Record) {
    TStatement Insert(*this, std::string("INSERT INTO velmora_boards (") + RecordColumns +
                                 ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    Insert.Bind(1, Record.Time);
    Insert.Bind(2, Record.Station);
    Insert.Bind(3, Record.Port);
    Insert.Bind(4, Record.UsbSerial);
    Insert.Bind(5, Record.Identification);
    Insert.Bind(6, Record.Serial);
    Insert.Bind(7, Record.Image);
    Insert.Bind(8, Record.Sha256);
    Insert.Bind(9, Record.Result);
    Insert.Bind(10, Record.Reason);
    Insert.Bind(11, std::int64_t{Record.ExitCode});
    Insert.Bind(12, Record.Page);
    Insert.Bind(13, Record.Command);
    Insert.Bind(14, Record.Reply);
    Insert.Bind(15, Record.Seconds);
    // One statement outside a transaction is a transaction of its own, synced at its end.
    Insert.Step();
}

std::vector<TBoardRecord> TSqliteRecordStore::Find(const TRecordFilter& Filter) {
    std::string Sql = std::string("SELECT ") + RecordColumns + " FROM velmora_boards WHERE 1";
    std::vector<std::string> Values;
    const auto Where = [&](const char* Condition, const std::string& Value) {
        if (!Value.empty()) {
            Sql += Condition;
            Values.push_back(Value);
        }
    };
    Where(" AND time >= ?", Filter.Since);
    Where(" AND image = ?", Filter.Image);
    Where(" AND result = ?", Filter.Result);
    Where(" AND port = ?", Filter.Port);
    Sql += " ORDER BY time, id";
    TStatement Select(*this, Sql);
    for (std::size_t Index = 0; Index < Values.size(); ++Index) {
        Select.Bind(static_cast<int>(Index + 1), Values[Index]);
    }
    std::vector<TBoardRecord> Records;
    while (Select.Step()) {
        TBoardRecord Record;
        Record.Time = Select.Text(0);
        Record.Station = Select.Text(1);
        Record.Port = Select.Text(2);
        Record.UsbSerial = Select.Text(3);
        Record.Identification = Select.Text(4);
        if (const auto Serial = Select.Number(5)) {
            Record.Serial = static_cast<std::uint64_t>(*Serial);
        }
        Record.Image = Select.Text(6);
        Record.Sha256 = Select.Text(7);
        Record.Result = Select.Text(8);
        Record.Reason = Select.Text(9);
        Record.ExitCode = static_cast<int>(Select.Number(10).value_or(0));
        for (const auto& [Column, Field] :
             {std::pair{11, &Record.Page}, {12, &Record.Command}, {13, &Record.Reply}}) {
            if (const auto Value = Select.Number(Column)) {
                *Field = static_cast<int>(*Value);
            }
        }
        Record.Seconds = Select.Real(14);
        Records.push_back(std::move(Record));
    }
    return Records;
}
