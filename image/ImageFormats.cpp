#include "image/ImageFormats.h"

#include "common/ResourseStrings.h"
#include "image/BinaryImageFile.h"
#include "image/HexImageFile.h"
#include "platform/PathSeparator.h"

#include <iterator>
#include <stdexcept>
#include <utility>

namespace {

TLoadedImage LoadHexImage(const std::string& FileName, const TImageGeometry& Geometry) {
    TLoadedImage Loaded;
    Loaded.Map = LoadHexImageFile(FileName, Geometry.PageLength);
    return Loaded;
}

void SaveHexImage(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName,
                  const TImageGeometry& Geometry) {
    if (!Map) {
        throw std::invalid_argument("No memory map to convert");
    }
    SaveHexImageFile(*Map, FileName, Geometry.RecordLength);
}

TLoadedImage LoadRawImage(const std::string& FileName, const TImageGeometry& Geometry) {
    TBinaryImage Binary = LoadBinaryImage(FileName, Geometry.PageLength, Geometry.MaxPages);
    return {std::move(Binary.Map), std::move(Binary.Note)};
}

void SaveRawImage(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName,
                  const TImageGeometry&) {
    SaveBinaryImage(*Map, FileName);
}

// The default format comes first.
const TImageFormat Formats[] = {
    {SImageFileExtension, false, LoadHexImage, SaveHexImage},
    {SBinaryImageExtension, true, LoadRawImage, SaveRawImage},
};

// The part of the file name from its last dot on; empty without a dot.
std::string ExtensionOf(const std::string& Path) {
    const size_t Slash = LastPathSeparator(Path);
    const std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
    const size_t Dot = Name.rfind('.');
    return Dot == std::string::npos ? std::string() : Name.substr(Dot);
}

// ASCII letters only, whatever the locale: the extensions compared with are plain ASCII.
std::string AsciiLowerCase(std::string Text) {
    for (char& Letter : Text) {
        if (Letter >= 'A' && Letter <= 'Z') {
            Letter = static_cast<char>(Letter - 'A' + 'a');
        }
    }
    return Text;
}

bool HasExtension(const TImageFormat& Format, const std::string& Extension) {
    return Format.AnyCase ? AsciiLowerCase(Extension) == Format.Extension
                          : Extension == Format.Extension;
}

const TImageFormat* FindFormat(const std::string& FileName) {
    const std::string Extension = ExtensionOf(FileName);
    for (const TImageFormat& Format : Formats) {
        if (HasExtension(Format, Extension)) {
            return &Format;
        }
    }
    return nullptr;
}

} // namespace

const TImageFormat& DefaultImageFormat() {
    return *std::begin(Formats);
}

const TImageFormat& ImageFormatOf(const std::string& FileName) {
    const TImageFormat* Format = FindFormat(FileName);
    return Format != nullptr ? *Format : DefaultImageFormat();
}

bool HasImageFormatExtension(const std::string& FileName) {
    return FindFormat(FileName) != nullptr;
}

bool IsBinaryImageFile(const std::string& FileName) {
    return ImageFormatOf(FileName).Load == LoadRawImage;
}

TLoadedImage LoadImageFile(const std::string& FileName, const TImageGeometry& Geometry) {
    return ImageFormatOf(FileName).Load(FileName, Geometry);
}

void SaveImageFile(const std::shared_ptr<IMemoryMap>& Map, const std::string& FileName,
                   const TImageGeometry& Geometry) {
    ImageFormatOf(FileName).Save(Map, FileName, Geometry);
}
