// Bytes of one board's own put into an image (a serial number), and the fingerprint of the
// bytes an operation sends: what a production record ties a board to.
#pragma once

#include "common/ArrayTypes.h"
#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A copy of Image with Bytes at byte Address of the chip (pages of PageLength bytes, PageCount
// of them), the pages they fall in changed. Raises Exception, before anything is made, when
// the bytes would cross the chip's end or fall in a page the image does not hold.
std::shared_ptr<IMemoryMap> WithBytesAt(const IMemoryMap& Image, std::int64_t Address,
                                        const TByteArray& Bytes, std::int32_t PageLength,
                                        std::int32_t PageCount);

// The SHA-256 of the bytes of Pages (chip page numbers the image holds) one after the other, in
// the order given, as lowercase hexadecimal.
std::string PagesSha256(const IMemoryMap& Image, const std::vector<int>& Pages);
