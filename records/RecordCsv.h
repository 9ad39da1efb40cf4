// Board records as CSV lines: the station's export and the records listing's --csv.
#pragma once

#include "records/BoardRecord.h"

#include <string>

// The header line, with its line end.
const char* RecordCsvHeader();
// A record's line, with its line end; Time is written in its place (the station writes its
// local time there, as a shift reads it).
std::string RecordCsvLine(const TBoardRecord& Record, const std::string& Time);
// The result as a line of text says it: "failed: why" for a failure whose reason is known.
std::string RecordResultText(const TBoardRecord& Record);
