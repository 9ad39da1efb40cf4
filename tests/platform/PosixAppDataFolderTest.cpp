// Linux's own places for the data folder.
#include "platform/AppDataFolder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(AppDataFolder, FallsBackToLocalShareAndCannotMakeFoldersInProc) {
    SetEnvironmentValue("XDG_DATA_HOME", "");
    SetEnvironmentValue("HOME", "/home/someone");
    EXPECT_EQ(GetProgramDataFolder(), "/home/someone/.local/share/Velmora");
    UnsetEnvironmentValue("XDG_DATA_HOME");
    EXPECT_FALSE(EnsureFolderExists("/proc/velmora-cannot-exist/x"));
}
