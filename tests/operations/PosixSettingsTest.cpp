// Settings files on POSIX file systems: symbolic links, permissions and a write the file size
// limit stops half-way.
#include "operations/Settings.h"

#include "tests/operations/SettingsFixture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iterator>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

using PosixSettingsTest = TSettingsFileFixture;

// A write replaces the file as an image save does: through a symbolic link it replaces the
// link's target, the file keeps its permissions, and nothing else stays in the folder.
TEST_F(PosixSettingsTest, WritingReplacesTheFileItselfWithItsPermissions) {
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
TEST_F(PosixSettingsTest, AWriteFailingHalfWayKeepsTheOldFile) {
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
