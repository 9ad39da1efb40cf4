#include "records/PostgresRecordStore.h"

#include "common/ResourseStrings.h"
#include "platform/HostName.h"

#include <libpq-fe.h>

#include <charconv>
#include <ctime>
#include <regex>

namespace {

// Layout version of the tables below; a database of a later version is not written.
constexpr int SchemaVersion = 1;

// Keys of the advisory locks that let one station at a time make the tables and move the
// serial numbers on.
constexpr const char* TablesLock = "SELECT pg_advisory_xact_lock(52110001)";
constexpr const char* SerialLock = "SELECT pg_advisory_xact_lock(52110002)";

constexpr const char* CreateTablesSql = R"(
CREATE TABLE IF NOT EXISTS velmora_schema (version integer NOT NULL);
CREATE TABLE IF NOT EXISTS velmora_boards (
    id bigserial PRIMARY KEY,
    time text NOT NULL,
    station text NOT NULL,
    port text NOT NULL,
    usb_serial text NOT NULL,
    identification text NOT NULL,
    serial bigint,
    image text NOT NULL,
    sha256 text NOT NULL,
    result text NOT NULL,
    reason text NOT NULL,
    exit_code integer NOT NULL,
    page integer,
    command integer,
    reply integer,
    seconds double precision NOT NULL);
CREATE INDEX IF NOT EXISTS velmora_boards_time ON velmora_boards (time);
CREATE SEQUENCE IF NOT EXISTS velmora_serial_numbers AS bigint MINVALUE 0 START WITH 0;
CREATE TABLE IF NOT EXISTS velmora_serials_taken (
    serial bigint PRIMARY KEY,
    station text NOT NULL,
    time text NOT NULL);
)";

constexpr const char* RecordColumns =
    "time, station, port, usb_serial, identification, serial, image, sha256, result, reason, "
    "exit_code, page, command, reply, seconds";

// A connection string's password is not shown in messages.
std::string WithoutPassword(const std::string& Location) {
    static const std::regex UrlPassword(R"(^(postgres(ql)?://[^:@/]*):[^@/]*@)");
    static const std::regex Keyword(R"(password\s*=\s*('[^']*'|\S*))");
    return std::regex_replace(std::regex_replace(Location, UrlPassword, "$1@"), Keyword,
                              "password=***");
}

// The connection's last error without the line end libpq puts after it.
std::string ErrorText(const pg_conn* Connection) {
    std::string Text = PQerrorMessage(Connection);
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) {
        Text.pop_back();
    }
    return Text;
}

std::string Optional(const std::optional<int>& Value) {
    return Value ? std::to_string(*Value) : std::string();
}

} // namespace

void TPostgresRecordStore::TCloser::operator()(pg_conn* Connection) const {
    PQfinish(Connection);
}

// A query's result, cleared when it goes.
class TPostgresRecordStore::TResult {
public:
    explicit TResult(PGresult* Handle) : Handle(Handle, &PQclear) {}
    ExecStatusType Status() const { return PQresultStatus(Handle.get()); }
    int Rows() const { return PQntuples(Handle.get()); }
    bool IsNull(int Row, int Column) const { return PQgetisnull(Handle.get(), Row, Column) != 0; }
    std::string Text(int Row, int Column) const {
        return std::string(PQgetvalue(Handle.get(), Row, Column),
                           static_cast<std::size_t>(PQgetlength(Handle.get(), Row, Column)));
    }
    std::optional<long long> Number(int Row, int Column) const {
        if (IsNull(Row, Column)) {
            return std::nullopt;
        }
        return std::stoll(Text(Row, Column));
    }

private:
    std::unique_ptr<PGresult, void (*)(PGresult*)> Handle;
};

TPostgresRecordStore::TPostgresRecordStore(const std::string& Given, TRecordsAccess Access)
    : Location(Given), Shown(WithoutPassword(Given)), Access(Access) {
    char* Error = nullptr;
    PQconninfoOption* Options = PQconninfoParse(Given.c_str(), &Error);
    if (Options == nullptr) {
        const std::string Why = Error != nullptr ? Error : "";
        PQfreemem(Error);
        throw ERecordsError(FormatText(SRecordsBadLocation, Shown.c_str(), Why.c_str()));
    }
    PQconninfoFree(Options);
    Connect();
}

TPostgresRecordStore::~TPostgresRecordStore() = default;

