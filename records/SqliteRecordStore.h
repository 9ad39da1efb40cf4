// The records of one station in a SQLite database file: each record and each serial number in
// a transaction of its own, in write-ahead-log mode with every commit synced to the disk.
// Several programs on one computer may share the file (they wait for each other's
// transactions).
#pragma once

#include "records/RecordStore.h"
#include "records/RecordStores.h"

#include <memory>

struct sqlite3;

class TSqliteRecordStore : public IRecordStore {
public:
    // Opens the database: to write, creating it and its tables when they do not exist; to read,
    // only a database file with the tables, as it is. Raises ERecordsError.
    TSqliteRecordStore(const std::string& FileName, TRecordsAccess Access);
    ~TSqliteRecordStore() override;
    TSqliteRecordStore(const TSqliteRecordStore&) = delete;
    TSqliteRecordStore& operator=(const TSqliteRecordStore&) = delete;

    std::uint64_t TakeSerialNumber(std::uint64_t First) override;
    void Add(const TBoardRecord& Record) override;
    std::vector<TBoardRecord> Find(const TRecordFilter& Filter) override;
    void Reconnect() override {}
    std::string Describe() const override { return FileName; }

private:
    struct TCloser {
        void operator()(sqlite3* Database) const;
    };
    class TStatement;

    void Execute(const char* Sql);
    void CreateTables();
    void CheckTables();
    [[noreturn]] void Fail(const char* What) const;

    const std::string FileName;
    std::unique_ptr<sqlite3, TCloser> Database;
};
