// The records store a station or a run on several ports writes to, chosen by its location.
#pragma once

#include "records/RecordStore.h"

#include <memory>
#include <string>

// How a store is opened: to record boards and take numbers (made, with its tables, when it is
// not there yet), or only to read what it holds (never made, never changed).
enum class TRecordsAccess { Write, Read };

// True for a location that names a database server (a postgresql:// or postgres:// URL).
bool IsServerLocation(const std::string& Location);
// Why Location names no records store of this build, as a line for the user; empty when it
// does. A typo must not become a new, empty store that gives serial numbers from the start
// again, so only what clearly names a store is taken: a database server's URL or a database
// file (see the build's own rule).
std::string RecordsLocationProblem(const std::string& Location);
// The two tests of a store's file name the builds' rules are made of: whether Location's name
// ends in Extension (".db"), in any case, and whether the file exists and begins with Start.
bool HasExtension(const std::string& Location, const std::string& Extension);
bool FileBeginsWith(const std::string& Location, const std::string& Start);
// The store at Location: a database server, or a database file. Raises ERecordsError for a
// location RecordsLocationProblem refuses, when the store cannot be used at all, and, to read, when
// there is none; a server that does not answer yet gives a store that is unreachable until its
// Reconnect succeeds.
std::unique_ptr<IRecordStore> OpenRecordStore(const std::string& Location,
                                              TRecordsAccess Access = TRecordsAccess::Write);
// The store of this computer when none is named: a file in the program's data folder, which is
// made to write (only).
std::string DefaultRecordsLocation(TRecordsAccess Access = TRecordsAccess::Write);
