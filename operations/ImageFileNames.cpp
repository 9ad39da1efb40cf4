#include "operations/ImageFileNames.h"

#include "common/ResourseStrings.h"

std::string FileNamePart(const std::string& Path) {
    const size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::string ImageFileTarget(const std::string& Chosen) {
    const std::string Name = FileNamePart(Chosen);
    const size_t Dot = Name.rfind('.');
    const std::string Extension = Dot == std::string::npos ? std::string() : Name.substr(Dot);
    return Extension == SImageFileExtension ? Chosen : Chosen + SImageFileExtension;
}