bool TPostgresRecordStore::Connect() {
    // A server that does not answer is given up after a few seconds, so that a station
    // looking for its database again is not held long, and a connection whose server went
    // silent (a cable pulled) fails within seconds instead of holding the station; what the
    // location itself sets wins.
    std::vector<const char*> Keywords = {"connect_timeout", "keepalives_idle",
                                         "keepalives_interval", "keepalives_count",
                                         "tcp_user_timeout"};
    std::vector<const char*> Values = {"5", "5", "2", "3", "15000"};
    // A session that only reads is made read-only by the server as well.
    if (Access == TRecordsAccess::Read) {
        Keywords.push_back("options");
        Values.push_back("-c default_transaction_read_only=on");
    }
    // Last, so that what the location sets wins.
    Keywords.insert(Keywords.end(), {"dbname", nullptr});
    Values.insert(Values.end(), {Location.c_str(), nullptr});
    Connection.reset(PQconnectdbParams(Keywords.data(), Values.data(), 1));
    TablesReady = false;
    if (!Connection || PQstatus(Connection.get()) != CONNECTION_OK) {
        Problem = Connection ? ErrorText(Connection.get()) : "out of memory";
        Connection.reset();
        return false;
    }
    PQsetNoticeProcessor(
        Connection.get(), [](void*, const char*) {}, nullptr);
    Problem.clear();
    try {
        if (Access == TRecordsAccess::Read) {
            CheckTables();
        } else {
            PrepareTables();
        }
    } catch (const ERecordsError& Error) {
        if (!Error.Unreachable) {
            throw;
        }
        return false;
    }
    TablesReady = true;
    return true;
}

void TPostgresRecordStore::Reconnect() {
    if (Connection && TablesReady) {
        // A connection that looks fine may have been cut by the server: ask it.
        try {
            Execute("SELECT 1");
            return;
        } catch (const ERecordsError& Error) {
            if (!Error.Unreachable) {
                throw;
            }
        }
    }
    if (!Connect()) {
        throw ERecordsError(FormatText(SRecordsUnreachable, Shown.c_str(), Problem.c_str()), true);
    }
}

void TPostgresRecordStore::EnsureConnected() {
    if (!Connection) {
        throw ERecordsError(FormatText(SRecordsUnreachable, Shown.c_str(), Problem.c_str()), true);
    }
}

TPostgresRecordStore::TResult TPostgresRecordStore::Execute(const std::string& Sql,
                                                            const std::vector<std::string>& Values,
                                                            const std::vector<bool>& Nulls) {
    EnsureConnected();
    std::vector<const char*> Pointers;
    for (std::size_t Index = 0; Index < Values.size(); ++Index) {
        Pointers.push_back(Index < Nulls.size() && Nulls[Index] ? nullptr : Values[Index].c_str());
    }
    // Several statements go in one only without parameters.
    TResult Result(Values.empty() ? PQexec(Connection.get(), Sql.c_str())
                                  : PQexecParams(Connection.get(), Sql.c_str(),
                                                 static_cast<int>(Values.size()), nullptr,
                                                 Pointers.data(), nullptr, nullptr, 0));
    const ExecStatusType Status = Result.Status();
    if (Status == PGRES_COMMAND_OK || Status == PGRES_TUPLES_OK) {
        return Result;
    }
    const std::string Why = ErrorText(Connection.get());
    if (PQstatus(Connection.get()) != CONNECTION_OK) {
        // The server went away: every call fails as unreachable until Reconnect finds it.
        Problem = Why;
        Connection.reset();
        throw ERecordsError(FormatText(SRecordsUnreachable, Shown.c_str(), Why.c_str()), true);
    }
    throw ERecordsError(FormatText(SRecordsServerRefused, Shown.c_str(), Why.c_str()));
}

void TPostgresRecordStore::Transaction(const std::function<void()>& Work) {
    Execute("BEGIN");
    try {
        Work();
        Execute("COMMIT");
    } catch (...) {
        if (Connection) {
            PQclear(PQexec(Connection.get(), "ROLLBACK"));
        }
        throw;
    }
}

void TPostgresRecordStore::PrepareTables() {
    Transaction([this] {
        Execute(TablesLock);
        Execute(CreateTablesSql);
        const TResult Version = Execute("SELECT max(version) FROM velmora_schema");
        const std::optional<long long> Found = Version.Number(0, 0);
        if (!Found) {
            Execute("INSERT INTO velmora_schema (version) VALUES ($1)",
                    {std::to_string(SchemaVersion)});
        } else if (*Found > SchemaVersion) {
            throw ERecordsError(FormatText(SRecordsNewerSchema, Shown.c_str(),
                                           static_cast<int>(*Found), SchemaVersion));
        }
    });
}

void TPostgresRecordStore::CheckTables() {
    const TResult Found = Execute("SELECT to_regclass('velmora_schema') IS NOT NULL AND "
                                  "to_regclass('velmora_boards') IS NOT NULL");
    if (Found.Text(0, 0) != "t") {
        throw ERecordsError(FormatText(SRecordsNoTables, Shown.c_str()));
    }
}

