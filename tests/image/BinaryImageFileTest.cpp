#include "image/BinaryImageFile.h"

#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

constexpr int PageLength = TestPageLength;
constexpr int ChipPages = 4096;
constexpr int ChipSize = ChipPages * PageLength;

// Length bytes that differ from their neighbours and from 0xFF at a page's end.
std::string SomeBytes(int Length) {
    std::mt19937 Random(static_cast<unsigned>(Length));
    std::string Bytes(static_cast<std::size_t>(Length), '\0');
    for (char& Byte : Bytes) {
        Byte = static_cast<char>(Random() % 255);
    }
    return Bytes;
}

class BinaryImageFile : public testing::Test {
protected:
    const TTempFolder Temp{"velmora-bin"};
    const std::string Name = Temp.File("image.bin");
};

TEST_F(BinaryImageFile, LoadCutsTheFileIntoNumberedPagesAndPadsTheLastOneWithFF) {
    const std::string Padded = FormatText(SBinaryLastPagePadded, Name.c_str(), PageLength);
    EXPECT_EQ(Padded, "Длина файла " + Name +
                          " не кратна 528 байтам: последняя страница дополнена байтами FF.");
    const std::pair<int, int> Cases[] = {
        {1, 1}, {528, 1}, {529, 2}, {1056, 2}, {ChipSize, ChipPages}};
    for (const auto& [Length, Pages] : Cases) {
        const std::string Bytes = SomeBytes(Length);
        WriteFileText(Name, Bytes);
        const TBinaryImage Image = LoadBinaryImage(Name, PageLength, ChipPages);
        ASSERT_EQ(Image.Map->GetCount(), Pages) << Length;
        EXPECT_EQ(Image.Note, Length % PageLength == 0 ? "" : Padded) << Length;
        std::string Loaded;
        for (int Index = 0; Index < Pages; ++Index) {
            const TMemoryPage& Page = Image.Map->GetPage(Index);
            ASSERT_EQ(Page.GetPageNumber(), Index);
            ASSERT_EQ(Page.GetAddress(), Index * PageLength);
            Loaded.append(Page.GetData().begin(), Page.GetData().end());
        }
        EXPECT_EQ(Loaded, Bytes + std::string(Pages * PageLength - Length, '\xFF')) << Length;
    }
}

TEST_F(BinaryImageFile, EmptyOrLargerThanTheChipIsRefusedAndMissingGivesNoPages) {
    const std::string TooLarge = "Файл " + Name +
                                 " слишком велик: 2162689 байт, а в микросхему помещается не "
                                 "более 2162688 байт.";
    const std::pair<int, std::string> Cases[] = {{0, SFileIsEmpty}, {ChipSize + 1, TooLarge}};
    for (const auto& [Length, Message] : Cases) {
        WriteFileText(Name, std::string(static_cast<std::size_t>(Length), 'x'));
        try {
            LoadBinaryImage(Name, PageLength, ChipPages);
            ADD_FAILURE() << Length << " loaded";
        } catch (const EFileIsEmpty& Error) {
            EXPECT_EQ(Length, 0);
            EXPECT_EQ(Error.what(), Message);
        } catch (const EImageIsTooLarge& Error) {
            EXPECT_EQ(Length, ChipSize + 1);
            EXPECT_EQ(Error.what(), Message);
        }
    }
    EXPECT_EQ(LoadBinaryImage(Temp.File("missing.bin"), PageLength, ChipPages).Map->GetCount(), 0);
}

// A raw file cannot show a missing page, and written back it would erase that chip page: an image
// lacking a page from 0 to its highest is refused and the file left alone.
TEST_F(BinaryImageFile, SaveRefusesAnImageWithMissingPagesAndPlacesWholeOnesByAddress) {
    // Four-byte pages 3 and 1 of a map starting above page 0 and missing page 2.
    TMemoryMap Gaps;
    Gaps.AddPage(3, 12, Hex("0A 0B 0C 0D"));
    Gaps.AddPage(1, 4, Hex("01 02 03 04"));
    WriteFileText(Name, "old");
    try {
        SaveBinaryImage(Gaps, Name);
        ADD_FAILURE() << "saved";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.what(), FormatText(SBinaryImageHasGaps, Name.c_str(), "0, 2"));
    }
    EXPECT_EQ(ReadFileText(Name), "old");

    TMemoryMap Map;
    Map.AddPage(1, 4, Hex("01 02 03 04"));
    Map.AddPage(0, 0, Hex("0A 0B 0C 0D"));
    SaveBinaryImage(Map, Name);
    EXPECT_EQ(ReadFileText(Name), std::string("\x0A\x0B\x0C\x0D\x01\x02\x03\x04", 8));
    const std::string Elsewhere = Temp.File("missing-folder/image.bin");
    try {
        SaveBinaryImage(Map, Elsewhere);
        ADD_FAILURE() << "saved";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.what(), FormatText(SCannotWriteFile, Elsewhere.c_str()));
    }
}

} // namespace
