#include "tests/support/TempFolder.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TTempFolder::TTempFolder(const std::string& Prefix) {
    Folder = MakeUniqueFolder((std::filesystem::temp_directory_path() / Prefix).string());
    if (Folder.empty()) {
        throw std::runtime_error("cannot make a temporary folder");
    }
}

TTempFolder::~TTempFolder() {
    // A test may have taken the permissions away to provoke a failure.
    std::error_code Ignored;
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(Folder, Ignored);
}

std::string ReadFileText(const std::string& FileName) {
    std::ifstream File(std::filesystem::u8path(FileName), std::ios::binary);
    std::ostringstream Text;
    Text << File.rdbuf();
    return Text.str();
}

void WriteFileText(const std::string& FileName, const std::string& Text) {
    std::ofstream File(std::filesystem::u8path(FileName), std::ios::binary);
    File << Text;
}

std::vector<std::string> FileNamesIn(const std::string& Folder) {
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
        Names.push_back(Entry.path().filename().u8string());
    }
    std::sort(Names.begin(), Names.end());
    return Names;
}
