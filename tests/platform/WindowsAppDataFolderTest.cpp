// Windows's own place for the data folder.
#include "platform/AppDataFolder.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(AppDataFolder, FallsBackToAppData) {
    SetEnvironmentValue("XDG_DATA_HOME", "relative");
    SetEnvironmentValue("APPDATA", "C:\\Users\\someone\\AppData\\Roaming");
    EXPECT_EQ(GetProgramDataFolder(), "C:\\Users\\someone\\AppData\\Roaming/Velmora");
    UnsetEnvironmentValue("XDG_DATA_HOME");
}
