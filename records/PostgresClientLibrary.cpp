// The PostgreSQL client library, loaded when one of its functions is first called instead of
// when the program starts. Loading it with the libraries it brings along (TLS, Kerberos, LDAP,
// about twenty) took some 10 ms of processor time at every start of velmora-cli, more than a
// whole full-chip image conversion, while only a store on a PostgreSQL server calls it.
//
// Each function below has the name and the declaration of the library's own (the compiler
// checks them against its header) and calls the library's. A library that cannot be loaded
// raises ERecordsError from the first call, which is the store's own first step.
#include "common/ResourseStrings.h"
#include "records/BoardRecord.h"

#include <libpq-fe.h>

#include <cstring>
#include <dlfcn.h>
#include <string>

namespace {

// The library's name with its interface version, as the dynamic linker would have looked for it.
constexpr const char* LibraryName = "libpq.so.5";

struct TLibrary {
    void* Handle = nullptr;
    std::string Error;
};

const TLibrary& Library() {
    static const TLibrary Loaded = [] {
        TLibrary Library;
        Library.Handle = ::dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
        if (Library.Handle == nullptr) {
            const char* Error = ::dlerror();
            Library.Error = Error != nullptr ? Error : "";
        }
        return Library;
    }();
    return Loaded;
}

[[noreturn]] void RaiseCannotLoad(const std::string& Why) {
    throw ERecordsError(FormatText(SRecordsNoClientLibrary, LibraryName, Why.c_str()));
}

// The library's function Name, of the type of the declaration TFunction.
template <typename TFunction> TFunction* Find(const char* Name) {
    const TLibrary& Loaded = Library();
    if (Loaded.Handle == nullptr) {
        RaiseCannotLoad(Loaded.Error);
    }
    void* Address = ::dlsym(Loaded.Handle, Name);
    if (Address == nullptr) {
        RaiseCannotLoad(Name);
    }
    TFunction* Function = nullptr;
    std::memcpy(&Function, &Address, sizeof Function);
    return Function;
}

} // namespace

// Each looks its function up once; a lookup that fails is tried again at the next call.
#define VELMORA_LIBPQ(Name) static auto* const Real = Find<decltype(::Name)>(#Name)

extern "C" {

PQconninfoOption* PQconninfoParse(const char* ConnectionInfo, char** Error) {
    VELMORA_LIBPQ(PQconninfoParse);
    return Real(ConnectionInfo, Error);
}

void PQconninfoFree(PQconninfoOption* Options) {
    VELMORA_LIBPQ(PQconninfoFree);
    Real(Options);
}

void PQfreemem(void* Memory) {
    VELMORA_LIBPQ(PQfreemem);
    Real(Memory);
}

PGconn* PQconnectdbParams(const char* const* Keywords, const char* const* Values,
                          int ExpandDatabaseName) {
    VELMORA_LIBPQ(PQconnectdbParams);
    return Real(Keywords, Values, ExpandDatabaseName);
}

ConnStatusType PQstatus(const PGconn* Connection) {
    VELMORA_LIBPQ(PQstatus);
    return Real(Connection);
}

char* PQerrorMessage(const PGconn* Connection) {
    VELMORA_LIBPQ(PQerrorMessage);
    return Real(Connection);
}

void PQfinish(PGconn* Connection) {
    VELMORA_LIBPQ(PQfinish);
    Real(Connection);
}

PQnoticeProcessor PQsetNoticeProcessor(PGconn* Connection, PQnoticeProcessor Processor,
                                       void* Argument) {
    VELMORA_LIBPQ(PQsetNoticeProcessor);
    return Real(Connection, Processor, Argument);
}

PGresult* PQexec(PGconn* Connection, const char* Query) {
    VELMORA_LIBPQ(PQexec);
    return Real(Connection, Query);
}

PGresult* PQexecParams(PGconn* Connection, const char* Command, int ParameterCount,
                       const Oid* ParameterTypes, const char* const* ParameterValues,
                       const int* ParameterLengths, const int* ParameterFormats, int ResultFormat) {
    VELMORA_LIBPQ(PQexecParams);
    return Real(Connection, Command, ParameterCount, ParameterTypes, ParameterValues,
                ParameterLengths, ParameterFormats, ResultFormat);
}

ExecStatusType PQresultStatus(const PGresult* Result) {
    VELMORA_LIBPQ(PQresultStatus);
    return Real(Result);
}

int PQntuples(const PGresult* Result) {
    VELMORA_LIBPQ(PQntuples);
    return Real(Result);
}

int PQgetisnull(const PGresult* Result, int Row, int Column) {
    VELMORA_LIBPQ(PQgetisnull);
    return Real(Result, Row, Column);
}

char* PQgetvalue(const PGresult* Result, int Row, int Column) {
    VELMORA_LIBPQ(PQgetvalue);
    return Real(Result, Row, Column);
}

int PQgetlength(const PGresult* Result, int Row, int Column) {
    VELMORA_LIBPQ(PQgetlength);
    return Real(Result, Row, Column);
}

void PQclear(PGresult* Result) {
    VELMORA_LIBPQ(PQclear);
    Real(Result);
}

} // extern "C"
