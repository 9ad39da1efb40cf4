#include "records/PostgresRecordStore.h"
#include "records/RecordStores.h"
#include "records/SqliteRecordStore.h"

#include "common/ResourseStrings.h"
#include "platform/AppDataFolder.h"

namespace {

// The first bytes of every SQLite database file.
const std::string SqliteHeader("SQLite format 3\0", 16);

} // namespace

std::string RecordsLocationProblem(const std::string& Location) {
    if (IsServerLocation(Location) || HasExtension(Location, ".sqlite") ||
        HasExtension(Location, ".db") || FileBeginsWith(Location, SqliteHeader)) {
        return "";
    }
    // A CSV name here is the CSV export's option mistaken for this one.
    if (HasExtension(Location, ".csv")) {
        return FormatText(SRecordsCsvLocation, Location.c_str());
    }
    return FormatText(SRecordsNotALocation, Location.c_str());
}

std::unique_ptr<IRecordStore> OpenRecordStore(const std::string& Location, TRecordsAccess Access) {
    const std::string Problem = RecordsLocationProblem(Location);
    if (!Problem.empty()) {
        throw ERecordsError(Problem);
    }
    if (IsServerLocation(Location)) {
        return std::make_unique<TPostgresRecordStore>(Location, Access);
    }
    return std::make_unique<TSqliteRecordStore>(Location, Access);
}

std::string DefaultRecordsLocation(TRecordsAccess Access) {
    if (Access == TRecordsAccess::Write) {
        EnsureFolderExists(GetProgramDataFolder());
    }
    return GetProgramDataFolder() + "/records.sqlite";
}
