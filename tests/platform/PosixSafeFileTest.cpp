// What only Linux has to offer the file reader: devices and files without read permission.
#include "platform/SafeFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
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

// A process killed between writing its temporary file and renaming it leaves the file behind;
// the next save into that folder removes it, but never the temporary file of a process that
// still runs (this one's).
TEST(ReplaceFileContent, RemovesTheTemporaryFilesOfProcessesThatAreGone) {
    TTempFolder Folder("velmora-leftovers");
    const pid_t Child = ::fork();
    ASSERT_GE(Child, 0);
    if (Child == 0) {
        WriteFileText(Folder.File(".velmora-save-" + std::to_string(::getpid()) + "-1"), "left");
        ::_exit(0);
    }
    int Status = 0;
    ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
    const std::string Ours = ".velmora-save-" + std::to_string(::getpid()) + "-99";
    WriteFileText(Folder.File(Ours), "in use");
    WriteFileText(Folder.File(".velmora-save-notes.txt"), "not ours");

    ASSERT_TRUE(ReplaceFileContent(Folder.File("image.ldr"),
                                   [](TFileHandle& File) { return File.WriteAll("x") == 1; }));
    EXPECT_EQ(FileNamesIn(Folder.Path()),
              (std::vector<std::string>{Ours, ".velmora-save-notes.txt", "image.ldr"}));
}
