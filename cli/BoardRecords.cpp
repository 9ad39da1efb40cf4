#include "cli/BoardRecords.h"

#include "common/ResourseStrings.h"
#include "operations/TextEncoding.h"
#include "platform/HostName.h"
#include "records/RecordStores.h"
#include "serial/PortDiscovery.h"
#include "serial/PortNames.h"

#include <ctime>

namespace {

// A field of the board's result: its text, "-" when the command did not give it.
std::string ResultText(const TPortJob::TJson& Result, const char* Name) {
    if (!Result.is_object() || !Result.contains(Name) || Result[Name].is_null()) {
        return "-";
    }
    return Result[Name].is_string() ? Result[Name].get<std::string>() : Result[Name].dump();
}

std::optional<int> ErrorNumber(const TPortJob::TJson& Error, const char* Name) {
    if (Error.is_object() && Error.contains(Name) && Error[Name].is_number_integer()) {
        return Error[Name].get<int>();
    }
    return std::nullopt;
}

} // namespace

std::string UsbSerialOf(const std::string& Port) {
    for (const TSerialPortInfo& Info : FindSerialPorts(DefaultSysfsRoot())) {
        if (IsSamePort(Info.Path, Port)) {
            return Info.Usb && !Info.Usb->Serial.empty() ? Info.Usb->Serial : "-";
        }
    }
    return "-";
}

TBoardRecord BoardRecordOf(const TPortJob& Job, const std::string& UsbSerial,
                           const std::optional<std::uint64_t>& Serial) {
    TBoardRecord Record;
    Record.Time = UtcTimeText(std::time(nullptr));
    Record.Station = GetHostName();
    Record.Port = Job.Port;
    Record.UsbSerial = EscapeControlCharacters(UsbSerial);
    Record.Identification = EscapeControlCharacters(Job.Identification());
    Record.Serial = Serial;
    Record.Image = ResultText(Job.Result, "image");
    Record.Sha256 = ResultText(Job.Result, "sha256");
    // ok, different, stopped, failed, or "failed: why" split into the result and its reason.
    Record.Result = Job.ResultText();
    const std::string FailedPrefix = FormatText(SCliPortsFailedWhy, "");
    if (Record.Result.rfind(FailedPrefix, 0) == 0) {
        Record.Reason = Record.Result.substr(FailedPrefix.size());
        Record.Result = SCliPortsFailed;
    }
    Record.ExitCode = Job.ExitCode;
    const TPortJob::TJson Error = Job.Error();
    Record.Page = ErrorNumber(Error, "page");
    Record.Command = ErrorNumber(Error, "command");
    Record.Reply = ErrorNumber(Error, "reply");
    Record.Seconds = Job.Seconds;
    return Record;
}

std::unique_ptr<IRecordStore> OpenRunRecords(const std::string& Location, TRecordsAccess Access) {
    return OpenRecordStore(Location.empty() ? DefaultRecordsLocation(Access) : Location, Access);
}
