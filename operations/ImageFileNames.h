// The rules for image file names that every front end follows: which part of a path is the file
// name, and under which name an image is saved.
#pragma once

#include "common/Exception.h"
#include "common/ProgrammerConstants.h"
#include "image/ImageFormats.h"

#include <string>

// The part of a path after its last folder delimiter.
std::string FileNamePart(const std::string& Path);
// The chip's pages, and the records the program writes.
inline constexpr TImageGeometry ChipImageGeometry = {Programmer::PageLength, Programmer::PageCount,
                                                     Programmer::RecordLength};
// The name an image is saved under: Chosen itself when its extension names a format (exactly
// ".ldr", or ".bin" in any case), otherwise Chosen with ".ldr" added.
std::string ImageFileTarget(const std::string& Chosen);
// The failure of a load of FileName that gave no image: "Не удалось загрузить файл." with the
// file and why, the system's reason when the file cannot be found, else that it holds no data.
Exception CannotLoadFileError(const std::string& FileName);
