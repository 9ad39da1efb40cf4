// Where the boards' records are kept, and the serial numbers of a line are taken from. Every
// call is durable when it returns: a record added, or a number taken, survives a crash of the
// program or the computer the moment after.
#pragma once

#include "records/BoardRecord.h"

#include <cstdint>
#include <string>
#include <vector>

class IRecordStore {
public:
    virtual ~IRecordStore() = default;

    // The next serial number, never given before by this store: at least First (a higher
    // First moves the numbers on; a lower one never moves them back). Raises ERecordsError.
    virtual std::uint64_t TakeSerialNumber(std::uint64_t First) = 0;
    // Adds one board's record in a transaction of its own. Raises ERecordsError.
    virtual void Add(const TBoardRecord& Record) = 0;
    // The records Filter asks for, oldest first. Raises ERecordsError.
    virtual std::vector<TBoardRecord> Find(const TRecordFilter& Filter) = 0;
    // Makes sure the store can be used: a store on a server whose connection was lost connects
    // again. Raises ERecordsError (marked unreachable when the server does not answer).
    virtual void Reconnect() = 0;
    // The store as the user named it, for messages (a server's password left out).
    virtual std::string Describe() const = 0;
};
