// The records store a station or a run on several ports writes to, chosen by its location.
#pragma once

#include "records/RecordStore.h"

#include <memory>
#include <string>

// True for a location that names a database server (a postgresql:// or postgres:// URL).
bool IsServerLocation(const std::string& Location);
// The store at Location: a database server, or a database file. Raises ERecordsError when it
// cannot be used at all; a server that does not answer yet gives a store that is unreachable
// until its Reconnect succeeds.
std::unique_ptr<IRecordStore> OpenRecordStore(const std::string& Location);
// The store of this computer when none is named: a file in the program's data folder.
std::string DefaultRecordsLocation();
