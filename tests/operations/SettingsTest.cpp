#include "operations/Settings.h"

#include "logging/LogManager.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
    void WriteFile(const std::string& Text) { WriteFileText(FileName, Text); }
    std::string ReadFile() { return ReadFileText(FileName); }

    TTempFolder Temp{"velmora-settings"};
    const fs::path Folder = Temp.Path();
    const std::string FileName = (Folder / "Settings.ini").string();
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

// A write replaces the file as an image save does: through a symbolic link it replaces the
// link's target, the file keeps its permissions, and nothing else stays in the folder.
TEST_F(SettingsTest, WritingReplacesTheFileItselfWithItsPermissions) {
    using fs::perms;
    const struct {
        const char* Place;
        bool Linked;
        perms Mode;
    } Cases[] = {
        {"direct", false, perms::owner_read | perms::owner_write},
        {"linked", true, perms::owner_read | perms::owner_write | perms::group_read},
    };
    for (const auto& Case : Cases) {
        const fs::path Place = Folder / Case.Place;
        fs::create_directory(Place);
        const fs::path Name = Place / "Settings.ini";
        const fs::path Real = Case.Linked ? Place / "real.ini" : Name;
        WriteFileText(Real.string(), "[COM Port]\nCOM Name=COM3\n");
        fs::permissions(Real, Case.Mode);
        if (Case.Linked) {
            fs::create_symlink(Real, Name);
        }
        ASSERT_TRUE(SavePortName("COM9", Name.string())) << Case.Place;
        EXPECT_EQ(ReadFileText(Real.string()), "[COM Port]\nCOM Name=COM9\n") << Case.Place;
        EXPECT_EQ(fs::symlink_status(Name).type(),
                  Case.Linked ? fs::file_type::symlink : fs::file_type::regular)
            << Case.Place;
        EXPECT_EQ(static_cast<unsigned>(fs::status(Real).permissions()),
                  static_cast<unsigned>(Case.Mode))
            << Case.Place;
        EXPECT_EQ(std::distance(fs::directory_iterator(Place), fs::directory_iterator()),
                  Case.Linked ? 2 : 1)
            << Case.Place;
    }
}

// A write the file system refuses half-way (here: beyond the file size limit) keeps the old
// file whole.
TEST_F(SettingsTest, AWriteFailingHalfWayKeepsTheOldFile) {
    const std::string Old = "[COM Port]\nCOM Name=COM3\n";
    WriteFile(Old);
    rlimit Saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
    const auto SavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit Small = Saved;
    Small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
    const bool Written = WriteIniString(FileName, "COM Port", "COM Name", std::string(8192, 'x'));
    setrlimit(RLIMIT_FSIZE, &Saved);
    std::signal(SIGXFSZ, SavedHandler);

    EXPECT_FALSE(Written);
    EXPECT_EQ(ReadFile(), Old);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 1);
}

} // namespace
