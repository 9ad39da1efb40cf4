// A PostgreSQL database of a test's own on the server pg_virtualenv starts for the test run
// (its PGHOST, PGPORT, PGUSER and PGPASSWORD are in the environment), dropped at the end. It can
// be taken away and given back, as a line's database goes and comes back: its connections cut
// as a server's shutdown cuts them, and new ones refused. The server itself stays up, for the
// other tests that run at the same time.
#pragma once

#include <string>

class TPostgresTestDatabase {
public:
    TPostgresTestDatabase();
    ~TPostgresTestDatabase();
    TPostgresTestDatabase(const TPostgresTestDatabase&) = delete;
    TPostgresTestDatabase& operator=(const TPostgresTestDatabase&) = delete;

    // The database as a records location.
    std::string Location() const { return "postgresql:///" + Name; }

    // True when the tests run with a server (under pg_virtualenv).
    static bool ServerGiven();
    void TakeAway() const;
    void GiveBack() const;

private:
    std::string Name;
};
