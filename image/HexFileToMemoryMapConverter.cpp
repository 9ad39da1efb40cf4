#include "image/HexFileToMemoryMapConverter.h"

#include "common/ResourseStrings.h"
#include "image/ArrayRoutines.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr std::uint8_t DataRecord = 0;
constexpr std::uint8_t ExtendedSegmentAddressRecord = 2;
constexpr std::uint8_t ExtendedAddressRecord = 4;
constexpr std::int64_t SegmentSize = 65536;
constexpr std::int64_t ParagraphSize = 16;
constexpr std::int32_t DumpRecordSize = 32;

// The address base that the records after line Index start from: an extended linear address
// record (type 4) sets it to its value × 64 KiB, an extended segment address record (type 2) to
// its value × 16; each holds until the next of either kind. Any other record leaves Base as is.
std::int64_t BaseAfter(const IHexFile& HexFile, std::int32_t Index, std::int64_t Base) {
    const THexLine& Line = HexFile.GetLine(Index);
    const std::uint8_t Type = Line.GetRecordType();
    if (Type != ExtendedAddressRecord && Type != ExtendedSegmentAddressRecord) {
        return Base;
    }
    const TByteArray& Data = Line.GetData();
    if (Data.size() < 2) {
        throw EWrongExtendedAddress(
            FormatText(SHexLineNumber, static_cast<long long>(HexFile.GetLineNumber(Index))) +
            SWrongExtendedAddress);
    }
    const std::int64_t Value = BytesToWord(Data[0], Data[1]);
    return Value * (Type == ExtendedAddressRecord ? SegmentSize : ParagraphSize);
}

void CheckImageEnd(std::int64_t End) {
    if (End > MaxImageSize) {
        throw EImageIsTooLarge(SImageIsTooLarge);
    }
}

// The length of the image the records describe: the highest end address of any record.
std::int64_t ImageLength(const IHexFile& HexFile) {
    std::int64_t Base = 0;
    std::int64_t Length = 0;
    for (std::int32_t Index = 0; Index < HexFile.GetCount(); ++Index) {
        const THexLine& Line = HexFile.GetLine(Index);
        Base = BaseAfter(HexFile, Index, Base);
        const std::int64_t End =
            Base + Line.GetAddress() + static_cast<std::int64_t>(Line.GetData().size());
        CheckImageEnd(End);
        Length = std::max(Length, End);
    }
    return Length;
}

// Copies the data records into Image (a later record overwrites an earlier one) and marks in
// Holds every page of PageSize bytes that gets at least one byte.
void CopyRecords(const IHexFile& HexFile, std::int32_t PageSize, TByteArray& Image,
                 std::vector<bool>& Holds) {
    std::int64_t Base = 0;
    for (std::int32_t Index = 0; Index < HexFile.GetCount(); ++Index) {
        const THexLine& Line = HexFile.GetLine(Index);
        Base = BaseAfter(HexFile, Index, Base);
        const TByteArray& Data = Line.GetData();
        if (Line.GetRecordType() != DataRecord || Data.empty()) {
            continue;
        }
        const std::int64_t Begin = Base + Line.GetAddress();
        std::memcpy(Image.data() + Begin, Data.data(), Data.size());
        const std::int64_t Last = Begin + static_cast<std::int64_t>(Data.size()) - 1;
        for (std::int64_t Page = Begin / PageSize; Page <= Last / PageSize; ++Page) {
            Holds[static_cast<std::size_t>(Page)] = true;
        }
    }
}

// Adds the pages that hold data, each at its own number and address; a page of which the
// records give no byte is no part of the image.
void CutIntoPages(const TByteArray& Image, std::int32_t PageSize, const std::vector<bool>& Holds,
                  IMemoryMap& Map) {
    TByteArray Page(static_cast<std::size_t>(PageSize));
    for (std::size_t Number = 0; Number < Holds.size(); ++Number) {
        if (!Holds[Number]) {
            continue;
        }
        const std::size_t Offset = Number * Page.size();
        const std::size_t Count = std::min(Page.size(), Image.size() - Offset);
        std::copy_n(Image.begin() + static_cast<std::ptrdiff_t>(Offset), Count, Page.begin());
        std::fill(Page.begin() + static_cast<std::ptrdiff_t>(Count), Page.end(), 0);
        Map.AddPage(static_cast<std::int32_t>(Number), static_cast<std::int32_t>(Offset), Page);
    }
}

// Whether the map holds pages 0, 1, 2 ... at their places, each at least PageLength long, as
// every map read from a file does: then its flat image is the pages' bytes one after another.
bool PagesFollowEachOther(const IMemoryMap& Map, std::int32_t PageLength) {
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        if (std::int64_t{Page.GetAddress()} != std::int64_t{Index} * PageLength ||
            Page.GetData().size() < static_cast<std::size_t>(PageLength)) {
            return false;
        }
    }
    return true;
}

