// Raw binary image files (".bin"): the image's bytes as they lie in the chip, page 0 at offset 0,
// with nothing else in the file.
#pragma once

#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <memory>
#include <string>

// What loading a raw image file gave.
struct TBinaryImage {
    // Pages 0, 1, 2 ... of the file; empty when the file does not exist.
    std::shared_ptr<IMemoryMap> Map;
    // A line for the user when the file's length is not a multiple of the page length and the
    // last page was padded with 0xFF; empty otherwise.
    std::string Note;
};

// Cuts the file into pages of PageSize bytes: page n holds the bytes from n * PageSize on and
// has that address, as a HEX file of one contiguous run of data loads. A last page the file
// does not fill is padded with 0xFF, the value of erased flash, and Note says so. A missing
// file gives an empty map (as a missing HEX file gives no records). Raises EFileIsEmpty for a
// file of zero bytes, EImageIsTooLarge, naming both sizes, for a file larger than MaxPages
// pages, and Exception for a file that exists but cannot be read or is not a regular file.
TBinaryImage LoadBinaryImage(const std::string& FileName, std::int32_t PageSize,
                             std::int32_t MaxPages);

// Writes every page's bytes at its address, up to the end of the highest page. A raw file
// cannot tell a missing page from a present one, and loaded back it would be written to the
// chip: a map that lacks any page from page 0 to its highest is refused with Exception naming
// the missing pages, before touching the file. A map without pages gives an empty file. The file
// is replaced only once the new content is safely on disk; on failure the old file stays and
// Exception is raised. Raises EImageIsTooLarge for a page reaching beyond MaxImageSize and
// std::out_of_range for a page with a negative address, before touching the file.
void SaveBinaryImage(const IMemoryMap& Map, const std::string& FileName);
