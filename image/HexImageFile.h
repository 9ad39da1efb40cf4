// Image files in Intel HEX read straight into pages and written straight from them, without a
// record object per line: what the program's loading and saving of ".ldr" files use. They give
// the same pages, the same file text and the same errors as THexFile with
// THexFileToMemoryMapConverter.
#pragma once

#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <memory>
#include <string>

// The pages of PageSize bytes that the records of the file give at least one byte (see
// THexImageBuilder), in a new map; an empty map for a missing file. Raises EFileIsEmpty for a
// file of zero bytes, Exception for a file that cannot be read, the error of the first
// malformed line, and after those, once every line has been read, the first error of a
// record's place (EWrongExtendedAddress, EImageIsTooLarge).
std::shared_ptr<IMemoryMap> LoadHexImageFile(const std::string& FileName, std::int32_t PageSize);

// Writes the pages of Map as records of up to RecordSize data bytes (see THexRecordLayout) and
// the end record, CR LF after each line, replacing the file only once the new content is safely
// on disk. The map is checked first (std::invalid_argument, std::out_of_range,
// EImageIsTooLarge); a failed write raises Exception with the old file kept.
void SaveHexImageFile(const IMemoryMap& Map, const std::string& FileName, std::int32_t RecordSize);
