// A whole chip through the head manager and the simulator: write, compare, read back, save.
#include "operations/HeadManager.h"

#include "image/MemoryMapObjects.h"
#include "simulator/ProgrammerSimulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr int ChipPages = 4096;
constexpr int PageLength = 528;

std::string ReadBytes(const fs::path& Path) {
    std::ifstream File(Path, std::ios::binary);
    std::ostringstream Text;
    Text << File.rdbuf();
    return Text.str();
}

TEST(FullChipTest, WrittenImageComparesEqualAndReadsBackToTheSameFile) {
    std::string Template = (fs::temp_directory_path() / "velmora-chip-XXXXXX").string();
    ASSERT_NE(mkdtemp(Template.data()), nullptr);
    const fs::path Folder = Template;

    TProgrammerSimulator Simulator;
    THeadManager Head(Simulator.Start());
    std::vector<int> Progress;
    std::vector<std::string> Lines;
    Head.OnProgress = [&](THeadManager*, int Percent, TDateTime) { Progress.push_back(Percent); };
    Head.OnMessage = [&](THeadManager*, const std::string& Text, TColor) { Lines.push_back(Text); };

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
    EXPECT_EQ(Lines.back(), "Запись прошла успешно.");
    ASSERT_EQ(Progress.size(), static_cast<size_t>(ChipPages));
    EXPECT_EQ(Progress.front(), 1);
    EXPECT_EQ(Progress.back(), 101);

    EXPECT_EQ(Head.CompareImage(), THeadManager::CompareEqual);

    Progress.clear();
    Head.ReadImage();
    EXPECT_EQ(Lines.back(), "Чтение прошло успешно.");
    EXPECT_EQ(Progress.front(), 0);
    EXPECT_EQ(Progress.back(), 100);
    ASSERT_EQ(Head.GetMemoryMap()->GetCount(), ChipPages);

    const fs::path ReadBack = Folder / "ReadImage.ldr";
    Head.SaveImageToFile(ReadBack.string());
    const std::string OriginalBytes = ReadBytes(Original);
    EXPECT_FALSE(OriginalBytes.empty());
    EXPECT_TRUE(ReadBytes(ReadBack) == OriginalBytes) << "the saved files differ";

    Simulator.Stop();
    fs::remove_all(Folder);
}

} // namespace
