#include "platform/AppDataFolder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

TEST(AppDataFolder, FollowsXdgDataHome) {
    const std::string Temp = (fs::temp_directory_path() / "velmora-appdata-test").string();
    SetEnvironmentValue("XDG_DATA_HOME", Temp);
    EXPECT_EQ(GetProgramDataFolder(), Temp + "/Velmora");
    UnsetEnvironmentValue("XDG_DATA_HOME");
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
    const fs::path Root = fs::temp_directory_path() / "velmora-blocked-test";
    fs::remove_all(Root);
    fs::create_directories(Root);
    std::ofstream((Root / "file").string()) << "x";
    EXPECT_FALSE(EnsureFolderExists((Root / "file" / "sub").string()));
    EXPECT_FALSE(EnsureFolderExists(""));
    fs::remove_all(Root);
}
