// A whole chip through the head manager and the simulator: write, compare, read back, save.
#include "operations/HeadManager.h"

#include "image/MemoryMapObjects.h"
#include "simulator/ProgrammerSimulator.h"
#include "tests/support/HeadManagerEvents.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;

constexpr int ChipPages = 4096;
constexpr int PageLength = 528;

TEST(FullChipTest, WrittenImageComparesEqualAndReadsBackToTheSameFile) {
    const TTempFolder Temp("velmora-chip");
    const fs::path Folder = Temp.Path();

    TProgrammerSimulator Simulator;
    THeadManagerEvents Events;
    THeadManager Head(Simulator.Start(), nullptr, NoLog());
    Events.Attach(Head);

    std::mt19937 Random(20240521);
    for (int Page = 0; Page < ChipPages; ++Page) {
        TByteArray Data(PageLength);
        for (auto& Byte : Data) {
            Byte = static_cast<std::uint8_t>(Random());
        }
        Head.GetMemoryMap()->AddPage(Page, Page * PageLength, Data);
    }
    const fs::path Original = Folder / "original.ldr";
    Head.SaveImageToFile(Original.string());
    Head.ClearImage();
    Head.LoadImageFromFile(Original.string());
    ASSERT_EQ(Head.GetMemoryMap()->GetCount(), ChipPages);

    Head.WriteImage();
    EXPECT_EQ(Events.Lines.back().first, "Запись прошла успешно.");
    ASSERT_EQ(Events.Progress.size(), static_cast<size_t>(ChipPages));
    EXPECT_EQ(Events.Progress.front(), 1);
    EXPECT_EQ(Events.Progress.back(), 101);

    EXPECT_EQ(Head.CompareImage(), THeadManager::CompareEqual);

    Events.Progress.clear();
    Head.ReadImage();
    EXPECT_EQ(Events.Lines.back().first, "Чтение прошло успешно.");
    EXPECT_EQ(Events.Progress.front(), 0);
    EXPECT_EQ(Events.Progress.back(), 100);
    ASSERT_EQ(Head.GetMemoryMap()->GetCount(), ChipPages);

    const fs::path ReadBack = Folder / "ReadImage.ldr";
    Head.SaveImageToFile(ReadBack.string());
    const std::string OriginalBytes = ReadFileText(Original);
    EXPECT_FALSE(OriginalBytes.empty());
    EXPECT_TRUE(ReadFileText(ReadBack) == OriginalBytes) << "the saved files differ";

    Simulator.Stop();
}

} // namespace
