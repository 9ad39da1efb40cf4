#include "platform/SafeFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> LinesOf(const std::string& FileName) {
    TFileReader Reader;
    EXPECT_EQ(Reader.Open(FileName), TOpenResult::Opened);
    std::vector<std::string> Lines;
    std::string_view Line;
    while (Reader.NextLine(Line)) {
        Lines.emplace_back(Line);
    }
    EXPECT_FALSE(Reader.Failed());
    return Lines;
}

} // namespace

// Lines end at CR LF, LF or CR; empty lines count, and so does a last line without an end.
// Lines longer than the pieces a file is read in come out whole, also when the CR and the LF
// of one line end are read apart.
TEST(FileReader, HandsOutEveryLineWithoutItsEndAndTheWholeContent) {
    const std::string Long(std::size_t{1} << 18, 'x');
    const struct {
        std::string Content;
        std::vector<std::string> Lines;
    } Cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n", {"a"}},
        {"\n\r\n\r", {"", "", ""}},
        {"a\r\r\nb\n\n", {"a", "", "b", ""}},
        {Long.substr(1) + "\r\nb", {Long.substr(1), "b"}},
        {Long + "\r\n" + Long + "\r", {Long, Long}},
    };
    TTempFolder Folder;
    const std::string Name = Folder.File("lines");
    for (const auto& Case : Cases) {
        WriteFileText(Name, Case.Content);
        EXPECT_EQ(LinesOf(Name), Case.Lines) << Case.Content.substr(0, 16);
        EXPECT_EQ(ReadFileContent(Name).value_or("<none>"), Case.Content)
            << Case.Content.substr(0, 16);
    }
}

// Only regular files are read; a missing file is told apart from one that cannot be read.
TEST(FileReader, OpensOnlyRegularFiles) {
    TTempFolder Folder;
    WriteFileText(Folder.File("file"), "text");
    const std::vector<std::pair<std::string, TOpenResult>> Cases = {
        {Folder.File("file"), TOpenResult::Opened},
        {Folder.File("missing"), TOpenResult::Missing},
        {Folder.File("missing/file"), TOpenResult::Missing},
        {Folder.File("file/file"), TOpenResult::Missing},
        {Folder.Path(), TOpenResult::Refused},
    };
    for (const auto& [Name, Result] : Cases) {
        TFileReader Reader;
        EXPECT_EQ(Reader.Open(Name), Result) << Name;
        EXPECT_EQ(ReadFileContent(Name).has_value(), Result == TOpenResult::Opened) << Name;
    }
}

// The target holds either its old or its whole new content, and no other file stays behind.
TEST(ReplaceFileContent, ReplacesOnlyWithTheWholeNewContent) {
    const struct {
        const char* Name;
        TContentWriter Write;
        bool Replaced;
    } Cases[] = {
        {"written in pieces",
         [](TFileHandle& File) { return File.WriteAll("new ") == 4 && File.WriteAll("text") == 4; },
         true},
        {"writer fails",
         [](TFileHandle& File) {
             File.WriteAll("half");
             return false;
         },
         false},
        {"writer throws",
         [](TFileHandle& File) -> bool {
             File.WriteAll("half");
             throw std::runtime_error("stopped");
         },
         false},
    };
    for (const auto& Case : Cases) {
        TTempFolder Folder;
        const std::string Target = Folder.File("target");
        WriteFileText(Target, "old");
        bool Replaced = false;
        try {
            Replaced = ReplaceFileContent(Target, Case.Write);
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(Replaced, Case.Replaced) << Case.Name;
        EXPECT_EQ(ReadFileText(Target), Case.Replaced ? "new text" : "old") << Case.Name;
        EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"target"}) << Case.Name;
    }
}

// File names are UTF-8 whatever the system's own encoding of names.
TEST(ReplaceFileContent, TakesUtf8FileNames) {
    TTempFolder Folder;
    const std::string Name = Folder.File("образ-ü.ldr");
    ASSERT_TRUE(
        ReplaceFileContent(Name, [](TFileHandle& File) { return File.WriteAll("text") == 4; }));
    ASSERT_TRUE(AppendDurably(Name, " more"));
    EXPECT_EQ(ReadFileContent(Name).value_or("<none>"), "text more");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"образ-ü.ldr"});
}

TEST(FileHandle, TheFileStaysOpenWithTheHandleItMovedTo) {
    TTempFolder Folder;
    const std::string Name = Folder.File("file");
    TFileHandle Kept;
    EXPECT_FALSE(Kept.IsOpen());
    {
        TFileHandle Opened = OpenLockedFile(Name);
        ASSERT_TRUE(Opened.IsOpen());
        Kept = std::move(Opened);
    }
    EXPECT_EQ(Kept.WriteAll("text"), 4u);
    EXPECT_TRUE(Kept.Close());
    EXPECT_FALSE(Kept.IsOpen());
    EXPECT_EQ(ReadFileText(Name), "text");
}
