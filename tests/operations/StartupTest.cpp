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

} // namespace
