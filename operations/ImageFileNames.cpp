#include "operations/ImageFileNames.h"

#include "common/ResourseStrings.h"
#include "platform/PathSeparator.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

std::string FileNamePart(const std::string& Path) {
    const size_t Slash = LastPathSeparator(Path);
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

namespace {

// The part of the file name from its last dot on; empty without a dot.
std::string ExtensionOf(const std::string& Path) {
    const std::string Name = FileNamePart(Path);
    const size_t Dot = Name.rfind('.');
    return Dot == std::string::npos ? std::string() : Name.substr(Dot);
}

} // namespace

bool IsBinaryImageFile(const std::string& FileName) {
    std::string Extension = ExtensionOf(FileName);
    // ASCII letters only, whatever the locale: the extension compared with is plain ASCII.
    std::transform(Extension.begin(), Extension.end(), Extension.begin(), [](char Letter) {
        return Letter >= 'A' && Letter <= 'Z' ? static_cast<char>(Letter - 'A' + 'a') : Letter;
    });
    return Extension == SBinaryImageExtension;
}

Exception CannotLoadFileError(const std::string& FileName) {
    // The name is UTF-8 on every system. The system's error, when it cannot find or examine the
    // file, is the reason.
    std::error_code Problem;
    static_cast<void>(std::filesystem::status(std::filesystem::u8path(FileName), Problem));
    Exception Error(SCannotLoadFile);
    Error.OfFile(FileName, Problem ? Problem.message() : SFileHoldsNoData);
    return Error;
}

std::string ImageFileTarget(const std::string& Chosen) {
    return ExtensionOf(Chosen) == SImageFileExtension || IsBinaryImageFile(Chosen)
               ? Chosen
               : Chosen + SImageFileExtension;
}
