#include "platform/SafeFile.h"
#include "platform/WindowsText.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

void MarkReadOnly(const std::string& FileName, bool ReadOnly) {
    ASSERT_TRUE(SetFileAttributesW(WidenUtf8(FileName).c_str(),
                                   ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL));
}

} // namespace

// A file the user marked read-only in Explorer stays as it is, with no temporary file left
// beside it; once the mark is taken off, it is replaced as any other.
TEST(WindowsSafeFile, AReadOnlyFileIsNotReplaced) {
    TTempFolder Folder("velmora-readonly");
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old\r\n");
    MarkReadOnly(Target, true);
    const auto Write = [](TFileHandle& File) { return File.WriteAll("new\r\n") == 5; };
    EXPECT_TRUE(IsReadOnlyFile(Target));
    EXPECT_FALSE(ReplaceFileContent(Target, Write));
    EXPECT_EQ(ReadFileText(Target), "old\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"image.ldr"});

    MarkReadOnly(Target, false);
    EXPECT_FALSE(IsReadOnlyFile(Target));
    EXPECT_TRUE(ReplaceFileContent(Target, Write));
    EXPECT_EQ(ReadFileText(Target), "new\r\n");
}
