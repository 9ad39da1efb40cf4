// Turns the records of an image file into a map of equal-length pages and back, and makes the
// spaced hex dump of an image, by the rules of HexImageLayout.h.
#pragma once

#include "image/HexFileObjects.h"
#include "image/HexImageLayout.h"
#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class THexFileToMemoryMapConverter {
public:
    // Hands out a new map in MemoryMap, then fills it with the pages of PageSize bytes that the
    // data records give at least one byte, page n at address n * PageSize, in ascending order;
    // bytes of such a page that no record gives are 0. Extended linear (type 4) and extended
    // segment (type 2) address records set the base of the records after them. Does nothing
    // when HexFile is null. Raises EWrongExtendedAddress, naming the record's line, for an
    // address record without two address bytes and EImageIsTooLarge for an image whose last page
    // would end beyond MaxImageSize; the map handed out then stays empty.
    void HexToMemoryMap(const std::shared_ptr<IHexFile>& HexFile, std::int32_t PageSize,
                        std::shared_ptr<IMemoryMap>& MemoryMap) const;

    // Hands out a new file object in HexFile holding the image as records of RecordSize data
    // bytes (1..255), starting with the extended address record of base 0; the end record is
    // added by SaveToFile. Every page is placed at its address; addresses that no page covers
    // (a map starting above page 0, or missing a page) get no record. A map without pages
    // raises std::out_of_range.
    void MemoryMapToHex(const std::shared_ptr<IMemoryMap>& MemoryMap, std::int32_t RecordSize,
                        std::shared_ptr<IHexFile>& HexFile) const;

    // The dump: one spaced line per record of 32 data bytes; empty for a null or empty map.
    std::vector<std::string> MemoryMapToStrings(const std::shared_ptr<IMemoryMap>& MemoryMap) const;
};
