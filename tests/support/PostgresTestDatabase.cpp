#include "tests/support/PostgresTestDatabase.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void Administer(const std::string& Sql) {
    PGconn* Connection = PQconnectdb("dbname=postgres");
    if (PQstatus(Connection) != CONNECTION_OK) {
        ADD_FAILURE() << PQerrorMessage(Connection);
        PQfinish(Connection);
        return;
    }
    PGresult* Result = PQexec(Connection, Sql.c_str());
    EXPECT_TRUE(PQresultStatus(Result) == PGRES_COMMAND_OK ||
                PQresultStatus(Result) == PGRES_TUPLES_OK)
        << Sql << ": " << PQerrorMessage(Connection);
    PQclear(Result);
    PQfinish(Connection);
}

} // namespace

TPostgresTestDatabase::TPostgresTestDatabase() {
    static int Count = 0;
    Name = "velmora_test_" + std::to_string(getpid()) + "_" + std::to_string(++Count);
    Administer("CREATE DATABASE " + Name);
}

TPostgresTestDatabase::~TPostgresTestDatabase() {
    Administer("DROP DATABASE IF EXISTS " + Name + " WITH (FORCE)");
}

bool TPostgresTestDatabase::ServerGiven() {
    return std::getenv("PGHOST") != nullptr && std::getenv("PGVERSION") != nullptr;
}

void TPostgresTestDatabase::TakeAway() const {
    Administer("ALTER DATABASE " + Name + " ALLOW_CONNECTIONS false");
    Administer("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + Name +
               "'");
}

void TPostgresTestDatabase::GiveBack() const {
    Administer("ALTER DATABASE " + Name + " ALLOW_CONNECTIONS true");
}
