// The image file formats, one table: a file's name chooses how it is loaded and saved. Raw
// binary for ".bin" in any case, Intel HEX for ".ldr" and for every other name.
#pragma once

#include "image/MemoryMapObjects.h"

#include <cstdint>
#include <memory>
#include <string>

// How an image is cut into pages and written out.
struct TImageGeometry {
    std::int32_t PageLength;
    // The most pages a raw file may hold.
    std::int32_t MaxPages;
    // Data bytes per record of a HEX file.
    std::int32_t RecordLength;
};

// What loading an image file gave.
struct TLoadedImage {
    // Null or without pages when the file held no data.
    std::shared_ptr<IMemoryMap> Map;
    // A line for the user about how the file was read (a padded last page); empty otherwise.
    std::string Note;
};

struct TImageFormat {
    // The extension that chooses this format.
    const char* Extension;
    // True when the extension is recognised in any case; else only as written.
    bool AnyCase;
    TLoadedImage (*Load)(const std::string& FileName, const TImageGeometry& Geometry);
    void (*Save)(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName,
                 const TImageGeometry& Geometry);
};

// The format a file of this name is loaded and saved in: the one whose extension it has, else
// Intel HEX.
const TImageFormat& ImageFormatOf(const std::string& FileName);
// True when FileName has the extension of a format of the table.
bool HasImageFormatExtension(const std::string& FileName);
// The format of the files the program names itself (".ldr", Intel HEX).
const TImageFormat& DefaultImageFormat();
// True when the file holds a raw binary image.
bool IsBinaryImageFile(const std::string& FileName);

TLoadedImage LoadImageFile(const std::string& FileName, const TImageGeometry& Geometry);
void SaveImageFile(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName,
                   const TImageGeometry& Geometry);
