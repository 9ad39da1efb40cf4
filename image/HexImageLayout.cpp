#include "image/HexImageLayout.h"

#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::uint8_t DataRecord = 0;
constexpr std::uint8_t ExtendedSegmentAddressRecord = 2;
constexpr std::uint8_t ExtendedAddressRecord = 4;
constexpr std::int64_t SegmentSize = 65536;
constexpr std::int64_t ParagraphSize = 16;

void CheckImageEnd(std::int64_t End) {
    if (End > MaxImageSize) {
        throw EImageIsTooLarge(SImageIsTooLarge);
    }
}

// Whether the map's pages, in the order of the map, each lie above the one before without
// overlapping it and hold at least PageLength bytes, as those of every map read from a file do:
// then they can be written as they are.
bool PagesInOrder(const IMemoryMap& Map, std::int32_t PageLength) {
    if (PageLength <= 0) {
        return false;
    }
    std::int64_t Free = 0; // the lowest address the next page may start at
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        if (Page.GetAddress() < Free ||
            Page.GetData().size() < static_cast<std::size_t>(PageLength)) {
            return false;
        }
        Free = std::int64_t{Page.GetAddress()} + PageLength;
    }
    return true;
}

// The flat image of Length bytes of a map: every page at its address, a page added later
// overwriting one before.
TByteArray FlattenMap(const IMemoryMap& Map, std::int32_t PageLength, std::int64_t Length) {
    TByteArray Image(static_cast<std::size_t>(Length));
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        const TByteArray& Data = Page.GetData();
        const std::size_t Count = std::min(Data.size(), static_cast<std::size_t>(PageLength));
        std::copy_n(Data.begin(), Count, Image.begin() + Page.GetAddress());
    }
    return Image;
}

// The address ranges the map's pages cover, in ascending order, neighbouring pages joined:
// [Begin, End) pairs.
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

THexRecordFields Record(std::int64_t Address, std::uint8_t Type, const std::uint8_t* Data,
                        std::int64_t Length) {
    THexRecordFields Fields;
    Fields.ByteCount = static_cast<std::uint8_t>(Length);
    Fields.Address = static_cast<std::uint16_t>(Address);
    Fields.RecordType = Type;
    Fields.Data = Data;
    Fields.DataLength = static_cast<std::size_t>(Length);
    Fields.CheckSum = HexRecordCheckSum(Fields);
    return Fields;
}

} // namespace

// ---- THexImageBuilder ----

THexImageBuilder::THexImageBuilder(std::int32_t PageSize) : PageSize(PageSize) {
    if (PageSize <= 0 || PageSize > MaxImageSize) {
        throw std::invalid_argument("Page size out of range");
    }
}

TByteArray& THexImageBuilder::PageAt(std::int64_t Number) {
    if (Number != LastNumber) {
        auto Found = Pages.lower_bound(Number);
        if (Found == Pages.end() || Found->first != Number) {
            Found =
                Pages.emplace_hint(Found, Number, TByteArray(static_cast<std::size_t>(PageSize)));
        }
        LastNumber = Number;
        LastPage = &Found->second;
    }
    return *LastPage;
}

void THexImageBuilder::Add(const THexRecordFields& Record, std::int64_t LineNumber) {
    const std::uint8_t Type = Record.RecordType;
    if (Type == ExtendedAddressRecord || Type == ExtendedSegmentAddressRecord) {
        if (Record.DataLength < 2) {
            throw EWrongExtendedAddress(
                FormatText(SHexLineNumber, static_cast<long long>(LineNumber)) +
                SWrongExtendedAddress);
        }
        const std::int64_t Value = Record.Data[0] << 8 | Record.Data[1];
        Base = Value * (Type == ExtendedAddressRecord ? SegmentSize : ParagraphSize);
    }
    const std::int64_t Begin = Base + Record.Address;
    const std::int64_t End = Begin + static_cast<std::int64_t>(Record.DataLength);
    CheckImageEnd(End);
    Length = std::max(Length, End);
    if (Type != DataRecord) {
        return;
    }
    const std::uint8_t* From = Record.Data;
    for (std::int64_t Position = Begin; Position < End;) {
        const std::int64_t Number = Position / PageSize;
        const std::int64_t Offset = Position - Number * PageSize;
        const std::int64_t Count = std::min(End - Position, PageSize - Offset);
        std::memcpy(PageAt(Number).data() + Offset, From, static_cast<std::size_t>(Count));
        From += Count;
        Position += Count;
    }
}

