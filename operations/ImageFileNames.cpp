#include "operations/ImageFileNames.h"

#include "common/ResourseStrings.h"
#include "platform/PathSeparator.h"

#include <filesystem>
#include <system_error>

std::string FileNamePart(const std::string& Path) {
    const size_t Slash = LastPathSeparator(Path);
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
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
    return HasImageFormatExtension(Chosen) ? Chosen : Chosen + DefaultImageFormat().Extension;
}
