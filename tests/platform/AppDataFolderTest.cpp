#include "platform/AppDataFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

TEST(AppDataFolder, FollowsXdgDataHomeAndFallsBackToLocalShare) {
    const fs::path Temp = fs::temp_directory_path() / "velmora-appdata-test";
    setenv("XDG_DATA_HOME", Temp.c_str(), 1);
    EXPECT_EQ(GetProgramDataFolder(), (Temp / "Velmora").string());

    setenv("XDG_DATA_HOME", "", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(GetProgramDataFolder(), "/home/someone/.local/share/Velmora");
    unsetenv("XDG_DATA_HOME");
}

TEST(AppDataFolder, CreatesMissingParentsAndAcceptsAnExistingFolder) {
    const fs::path Root = fs::temp_directory_path() / "velmora-mkdir-test";
    fs::remove_all(Root);
    const fs::path Deep = Root / "a" / "b" / "Velmora";
    EXPECT_TRUE(EnsureFolderExists(Deep.string()));
    EXPECT_TRUE(fs::is_directory(Deep));
    EXPECT_TRUE(EnsureFolderExists(Deep.string()));
    fs::remove_all(Root);
}

TEST(AppDataFolder, ReportsAFolderThatCannotBeMade) {
    EXPECT_FALSE(EnsureFolderExists("/proc/velmora-cannot-exist/x"));
    EXPECT_FALSE(EnsureFolderExists(""));
}
