#include "operations/Settings.h"

#include "logging/LogManager.h"
#include "tests/operations/SettingsFixture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

using SettingsTest = TSettingsFileFixture;

TEST_F(SettingsTest, MissingFileSectionOrKeyGivesTheDefaultPort) {
    EXPECT_EQ(LoadPortName(FileName), "COM1");
    WriteFile("[Other]\nCOM Name=COM4\n");
    EXPECT_EQ(LoadPortName(FileName), "COM1");
    WriteFile("[COM Port]\nSpeed=9600\n");
    EXPECT_EQ(LoadPortName(FileName), "COM1");
    WriteFile("[COM Port]\nCOM Name=\n");
    EXPECT_EQ(LoadPortName(FileName), "COM1");
}

TEST_F(SettingsTest, ReadsTheStoredPortWhateverTheLineEndsAndCase) {
    WriteFile("[Other]\r\nCOM Name=COM4\r\n[com port]\r\n  com name = /dev/ttyUSB0 \r\n");
    EXPECT_EQ(LoadPortName(FileName), "/dev/ttyUSB0");
    EXPECT_EQ(ReadIniString(FileName, "Other", "COM Name", "x"), "COM4");
}

TEST_F(SettingsTest, NewFileHoldsTheLiteralSectionAndKeyLines) {
    ASSERT_TRUE(SavePortName("COM7", FileName));
    EXPECT_EQ(ReadFile(), "[COM Port]\nCOM Name=COM7\n");
    EXPECT_EQ(LoadPortName(FileName), "COM7");
}

TEST_F(SettingsTest, WritingReplacesTheKeyAndKeepsEverythingElse) {
    WriteFile("; comment\n[Window]\nLeft=10\n\n[COM Port]\nCOM Name=COM3\nSpeed=1\n");
    ASSERT_TRUE(SavePortName("COM9", FileName));
    EXPECT_EQ(ReadFile(), "; comment\n[Window]\nLeft=10\n\n[COM Port]\nCOM Name=COM9\nSpeed=1\n");
}

TEST_F(SettingsTest, WritingAddsAMissingKeyToItsSectionOrAMissingSectionAtTheEnd) {
    WriteFile("[COM Port]\nSpeed=1\n\n[Window]\nLeft=10\n");
    ASSERT_TRUE(SavePortName("COM2", FileName));
    EXPECT_EQ(ReadFile(), "[COM Port]\nSpeed=1\nCOM Name=COM2\n\n[Window]\nLeft=10\n");

    WriteFile("[Window]\nLeft=10\n");
    ASSERT_TRUE(SavePortName("COM5", FileName));
    EXPECT_EQ(ReadFile(), "[Window]\nLeft=10\n\n[COM Port]\nCOM Name=COM5\n");
}

// Every kept line keeps its own end; new lines take the end of the file's first ended line.
TEST_F(SettingsTest, WritingKeepsTheLineEndOfEveryLine) {
    const struct {
        const char* Before;
        const char* After;
    } Cases[] = {
        {"[COM Port]\r\nCOM Name=COM3\r\nSpeed=1\r\n",
         "[COM Port]\r\nCOM Name=COM9\r\nSpeed=1\r\n"},
        {"; c\n[COM Port]\r\nCOM Name=COM3\nSpeed=1\r\n",
         "; c\n[COM Port]\r\nCOM Name=COM9\nSpeed=1\r\n"},
        {"[COM Port]\r\nSpeed=1\r\n\r\n[W]\r\n",
         "[COM Port]\r\nSpeed=1\r\nCOM Name=COM9\r\n\r\n[W]\r\n"},
        {"[W]\r\nLeft=10\r\n", "[W]\r\nLeft=10\r\n\r\n[COM Port]\r\nCOM Name=COM9\r\n"},
        {"[W]\nLeft=10\r\n", "[W]\nLeft=10\r\n\n[COM Port]\nCOM Name=COM9\n"},
        // A last line without an end keeps it so unless a line is added after it.
        {"[COM Port]\r\nCOM Name=COM3", "[COM Port]\r\nCOM Name=COM9"},
        {"[COM Port]\r\nSpeed=1\r\n[W]\r\nLeft=10",
         "[COM Port]\r\nSpeed=1\r\nCOM Name=COM9\r\n[W]\r\nLeft=10"},
        {"[W]\r\nLeft=10", "[W]\r\nLeft=10\r\n\r\n[COM Port]\r\nCOM Name=COM9\r\n"},
        {"[COM Port]", "[COM Port]\nCOM Name=COM9\n"},
    };
    for (const auto& Case : Cases) {
        WriteFile(Case.Before);
        ASSERT_TRUE(SavePortName("COM9", FileName));
        EXPECT_EQ(ReadFile(), Case.After) << Case.Before;
    }
}