std::uint64_t TPostgresRecordStore::TakeSerialNumber(std::uint64_t First) {
    std::uint64_t Number = 0;
    Transaction([&] {
        // Only one station at a time may move the sequence on to First; nextval itself never
        // gives a number twice.
        Execute(SerialLock);
        const TResult Last = Execute("SELECT last_value + CASE WHEN is_called THEN 1 ELSE 0 END "
                                     "FROM velmora_serial_numbers");
        if (static_cast<std::uint64_t>(Last.Number(0, 0).value_or(0)) < First) {
            Execute("SELECT setval('velmora_serial_numbers', $1, false)", {std::to_string(First)});
        }
        Number = static_cast<std::uint64_t>(
            Execute("SELECT nextval('velmora_serial_numbers')").Number(0, 0).value_or(0));
        // The number is written down with the station that took it: the commit then waits for
        // the disk, which a transaction that only moved a sequence on would not.
        Execute("INSERT INTO velmora_serials_taken (serial, station, time) VALUES ($1, $2, $3)",
                {std::to_string(Number), GetHostName(), UtcTimeText(std::time(nullptr))});
    });
    return Number;
}

void TPostgresRecordStore::Add(const TBoardRecord& Record) {
    // Written and read without the locale's decimal sign.
    char Seconds[64];
    const auto Written = std::to_chars(Seconds, Seconds + sizeof(Seconds) - 1, Record.Seconds,
                                       std::chars_format::fixed, 3);
    *Written.ptr = '\0';
    const std::vector<std::string> Values = {Record.Time,
                                             Record.Station,
                                             Record.Port,
                                             Record.UsbSerial,
                                             Record.Identification,
                                             Record.Serial ? std::to_string(*Record.Serial)
                                                           : std::string(),
                                             Record.Image,
                                             Record.Sha256,
                                             Record.Result,
                                             Record.Reason,
                                             std::to_string(Record.ExitCode),
                                             Optional(Record.Page),
                                             Optional(Record.Command),
                                             Optional(Record.Reply),
                                             Seconds};
    const std::vector<bool> Nulls = {
        false, false, false, false,        false,           !Record.Serial, false, false,
        false, false, false, !Record.Page, !Record.Command, !Record.Reply,  false};
    Execute(std::string("INSERT INTO velmora_boards (") + RecordColumns +
                ") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15)",
            Values, Nulls);
}

std::vector<TBoardRecord> TPostgresRecordStore::Find(const TRecordFilter& Filter) {
    std::string Sql = std::string("SELECT ") + RecordColumns + " FROM velmora_boards WHERE true";
    std::vector<std::string> Values;
    const auto Where = [&](const char* Column, const std::string& Operator,
                           const std::string& Value) {
        if (!Value.empty()) {
            Values.push_back(Value);
            Sql += std::string(" AND ") + Column + " " + Operator + " $" +
                   std::to_string(Values.size());
        }
    };
    Where("time", ">=", Filter.Since);
    Where("image", "=", Filter.Image);
    Where("result", "=", Filter.Result);
    Where("port", "=", Filter.Port);
    Sql += " ORDER BY time, id";
    const TResult Rows = Execute(Sql, Values);
    std::vector<TBoardRecord> Records;
    for (int Row = 0; Row < Rows.Rows(); ++Row) {
        TBoardRecord Record;
        Record.Time = Rows.Text(Row, 0);
        Record.Station = Rows.Text(Row, 1);
        Record.Port = Rows.Text(Row, 2);
        Record.UsbSerial = Rows.Text(Row, 3);
        Record.Identification = Rows.Text(Row, 4);
        if (const auto Serial = Rows.Number(Row, 5)) {
            Record.Serial = static_cast<std::uint64_t>(*Serial);
        }
        Record.Image = Rows.Text(Row, 6);
        Record.Sha256 = Rows.Text(Row, 7);
        Record.Result = Rows.Text(Row, 8);
        Record.Reason = Rows.Text(Row, 9);
        Record.ExitCode = static_cast<int>(Rows.Number(Row, 10).value_or(0));
        for (const auto& [Column, Field] :
             {std::pair{11, &Record.Page}, {12, &Record.Command}, {13, &Record.Reply}}) {
            if (const auto Value = Rows.Number(Row, Column)) {
                *Field = static_cast<int>(*Value);
            }
        }
        const std::string Seconds = Rows.Text(Row, 14);
        std::from_chars(Seconds.data(), Seconds.data() + Seconds.size(), Record.Seconds);
        Records.push_back(std::move(Record));
    }
    return Records;
}
