#include "records/RecordCsv.h"

#include "common/ResourseStrings.h"

#include <cstdio>

namespace {

// A CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& Text) {
    if (Text.find_first_of(",\"\r\n") == std::string::npos) {
        return Text;
    }
    std::string Quoted = "\"";
    for (const char Character : Text) {
        Quoted += Character == '"' ? "\"\"" : std::string(1, Character);
    }
    return Quoted + "\"";
}

std::string NumberOrDash(const std::optional<int>& Value) {
    return Value ? std::to_string(*Value) : "-";
}

// A code of the programmer as the messages write it: "50h".
std::string CodeOrDash(const std::optional<int>& Value) {
    return Value ? FormatText("%02Xh", *Value) : "-";
}

} // namespace

const char* RecordCsvHeader() {
    return SCliStationRecordHeader;
}

std::string RecordResultText(const TBoardRecord& Record) {
    return Record.Result == SCliPortsFailed && !Record.Reason.empty()
               ? FormatText(SCliPortsFailedWhy, Record.Reason.c_str())
               : Record.Result;
}

std::string RecordCsvLine(const TBoardRecord& Record, const std::string& Time) {
    char Seconds[32];
    std::snprintf(Seconds, sizeof(Seconds), "%.1f", Record.Seconds);
    return CsvField(Time) + "," + CsvField(Record.Port) + "," + CsvField(Record.UsbSerial) + "," +
           CsvField(Record.Identification) + "," +
           (Record.Serial ? std::to_string(*Record.Serial) : "-") + "," + CsvField(Record.Image) +
           "," + Record.Sha256 + "," + CsvField(RecordResultText(Record)) + "," +
           std::to_string(Record.ExitCode) + "," + NumberOrDash(Record.Page) + "," +
           CodeOrDash(Record.Command) + "," + CodeOrDash(Record.Reply) + "," + Seconds + "\n";
}
