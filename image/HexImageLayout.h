// Where the records of an image file put their bytes, and which records write the pages of an
// image: the rules shared by the conversion between record objects and pages
// (HexFileToMemoryMapConverter.h) and by the image files read into pages and written from them
// without record objects (HexImageFile.h), so that both give the same pages, records and errors.
#pragma once

#include "common/ArrayTypes.h"
#include "image/HexRecordText.h"
#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

// The largest image accepted: no record, and no page of the image cut into pages, may reach
// beyond this address; loading and saving keep to the same limit. A full chip takes 2 MiB, so
// this leaves ample room while keeping a hostile extended address from making the program
// allocate gigabytes.
inline constexpr std::int64_t MaxImageSize = 64 * 1024 * 1024;

// Collects the records of an image file, in the order of the file, into pages of PageSize
// bytes, page n holding the bytes at addresses n × PageSize and on.
class THexImageBuilder {
public:
    // PageSize must lie in 1..MaxImageSize (std::invalid_argument otherwise).
    explicit THexImageBuilder(std::int32_t PageSize);

    // Takes the next record, LineNumber being the number of its line in its file. Extended
    // linear (type 4) and extended segment (type 2) address records set the base of the records
    // after them, to their value × 64 KiB and × 16; data records (type 0) put their bytes at
    // base + address, over those of any record before, and so make every page they give a byte
    // to part of the image. Raises EWrongExtendedAddress, naming the line, for an address record
    // without two address bytes, and EImageIsTooLarge for a record of any type ending beyond
    // MaxImageSize.
    void Add(const THexRecordFields& Record, std::int64_t LineNumber);

    // Hands the pages of the image over to Map in ascending order, page n at address
    // n × PageSize; bytes of such a page that no record gave are 0. Raises EImageIsTooLarge,
    // handing over nothing, when the image with its last page filled up would end beyond
    // MaxImageSize: whatever loads can then be saved and dumped again.
    void MovePagesTo(IMemoryMap& Map);

private:
    // Returns page Number, made (all 0) when no record gave it a byte yet.
    TByteArray& PageAt(std::int64_t Number);

    std::int32_t PageSize;
    std::int64_t Base = 0;
    // The highest end of any record, of whatever type.
    std::int64_t Length = 0;
    // The pages records gave a byte to, by number: memory in proportion to the pages, however
    // far apart they lie.
    std::map<std::int64_t, TByteArray> Pages;
    // The page the last record wrote into last, which the next record most often continues.
    std::int64_t LastNumber = -1;
    TByteArray* LastPage = nullptr;
};

// The records that write the pages of a map as records of up to RecordSize data bytes: first
// the extended address record of base 0, then the pages' bytes in ascending address order,
// every 64 KiB segment after an extended address record of its own and no record crossing a
// segment's boundary. Addresses that no page covers (a map starting above page 0, or missing a
// page) get no record, rather than bytes that were never the chip's. All pages count as long as
// the first; where pages overlap, the one added later wins.
class THexRecordLayout {
public:
    // Raises std::invalid_argument for a RecordSize outside 1..255 or a page at a negative
    // address, std::out_of_range for a map without pages and EImageIsTooLarge for a page
    // reaching beyond MaxImageSize. The map must stay unchanged while the layout is used.
    THexRecordLayout(const IMemoryMap& Map, std::int32_t RecordSize);

    // Hands every record in the order of the file to Take, its checksum computed; the fields'
    // data stays valid only during the call.
    void ForEach(const std::function<void(const THexRecordFields&)>& Take) const;

private:
    // Bytes of the image at addresses Begin .. Begin + Length - 1.
    struct TSpan {
        std::int64_t Begin;
        const std::uint8_t* Data;
        std::int64_t Length;
    };

    // Copies Count bytes of the image from address Position on to Bytes; Span is the first
    // span that may hold them, moved on to the one holding the last.
    void CopyBytes(std::int64_t Position, std::int64_t Count, std::size_t& Span,
                   std::uint8_t* Bytes) const;

    std::int32_t RecordSize;
    // Ascending, not overlapping: the pages themselves when they follow one another in the map
    // without overlapping, else pieces of Image.
    std::vector<TSpan> Spans;
    // The flat image (every page at its address) of a map whose pages overlap or come out of
    // order; empty otherwise.
    TByteArray Image;
};
