#include "image/HexImageFile.h"

#include "image/FileErrors.h"
#include "image/HexFileObjects.h"
#include "image/HexImageLayout.h"
#include "image/HexRecordText.h"
#include "platform/SafeFile.h"

#include <exception>

std::shared_ptr<IMemoryMap> LoadHexImageFile(const std::string& FileName, std::int32_t PageSize) {
    auto Map = std::make_shared<TMemoryMap>();
    THexLineReader Reader;
    if (!Reader.Open(FileName)) {
        return Map;
    }
    THexImageBuilder Builder(PageSize);
    THexRecordDecoder Decoder;
    // Every line is checked before any record's place is complained about, as when the records
    // are read first and turned into pages after: the first malformed line is reported even
    // when an address record before it lacks its bytes.
    std::exception_ptr PlaceError;
    std::string_view Line;
    while (Reader.NextLine(Line)) {
        if (Line.empty()) {
            continue;
        }
        const THexRecordFields& Record = Decoder.Decode(Line, Reader.LineNumber());
        Decoder.CheckSum();
        Decoder.CheckDataLength();
        if (PlaceError) {
            continue;
        }
        try {
            Builder.Add(Record, Reader.LineNumber());
        } catch (const EHexFileException&) {
            PlaceError = std::current_exception();
        }
    }
    if (PlaceError) {
        std::rethrow_exception(PlaceError);
    }
    Builder.MovePagesTo(*Map);
    return Map;
}

void SaveHexImageFile(const IMemoryMap& Map, const std::string& FileName, std::int32_t RecordSize) {
    const THexRecordLayout Layout(Map, RecordSize);
    const auto Write = [&Layout](TFileHandle& File) {
        THexTextWriter Writer(File);
        Layout.ForEach([&Writer](const THexRecordFields& Record) { Writer.Write(Record); });
        return Writer.Finish();
    };
    if (!ReplaceFileContent(FileName, Write)) {
        throw CannotWriteFileError(FileName);
    }
}
