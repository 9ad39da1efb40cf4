// A board's record made from the job that ran on it, and where the records of a run are kept.
#pragma once

#include "cli/CliCommands.h"
#include "cli/PortJob.h"
#include "records/RecordStore.h"
#include "records/RecordStores.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The USB serial number of the device behind Port; "-" when it has none or is no USB device.
std::string UsbSerialOf(const std::string& Port);

// The record of the board Job ran on, ended now. Text that came from the board is kept with its
// control characters escaped, as it is shown.
TBoardRecord BoardRecordOf(const TPortJob& Job, const std::string& UsbSerial,
                           const std::optional<std::uint64_t>& Serial);

// The records store of a run: Location, else the default of this computer; to read, only a
// store that is there. Raises ERecordsError.
std::unique_ptr<IRecordStore> OpenRunRecords(const std::string& Location,
                                             TRecordsAccess Access = TRecordsAccess::Write);
