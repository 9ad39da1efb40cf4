#include "image/HexFileToMemoryMapConverter.h"

#include "common/ResourseStrings.h"
#include "image/ArrayRoutines.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr std::int32_t DumpRecordSize = 32;

// A record's text spaced for the dump: ":CC AAAA TT    D1 D2 ... Dn   SS". Text is scratch
// space reused from line to line.
std::string DumpLine(const THexLine& Line, std::string& Text) {
    Text.clear();
    Line.AppendText(Text);
    const std::size_t DataBytes = (Text.size() - 11) / 2;
    const std::size_t Length = 15 + (DataBytes > 0 ? 3 * DataBytes - 1 + 3 : 2) + 2;
    std::string Result(Length, ' ');
    char* Out = Result.data();
    const char* In = Text.data();
    std::memcpy(Out, In, 3);         // ":CC"
    std::memcpy(Out + 4, In + 3, 4); // address
    std::memcpy(Out + 9, In + 7, 2); // record type
    for (std::size_t Index = 0; Index < DataBytes; ++Index) {
        std::memcpy(Out + 15 + 3 * Index, In + 9 + 2 * Index, 2);
    }
    std::memcpy(Out + Length - 2, In + Text.size() - 2, 2); // checksum
    return Result;
}

} // namespace

void THexFileToMemoryMapConverter::HexToMemoryMap(const std::shared_ptr<IHexFile>& HexFile,
                                                  std::int32_t PageSize,
                                                  std::shared_ptr<IMemoryMap>& MemoryMap) const {
    if (!HexFile) {
        return;
    }
    THexImageBuilder Builder(PageSize);
    MemoryMap = std::make_shared<TMemoryMap>();
    for (std::int32_t Index = 0; Index < HexFile->GetCount(); ++Index) {
        Builder.Add(HexFile->GetLine(Index).Fields(), HexFile->GetLineNumber(Index));
    }
    Builder.MovePagesTo(*MemoryMap);
}

void THexFileToMemoryMapConverter::MemoryMapToHex(const std::shared_ptr<IMemoryMap>& MemoryMap,
                                                  std::int32_t RecordSize,
                                                  std::shared_ptr<IHexFile>& HexFile) const {
    if (!MemoryMap) {
        throw std::invalid_argument("No memory map to convert");
    }
    if (RecordSize <= 0 || RecordSize > 255) {
        throw std::invalid_argument("Record size out of range");
    }
    auto File = std::make_shared<THexFile>();
    HexFile = File;
    const THexRecordLayout Layout(*MemoryMap, RecordSize);
    // AddRecord copies the reused buffer. Handing it a new array per record instead was
    // measured slower: data allocated before the record's place in the list lays out the heap
    // worse for repeated conversions in one process.
    TByteArray Data;
    Layout.ForEach([&](const THexRecordFields& Record) {
        Data.assign(Record.Data, Record.Data + Record.DataLength);
        File->AddRecord(Record.Address, Record.RecordType, Data);
    });
}

std::vector<std::string> THexFileToMemoryMapConverter::MemoryMapToStrings(
    const std::shared_ptr<IMemoryMap>& MemoryMap) const {
    std::vector<std::string> Lines;
    if (!MemoryMap || MemoryMap->GetCount() == 0) {
        return Lines;
    }
    std::shared_ptr<IHexFile> HexFile;
    MemoryMapToHex(MemoryMap, DumpRecordSize, HexFile);
    Lines.reserve(static_cast<std::size_t>(HexFile->GetCount()));
    std::string Scratch;
    for (std::int32_t Index = 0; Index < HexFile->GetCount(); ++Index) {
        Lines.push_back(DumpLine(HexFile->GetLine(Index), Scratch));
    }
    return Lines;
}
