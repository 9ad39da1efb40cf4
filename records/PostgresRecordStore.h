// The records of a whole line in a PostgreSQL database shared by its stations, and its serial
// numbers from one sequence of that database, so that no two stations ever give the same
// number. The tables are made on first use and carry their layout's version. When the
// connection is lost, each call raises ERecordsError marked unreachable until Reconnect finds
// the server again.
#pragma once

#include "records/RecordStore.h"
#include "records/RecordStores.h"

#include <functional>
#include <memory>

struct pg_conn;

class TPostgresRecordStore : public IRecordStore {
public:
    // Location: a postgresql:// URL or a libpq connection string. Raises ERecordsError for a
    // location that is no connection string (not marked unreachable); a server that does not
    // answer leaves the store unreachable until Reconnect succeeds. To write, the tables are
    // made when they are not there; to read, they must be, and the session only reads.
    TPostgresRecordStore(const std::string& Location, TRecordsAccess Access);
    ~TPostgresRecordStore() override;
    TPostgresRecordStore(const TPostgresRecordStore&) = delete;
    TPostgresRecordStore& operator=(const TPostgresRecordStore&) = delete;

    std::uint64_t TakeSerialNumber(std::uint64_t First) override;
    void Add(const TBoardRecord& Record) override;
    std::vector<TBoardRecord> Find(const TRecordFilter& Filter) override;
    void Reconnect() override;
    std::string Describe() const override { return Shown; }

private:
    struct TCloser {
        void operator()(pg_conn* Connection) const;
    };
    class TResult;

    bool Connect();
    void PrepareTables();
    void CheckTables();
    void EnsureConnected();
    TResult Execute(const std::string& Sql, const std::vector<std::string>& Values = {},
                    const std::vector<bool>& Nulls = {});
    void Transaction(const std::function<void()>& Work);

    const std::string Location;
    const std::string Shown;
    const TRecordsAccess Access;
    std::unique_ptr<pg_conn, TCloser> Connection;
    bool TablesReady = false;
    std::string Problem;
};
