// The records store of a build without database libraries: each record appended to a CSV file
// made durable, and the serial numbers from a counter file beside it. Such a store cannot be
// searched (the records listing needs a database).
#include "records/RecordCsv.h"
#include "records/RecordStores.h"

#include "common/ResourseStrings.h"
#include "platform/AppDataFolder.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <filesystem>

namespace {

std::optional<std::uint64_t> ParseCounter(const std::string& Text) {
    const std::string Digits = Text.substr(0, Text.find_first_of("\r\n"));
    if (Digits.empty() || Digits.size() > 19 ||
        Digits.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(Digits);
}

class TFileRecordStore : public IRecordStore {
public:
    explicit TFileRecordStore(std::string FileName)
        : FileName(std::move(FileName)),
          CounterFile(
              std::filesystem::u8path(this->FileName).replace_extension(".serial").u8string()) {}

    // Each number is taken by writing the one after it to the counter file, made durable,
    // before it is handed out.
    std::uint64_t TakeSerialNumber(std::uint64_t First) override {
        TFileReader Reader;
        std::uint64_t Number = First;
        switch (Reader.Open(CounterFile)) {
        case TOpenResult::Missing:
            break;
        case TOpenResult::Opened: {
            std::string Text;
            const std::optional<std::uint64_t> Stored =
                Reader.ReadAll(Text) ? ParseCounter(Text) : std::nullopt;
            if (!Stored) {
                throw ERecordsError(FormatText(SCliSerialCounterUnreadable, CounterFile.c_str()));
            }
            Number = std::max(Number, *Stored);
            break;
        }
        case TOpenResult::Refused:
            throw ERecordsError(FormatText(SCliSerialCounterUnreadable, CounterFile.c_str()));
        }
        const std::string Next = std::to_string(Number + 1) + "\n";
        if (!ReplaceFileContent(CounterFile, [&Next](TFileHandle& File) {
                return File.WriteAll(Next) == Next.size();
            })) {
            throw ERecordsError(FormatText(SCliSerialCounterUnwritable, CounterFile.c_str()));
        }
        return Number;
    }

    void Add(const TBoardRecord& Record) override {
        std::error_code Error;
        const std::uintmax_t Size =
            std::filesystem::file_size(std::filesystem::u8path(FileName), Error);
        const std::string Line =
            (!Error && Size > 0 ? "" : RecordCsvHeader()) + RecordCsvLine(Record, Record.Time);
        if (!AppendDurably(FileName, Line)) {
            throw ERecordsError(FormatText(SCliStationRecordFailed, FileName.c_str()));
        }
    }

    std::vector<TBoardRecord> Find(const TRecordFilter&) override {
        throw ERecordsError(FormatText(SRecordsNeedDatabase, FileName.c_str()));
    }
    void Reconnect() override {}
    std::string Describe() const override { return FileName; }

private:
    const std::string FileName;
    const std::string CounterFile;
};

} // namespace

std::string RecordsLocationProblem(const std::string& Location) {
    if (IsServerLocation(Location)) {
        return FormatText(SRecordsNoServerSupport, Location.c_str());
    }
    // An existing records file begins with the header, or with a text file's byte order mark
    // and the header (a station's CSV export).
    if (HasExtension(Location, ".csv") || FileBeginsWith(Location, RecordCsvHeader()) ||
        FileBeginsWith(Location, std::string(NewTextFileStart()) + RecordCsvHeader())) {
        return "";
    }
    return FormatText(SRecordsNotACsvLocation, Location.c_str());
}

// Nothing is made before the first record, so reading makes nothing either.
std::unique_ptr<IRecordStore> OpenRecordStore(const std::string& Location, TRecordsAccess) {
    const std::string Problem = RecordsLocationProblem(Location);
    if (!Problem.empty()) {
        throw ERecordsError(Problem);
    }
    return std::make_unique<TFileRecordStore>(Location);
}

std::string DefaultRecordsLocation(TRecordsAccess Access) {
    if (Access == TRecordsAccess::Write) {
        EnsureFolderExists(GetProgramDataFolder());
    }
    return GetProgramDataFolder() + "/records.csv";
}
