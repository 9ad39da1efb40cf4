// What only Linux has to offer the file reader: devices and files without read permission.
#include "platform/SafeFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

// A device would feed the reader without end; a file without read permission cannot be read.
TEST(FileReader, RefusesDevicesAndUnreadableFiles) {
    TTempFolder Folder;
    WriteFileText(Folder.File("closed"), "text");
    ASSERT_EQ(::chmod(Folder.File("closed").c_str(), 0), 0);
    std::vector<std::pair<std::string, TOpenResult>> Cases = {{"/dev/zero", TOpenResult::Refused}};
    if (::geteuid() != 0) { // the superuser reads any file
        Cases.emplace_back(Folder.File("closed"), TOpenResult::Refused);
    }
    for (const auto& [Name, Result] : Cases) {
        TFileReader Reader;
        EXPECT_EQ(Reader.Open(Name), Result) << Name;
        EXPECT_EQ(ReadFileContent(Name).has_value(), Result == TOpenResult::Opened) << Name;
    }
}
