#include "image/FileErrors.h"

#include "platform/SafeFile.h"

Exception CannotWriteFileError(const std::string& FileName) {
    Exception Error(FormatText(SCannotWriteFile, FileName.c_str()));
    if (IsReadOnlyFile(FileName)) {
        Error.Because(SFileIsReadOnly);
    }
    return Error;
}
