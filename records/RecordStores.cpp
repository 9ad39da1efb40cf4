#include "records/RecordStores.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <cctype>

bool IsServerLocation(const std::string& Location) {
    return Location.rfind("postgresql://", 0) == 0 || Location.rfind("postgres://", 0) == 0;
}

bool HasExtension(const std::string& Location, const std::string& Extension) {
    return Location.size() > Extension.size() &&
           std::equal(Extension.rbegin(), Extension.rend(), Location.rbegin(),
                      [](char Wanted, char Given) {
                          return std::tolower(static_cast<unsigned char>(Wanted)) ==
                                 std::tolower(static_cast<unsigned char>(Given));
                      });
}

bool FileBeginsWith(const std::string& Location, const std::string& Start) {
    TFileHandle File;
    if (OpenRegularFile(Location, File) != TOpenResult::Opened) {
        return false;
    }
    std::string Read(Start.size(), '\0');
    return File.ReadAt(0, Read.data(), Read.size()) && Read == Start;
}
