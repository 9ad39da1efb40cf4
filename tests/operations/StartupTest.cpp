#include "operations/Startup.h"

#include "logging/LogManager.h"
#include "operations/HeadManager.h"
#include "operations/Settings.h"
#include "operations/UIObjects.h"
#include "platform/AppDataFolder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

TEST(StartupTest, MakesTheGlobalsInOrderAndClearsThemAgain) {
    const TTempFolder Temp("velmora-start");
    const fs::path Folder = Temp.Path();
    {
        TApplicationSingletons Singletons((Folder / "no-port").string(),
                                          (Folder / "Velmora.log").string());
        EXPECT_EQ(GBurnImagae, &Singletons.GetBurnImage());
        EXPECT_EQ(GInfoRichEdit, &Singletons.GetInfoRichEdit());
        EXPECT_EQ(GProgress, &Singletons.GetProgress());
        EXPECT_EQ(GLogManager, &Singletons.GetLogManager());
        EXPECT_TRUE(GLogManager->HexMode);
        EXPECT_EQ(GHeadManager, &Singletons.GetHeadManager());
        EXPECT_EQ(GHeadManager->GetPortName(), (Folder / "no-port").string());
        EXPECT_EQ(GBurnImagae->GetState(), bisEmpty);
    }
    EXPECT_EQ(GBurnImagae, nullptr);
    EXPECT_EQ(GInfoRichEdit, nullptr);
    EXPECT_EQ(GProgress, nullptr);
    EXPECT_EQ(GLogManager, nullptr);
    EXPECT_EQ(GHeadManager, nullptr);
    EXPECT_TRUE(fs::exists(Folder / "Velmora.log"));
}

TEST(StartupTest, LogLimitOfTheCommandLineWinsOverTheSettingsFile) {
    const TTemporaryDataHome Home("velmora-start");
    ASSERT_TRUE(EnsureFolderExists(GetProgramDataFolder()));
    WriteFileText(DefaultSettingsFileName(), "[Log]\nLog Limit=2M\n");
    const std::string NoPort = Home.Path() + "/no-port";
    for (const std::optional<std::uint64_t> Given :
         {std::optional<std::uint64_t>(4096), std::optional<std::uint64_t>()}) {
        SetCommandLineLogLimit(Given);
        TApplicationSingletons Singletons(NoPort);
        EXPECT_EQ(GLogManager->GetFileName(), TLogManager::DefaultFileName());
        EXPECT_EQ(GLogManager->GetLimit(), Given.value_or(std::uint64_t{2} << 20));
    }
}

} // namespace
