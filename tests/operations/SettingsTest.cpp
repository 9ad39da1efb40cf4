#include "operations/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        std::string Template = (fs::temp_directory_path() / "velmora-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Folder = Template;
        FileName = (Folder / "Settings.ini").string();
    }
    void TearDown() override { fs::remove_all(Folder); }

    void WriteFile(const std::string& Text) { std::ofstream(FileName, std::ios::binary) << Text; }
    std::string ReadFile() {
        std::ifstream File(FileName, std::ios::binary);
        std::stringstream Text;
        Text << File.rdbuf();
        return Text.str();
    }

    fs::path Folder;
    std::string FileName;
};

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

} // namespace
