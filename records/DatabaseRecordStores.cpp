#include "records/PostgresRecordStore.h"
#include "records/RecordStores.h"
#include "records/SqliteRecordStore.h"

#include "common/ResourseStrings.h"
#include "platform/AppDataFolder.h"

std::unique_ptr<IRecordStore> OpenRecordStore(const std::string& Location) {
    if (IsServerLocation(Location)) {
        return std::make_unique<TPostgresRecordStore>(Location);
    }
    // A CSV name here is the CSV export's option mistaken for this one: a database made under
    // that name would puzzle whoever opens it.
    if (Location.size() >= 4 && Location.compare(Location.size() - 4, 4, ".csv") == 0) {
        throw ERecordsError(FormatText(SRecordsCsvLocation, Location.c_str()));
    }
    return std::make_unique<TSqliteRecordStore>(Location);
}

std::string DefaultRecordsLocation() {
    EnsureFolderExists(GetProgramDataFolder());
    return GetProgramDataFolder() + "/records.sqlite";
}