void THexImageBuilder::MovePagesTo(IMemoryMap& Map) {
    CheckImageEnd((Length + PageSize - 1) / PageSize * PageSize);
    for (auto& [Number, Page] : Pages) {
        Map.AddPage(static_cast<std::int32_t>(Number), static_cast<std::int32_t>(Number * PageSize),
                    std::move(Page));
    }
    Pages.clear();
    LastNumber = -1;
    LastPage = nullptr;
}

// ---- THexRecordLayout ----

THexRecordLayout::THexRecordLayout(const IMemoryMap& Map, std::int32_t RecordSize)
    : RecordSize(RecordSize) {
    if (RecordSize <= 0 || RecordSize > 255) {
        throw std::invalid_argument("Record size out of range");
    }
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

    if (PagesInOrder(Map, PageLength)) {
        Spans.reserve(static_cast<std::size_t>(Map.GetCount()));
        for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
            const TMemoryPage& Page = Map.GetPage(Index);
            Spans.push_back({Page.GetAddress(), Page.GetData().data(), PageLength});
        }
        return;
    }
    Image = FlattenMap(Map, PageLength, Length);
    for (const auto& [Begin, End] : CoveredRanges(Map, PageLength)) {
        Spans.push_back({Begin, Image.data() + Begin, End - Begin});
    }
}

void THexRecordLayout::CopyBytes(std::int64_t Position, std::int64_t Count, std::size_t& Span,
                                 std::uint8_t* Bytes) const {
    for (std::int64_t Done = 0;;) {
        const TSpan& Piece = Spans[Span];
        const std::int64_t From = Position + Done - Piece.Begin;
        const std::int64_t Length = std::min(Count - Done, Piece.Length - From);
        std::memcpy(Bytes + Done, Piece.Data + From, static_cast<std::size_t>(Length));
        Done += Length;
        if (Done == Count) {
            return;
        }
        ++Span;
    }
}

void THexRecordLayout::ForEach(const std::function<void(const THexRecordFields&)>& Take) const {
    std::uint16_t Segment = 0;
    const auto TakeSegment = [&Take, &Segment] {
        const std::uint8_t Value[] = {static_cast<std::uint8_t>(Segment >> 8),
                                      static_cast<std::uint8_t>(Segment)};
        Take(Record(0, ExtendedAddressRecord, Value, 2));
    };
    TakeSegment();
    // A record that runs from one span into the next is gathered here.
    std::array<std::uint8_t, 255> Joined;
    std::size_t Span = 0;
    for (std::size_t First = 0; First < Spans.size();) {
        // A range of addresses without a gap: spans that each begin where the one before ends.
        std::size_t Last = First;
        while (Last + 1 < Spans.size() &&
               Spans[Last + 1].Begin == Spans[Last].Begin + Spans[Last].Length) {
            ++Last;
        }
        const std::int64_t End = Spans[Last].Begin + Spans[Last].Length;
        for (std::int64_t Position = Spans[First].Begin; Position < End;) {
            const auto PositionSegment = static_cast<std::uint16_t>(Position / SegmentSize);
            if (PositionSegment != Segment) {
                Segment = PositionSegment;
                TakeSegment();
            }
            const std::int64_t Offset = Position - std::int64_t{Segment} * SegmentSize;
            // A record never crosses a 64 KiB boundary, whatever the record size.
            const std::int64_t Count =
                std::min({std::int64_t{RecordSize}, End - Position, SegmentSize - Offset});
            while (Position >= Spans[Span].Begin + Spans[Span].Length) {
                ++Span;
            }
            const TSpan& Piece = Spans[Span];
            const std::uint8_t* Data = Piece.Data + (Position - Piece.Begin);
            if (Position + Count > Piece.Begin + Piece.Length) {
                CopyBytes(Position, Count, Span, Joined.data());
                Data = Joined.data();
            }
            Take(Record(Offset, DataRecord, Data, Count));
            Position += Count;
        }
        First = Last + 1;
    }
}
