#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TTempFolder::TTempFolder(const std::string& Prefix) {
    std::string Template = (std::filesystem::temp_directory_path() / (Prefix + "-XXXXXX")).string();
    if (::mkdtemp(Template.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    Folder = Template;
}

TTempFolder::~TTempFolder() {
    // A test may have taken the permissions away to provoke a failure.
    std::error_code Ignored;
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(Folder, Ignored);
}

std::string ReadFileText(const std::string& FileName) {
    std::ifstream File(FileName, std::ios::binary);
    std::ostringstream Text;
    Text << File.rdbuf();
    return Text.str();
}

void WriteFileText(const std::string& FileName, const std::string& Text) {
    std::ofstream File(FileName, std::ios::binary);
    File << Text;
}