// The flat image of a map: every page at its address, the buffer running to the end of the
// highest page, so that a map starting above page 0 or with gaps stays inside the buffer.
TByteArray FlattenMap(const IMemoryMap& Map) {
    const std::int32_t PageLength = Map.GetPage(0).GetSize();
    std::int64_t Length = 0;
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const std::int32_t Address = Map.GetPage(Index).GetAddress();
        if (Address < 0) {
            throw std::invalid_argument("Memory page with a negative address");
        }
        Length = std::max<std::int64_t>(Length, std::int64_t{Address} + PageLength);
    }
    CheckImageEnd(Length);

    TByteArray Image;
    if (PagesFollowEachOther(Map, PageLength)) {
        // Nothing to leave at 0: the pages are appended without filling the buffer first.
        Image.reserve(static_cast<std::size_t>(Length));
        for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
            const TByteArray& Data = Map.GetPage(Index).GetData();
            Image.insert(Image.end(), Data.begin(), Data.begin() + PageLength);
        }
        return Image;
    }
    Image.resize(static_cast<std::size_t>(Length));
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        const TByteArray& Data = Page.GetData();
        const std::size_t Count = std::min(Data.size(), static_cast<std::size_t>(PageLength));
        std::copy_n(Data.begin(), Count, Image.begin() + Page.GetAddress());
    }
    return Image;
}

// The address ranges the map's pages cover, in ascending order, neighbouring pages joined:
// [Begin, End) pairs. Addresses that no page covers get no record.
std::vector<std::pair<std::int64_t, std::int64_t>> CoveredRanges(const IMemoryMap& Map,
                                                                 std::int32_t PageLength) {
    std::vector<std::pair<std::int64_t, std::int64_t>> Pages;
    Pages.reserve(static_cast<std::size_t>(Map.GetCount()));
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const std::int64_t Address = Map.GetPage(Index).GetAddress();
        Pages.emplace_back(Address, Address + PageLength);
    }
    std::sort(Pages.begin(), Pages.end());
    std::vector<std::pair<std::int64_t, std::int64_t>> Ranges;
    for (const auto& Page : Pages) {
        if (!Ranges.empty() && Page.first <= Ranges.back().second) {
            Ranges.back().second = std::max(Ranges.back().second, Page.second);
        } else {
            Ranges.push_back(Page);
        }
    }
    return Ranges;
}

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
    if (PageSize <= 0 || PageSize > MaxImageSize) {
        throw std::invalid_argument("Page size out of range");
    }
    MemoryMap = std::make_shared<TMemoryMap>();
    // The whole length is known and checked before anything large is allocated. Saving and
    // dumping write whole pages, so the image must fit with its last page filled up: whatever
    // loads can then be saved and dumped again.
    const std::int64_t Length = ImageLength(*HexFile);
    CheckImageEnd((Length + PageSize - 1) / PageSize * PageSize);
    TByteArray Image(static_cast<std::size_t>(Length));
    std::vector<bool> Holds(static_cast<std::size_t>((Length + PageSize - 1) / PageSize));
    CopyRecords(*HexFile, PageSize, Image, Holds);
    CutIntoPages(Image, PageSize, Holds, *MemoryMap);
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
    const TByteArray Image = FlattenMap(*MemoryMap);
    const std::int32_t PageLength = MemoryMap->GetPage(0).GetSize();

    std::uint16_t Segment = 0;
    File->AddRecord(0, ExtendedAddressRecord, WordToBytes(Segment));
    TByteArray Record;
    // A page missing from the map (one the programmer could not read) leaves a gap in the
    // records rather than bytes that were never the chip's.
    for (const auto& [Begin, End] : CoveredRanges(*MemoryMap, PageLength)) {
        for (std::int64_t Position = Begin; Position < End;) {
            const auto PositionSegment = static_cast<std::uint16_t>(Position / SegmentSize);
            if (PositionSegment != Segment) {
                Segment = PositionSegment;
                File->AddRecord(0, ExtendedAddressRecord, WordToBytes(Segment));
            }
            const std::int64_t Offset = Position - std::int64_t{Segment} * SegmentSize;
            // A record never crosses a 64 KiB boundary, whatever the record size.
            const std::int64_t Count =
                std::min({std::int64_t{RecordSize}, End - Position, SegmentSize - Offset});
            // AddRecord copies the reused buffer. Handing it a new array per record instead was
            // measured slower: data allocated before the record's place in the list lays out
            // the heap worse for repeated conversions in one process.
            Record.assign(Image.begin() + Position, Image.begin() + Position + Count);
            File->AddRecord(static_cast<std::uint16_t>(Offset), DataRecord, Record);
            Position += Count;
        }
    }
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