TEST_F(SettingsTest, LogLimitIsReadAsASizeAndFallsBackToTheDefault) {
    const std::pair<const char*, std::uint64_t> Cases[] = {
        {"[Log]\r\nLog Limit=4K\r\n", 4096},
        {"[log]\nlog limit = 2g \n", std::uint64_t{2} << 30},
        {"[Log]\nLog Limit=1000\n", 1000},
        {"", DefaultLogLimit},
        {"[COM Port]\nLog Limit=4K\n", DefaultLogLimit},
        {"[Log]\nLog Limit=0\n", DefaultLogLimit},
        {"[Log]\nLog Limit=lots\n", DefaultLogLimit},
        {"[Log]\nLog Limit=\n", DefaultLogLimit},
    };
    for (const auto& [Text, Expected] : Cases) {
        WriteFile(Text);
        EXPECT_EQ(LoadLogLimit(FileName), Expected) << Text;
    }
    EXPECT_EQ(DefaultLogLimit, std::uint64_t{64} << 20);
}

TEST_F(SettingsTest, SavingAgainReplacesTheFileInAFolderWithACyrillicName) {
    const std::string Named = (Folder / fs::u8path(u8"Настройки") / "Settings.ini").u8string();
    for (const char* Port : {"COM8", "COM12", "COM3"}) {
        ASSERT_TRUE(SavePortName(Port, Named)) << Port;
        EXPECT_EQ(LoadPortName(Named), Port);
    }
    EXPECT_EQ(ReadFileText(Named), "[COM Port]\nCOM Name=COM3\n");
}

TEST_F(SettingsTest, SavingCreatesTheDataFolder) {
    const std::string Nested = (Folder / "a" / "Velmora" / "Settings.ini").string();
    ASSERT_TRUE(SavePortName("COM8", Nested));
    EXPECT_EQ(LoadPortName(Nested), "COM8");
}

TEST_F(SettingsTest, AnUnwritableFileIsReportedAndLeftAlone) {
    const std::string Inside = (Folder / "missing" / "deeper" / "Settings.ini").string();
    EXPECT_FALSE(WriteIniString(Inside, "COM Port", "COM Name", "COM1"));
    EXPECT_FALSE(fs::exists(Inside));
}

// A file as Notepad saves it: "UTF-8 with BOM", "Unicode" and "Unicode big endian".
struct TEncodedFile {
    const char* Name;
    std::string Mark;
    // The bytes of one character of the file's ASCII text.
    std::string (*Character)(char);
};

std::string Utf16LittleEndian(char Character) {
    return std::string{Character, '\0'};
}

std::string Utf16BigEndian(char Character) {
    return std::string{'\0', Character};
}

std::string Utf8(char Character) {
    return std::string(1, Character);
}

std::string Encoded(const TEncodedFile& File, const std::string& Text) {
    std::string Bytes = File.Mark;
    for (const char Character : Text) {
        Bytes += File.Character(Character);
    }
    return Bytes;
}

TEST_F(SettingsTest, AFileWithAByteOrderMarkIsReadAndWrittenBackInItsEncoding) {
    const TEncodedFile Files[] = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF", Utf8},
        {"UTF-16 LE", "\xFF\xFE", Utf16LittleEndian},
        {"UTF-16 BE", "\xFE\xFF", Utf16BigEndian},
    };
    for (const TEncodedFile& File : Files) {
        WriteFile(Encoded(File, "[COM Port]\r\nCOM Name=COM7\r\n[Log]\r\nLog Limit=2M\r\n"));
        EXPECT_EQ(LoadPortName(FileName), "COM7") << File.Name;
        EXPECT_EQ(LoadLogLimit(FileName), 2u * 1024 * 1024) << File.Name;
        ASSERT_TRUE(SavePortName("COM12", FileName)) << File.Name;
        EXPECT_EQ(ReadFile(),
                  Encoded(File, "[COM Port]\r\nCOM Name=COM12\r\n[Log]\r\nLog Limit=2M\r\n"))
            << File.Name;
    }
}

TEST_F(SettingsTest, CyrillicTextSurvivesAUtf16File) {
    // "[Порт]" and a value in Cyrillic, UTF-16 LE with its mark.
    const char Bytes[] = {'\xFF', '\xFE', '[',  0, 0x1F, 4, 0x3E, 4,
                          0x40,   4,      0x42, 4, ']',  0, '\n', 0};
    const std::string Utf16(Bytes, sizeof(Bytes));
    WriteFile(Utf16);
    ASSERT_TRUE(WriteIniString(FileName, "Порт", "Имя", "Тест"));
    EXPECT_EQ(ReadIniString(FileName, "Порт", "Имя", ""), "Тест");
    EXPECT_EQ(ReadFile().substr(0, Utf16.size()), Utf16);
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNamedAMissingOneIsNot) {
    EXPECT_FALSE(SettingsFileProblem(FileName));
    fs::create_directory(FileName);
    const std::optional<std::string> Problem = SettingsFileProblem(FileName);
    ASSERT_TRUE(Problem);
    EXPECT_NE(Problem->find(FileName), std::string::npos) << *Problem;
    EXPECT_EQ(LoadPortName(FileName), "COM1");
}

} // namespace
