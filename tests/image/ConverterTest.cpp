#include "common/ResourseStrings.h"
#include "image/ArrayRoutines.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/HexImageFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::int32_t PageLength = 528;

struct TRecord {
    std::uint16_t Address;
    std::uint8_t Type;
    TByteArray Data;
};

std::shared_ptr<IHexFile> MakeFile(const std::vector<TRecord>& Records) {
    auto File = std::make_shared<THexFile>();
    for (const TRecord& Record : Records) {
        File->AddRecord(Record.Address, Record.Type, Record.Data);
    }
    return File;
}

TByteArray Counting(std::size_t Count, std::uint8_t First = 1) {
    TByteArray Bytes(Count);
    for (std::size_t Index = 0; Index < Count; ++Index) {
        Bytes[Index] = static_cast<std::uint8_t>(First + Index);
    }
    return Bytes;
}

// The whole image as one flat array, page after page.
TByteArray Flatten(const IMemoryMap& Map) {
    TByteArray Image;
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TByteArray& Data = Map.GetPage(Index).GetData();
        Image.insert(Image.end(), Data.begin(), Data.end());
    }
    return Image;
}

std::shared_ptr<IMemoryMap> ToMap(const std::shared_ptr<IHexFile>& File) {
    std::shared_ptr<IMemoryMap> Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(File, PageLength, Map);
    return Map;
}

std::shared_ptr<IHexFile> ToHex(const std::shared_ptr<IMemoryMap>& Map, std::int32_t RecordSize) {
    std::shared_ptr<IHexFile> File;
    THexFileToMemoryMapConverter().MemoryMapToHex(Map, RecordSize, File);
    return File;
}

// A map of the given page numbers, each page at number x 528 holding bytes that tell it apart.
std::shared_ptr<IMemoryMap> PagesMap(const std::vector<std::int32_t>& Numbers) {
    auto Map = std::make_shared<TMemoryMap>();
    for (const std::int32_t Number : Numbers) {
        Map->AddPage(Number, Number * PageLength,
                     Counting(PageLength, static_cast<std::uint8_t>(Number * 7 + 1)));
    }
    return Map;
}

} // namespace

// Only the pages the records give a byte to are part of the image, each at its own number;
// inside such a page, bytes no record gives are 0.
TEST(HexToMemoryMap, HoldsThePagesWithDataAtTheirNumbersAndPadsWithZeros) {
    TByteArray At1000(1016, 0);
    std::copy_n(Counting(16).begin(), 16, At1000.begin() + 1000);
    TByteArray Segment1(65536 + 4, 0);
    std::copy_n(Counting(4).begin(), 4, Segment1.begin() + 65536);
    TByteArray OneOver(PageLength + 1, 0);
    OneOver[PageLength] = 0x77;
    TByteArray Gap(3 * PageLength + 2, 0);
    Gap[0] = 0x11;
    Gap[3 * PageLength + 1] = 0x33;

    struct TCase {
        const char* Name;
        std::vector<TRecord> Records;
        std::vector<std::int32_t> Pages;
        TByteArray Image; // the bytes at their addresses
    };
    const TCase Cases[] = {
        {"no records", {}, {}, {}},
        {"600 bytes",
         {{0, 0, Counting(200)}, {200, 0, Counting(200, 201)}, {400, 0, Counting(200, 145)}},
         {0, 1},
         Counting(600)},
        {"16 bytes at 1000", {{1000, 0, Counting(16)}}, {1}, At1000},
        {"base 0x0001", {{0, 4, {0x00, 0x01}}, {0, 0, Counting(4)}}, {124}, Segment1},
        {"segment 0x1000", {{0, 2, {0x10, 0x00}}, {0, 0, Counting(4)}}, {124}, Segment1},
        {"segment 0x0FFF, record address 0x10",
         {{0, 2, {0x0F, 0xFF}}, {0x10, 0, Counting(4)}},
         {124},
         Segment1},
        {"a linear base replaces a segment",
         {{0, 2, {0x10, 0x00}}, {0, 4, {0x00, 0x00}}, {0, 0, {0x11}}},
         {0},
         {0x11}},
        {"extended address alone", {{0, 4, {0x00, 0x00}}}, {}, {}},
        {"empty data and type 5 add no page",
         {{0, 0, {0xAA}}, {100, 0, {}}, {1700, 5, {1, 2, 3}}},
         {0},
         {0xAA}},
        {"later record wins", {{0, 0, {1, 2, 3}}, {1, 0, {9}}}, {0}, {1, 9, 3}},
        {"one byte past a page", {{PageLength, 0, {0x77}}}, {1}, OneOver},
        {"pages 1 and 2 left out", {{0, 0, {0x11}}, {3 * PageLength + 1, 0, {0x33}}}, {0, 3}, Gap},
    };
    for (const TCase& Case : Cases) {
        const auto Map = ToMap(MakeFile(Case.Records));
        ASSERT_TRUE(Map) << Case.Name;
        ASSERT_EQ(Map->GetPageNumbers(), Case.Pages) << Case.Name;
        TByteArray Padded = Case.Image;
        Padded.resize(Padded.size() + PageLength, 0);
        for (std::int32_t Index = 0; Index < Map->GetCount(); ++Index) {
            const TMemoryPage& Page = Map->GetPage(Index);
            EXPECT_EQ(Page.GetPageNumber(), Case.Pages[static_cast<std::size_t>(Index)])
                << Case.Name;
            EXPECT_EQ(Page.GetAddress(), Page.GetPageNumber() * PageLength) << Case.Name;
            const auto Begin = Padded.begin() + Page.GetAddress();
            EXPECT_EQ(Page.GetData(), TByteArray(Begin, Begin + PageLength)) << Case.Name;
        }
    }
}

TEST(HexToMemoryMap, NoFileLeavesTheMapAlone) {
    std::shared_ptr<IMemoryMap> Map = std::make_shared<TMemoryMap>();
    const auto Before = Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(nullptr, PageLength, Map);
    EXPECT_EQ(Map, Before);
}

TEST(HexToMemoryMap, RejectsBadExtendedAddressesAndHugeImagesBeforeAllocating) {
    struct TCase {
        const char* Name;
        std::vector<TRecord> Records;
        bool TooLarge; // else a bad extended address record
    };
    const TCase Cases[] = {
        {"extended address without data", {{0, 4, {}}}, false},
        {"extended address with one byte", {{0, 0, {1}}, {0, 4, {0x01}}}, false},
        {"base at 64 MiB", {{0, 4, {0x04, 0x00}}, {0, 0, {1}}}, true},
        {"highest base", {{0, 4, {0xFF, 0xFF}}, {0xFFF0, 0, Counting(16)}}, true},
        {"one byte beyond 64 MiB", {{0, 4, {0x03, 0xFF}}, {0xFFF0, 0, Counting(17)}}, true},
        {"highest base on a record without data", {{0, 4, {0xFF, 0xFF}}, {0, 5, {}}}, true},
    };
    for (const TCase& Case : Cases) {
        std::shared_ptr<IMemoryMap> Map;
        if (Case.TooLarge) {
            EXPECT_THROW(THexFileToMemoryMapConverter().HexToMemoryMap(MakeFile(Case.Records),
                                                                       PageLength, Map),
                         EImageIsTooLarge)
                << Case.Name;
        } else {
            EXPECT_THROW(THexFileToMemoryMapConverter().HexToMemoryMap(MakeFile(Case.Records),
                                                                       PageLength, Map),
                         EWrongExtendedAddress)
                << Case.Name;
        }
        ASSERT_TRUE(Map) << Case.Name;
        EXPECT_EQ(Map->GetCount(), 0) << Case.Name;
    }
}

TEST(MemoryMapToHex, OnePageBecomesSixteenFullRecordsAndOneShort) {
    const auto File = ToHex(PagesMap({0}), 32);
    ASSERT_EQ(File->GetCount(), 18);
    EXPECT_EQ(File->GetLine(0).ToText(), ":020000040000FA");
    for (std::int32_t Index = 1; Index <= 16; ++Index) {
        EXPECT_EQ(File->GetLine(Index).GetRecordType(), 0);
        EXPECT_EQ(File->GetLine(Index).GetAddress(), (Index - 1) * 32);
        EXPECT_EQ(File->GetLine(Index).GetData().size(), 32u);
    }
    EXPECT_EQ(File->GetLine(17).GetAddress(), 0x0200);
    EXPECT_EQ(File->GetLine(17).GetData().size(), 16u);
}

TEST(MemoryMapToHex, MapWithoutPagesRaisesOutOfRange) {
    std::shared_ptr<IHexFile> File;
    EXPECT_THROW(
        THexFileToMemoryMapConverter().MemoryMapToHex(std::make_shared<TMemoryMap>(), 32, File),
        std::out_of_range);
}

// A map starting above page 0 or with gaps is saved without records for the pages it lacks and
// loads back as exactly its own pages.
TEST(MemoryMapToHex, SparseMapsComeBackWithExactlyTheirPages) {
    const std::vector<std::vector<std::int32_t>> Cases = {{3}, {5, 2}, {0, 4095}, {9, 8, 7}};
    for (const auto& Numbers : Cases) {
        const auto Map = ToMap(ToHex(PagesMap(Numbers), 32));
        std::vector<std::int32_t> Sorted = Numbers;
        std::sort(Sorted.begin(), Sorted.end());
        ASSERT_EQ(Map->GetPageNumbers(), Sorted);
        for (const std::int32_t Number : Numbers) {
            ASSERT_NE(Map->FindPage(Number), nullptr);
            EXPECT_EQ(Map->FindPage(Number)->GetData(),
                      Counting(PageLength, static_cast<std::uint8_t>(Number * 7 + 1)))
                << "page " << Number;
        }
    }
}

TEST(MemoryMapToHex, RecordsNeverCrossA64KiBBoundary) {
    // 130 pages pass the first 64 KiB boundary; record sizes that do not divide 65536 must
    // still put every byte back at its own address.
    std::vector<std::int32_t> Numbers(130);
    for (std::int32_t Number = 0; Number < 130; ++Number) {
        Numbers[static_cast<std::size_t>(Number)] = Number;
    }
    const auto Original = PagesMap(Numbers);
    for (const std::int32_t RecordSize : {1, 3, 32, 100, 255}) {
        const auto File = ToHex(Original, RecordSize);
        for (std::int32_t Index = 0; Index < File->GetCount(); ++Index) {
            const THexLine& Line = File->GetLine(Index);
            EXPECT_LE(Line.GetAddress() + Line.GetData().size(), 65536u);
        }
        EXPECT_EQ(Flatten(*ToMap(File)), Flatten(*Original)) << "record size " << RecordSize;
    }
}

TEST(MemoryMapToHex, FullChipRoundTripsThroughAFile) {
    std::vector<std::int32_t> Numbers(4096);
    for (std::int32_t Number = 0; Number < 4096; ++Number) {
        Numbers[static_cast<std::size_t>(Number)] = Number;
    }
    const auto Original = PagesMap(Numbers);
    const auto File = ToHex(Original, 32);

    std::vector<std::uint16_t> Bases;
    int DataRecords = 0;
    for (std::int32_t Index = 0; Index < File->GetCount(); ++Index) {
        const THexLine& Line = File->GetLine(Index);
        if (Line.GetRecordType() == 4) {
            Bases.push_back(BytesToWord(Line.GetData()[0], Line.GetData()[1]));
            // Each further base comes just before the record at offset 0 of its segment.
            if (Index + 1 < File->GetCount()) {
                EXPECT_EQ(File->GetLine(Index + 1).GetAddress(), 0);
            }
        } else {
            EXPECT_EQ(Line.GetData().size(), 32u);
            ++DataRecords;
        }
    }
    ASSERT_EQ(Bases.size(), 33u);
    for (std::uint16_t Base = 0; Base < 33; ++Base) {
        EXPECT_EQ(Bases[Base], Base);
    }
    EXPECT_EQ(DataRecords, 67584);

    TTempFolder Folder;
    File->SaveToFile(Folder.File("full.ldr"));
    auto Loaded = std::make_shared<THexFile>();
    Loaded->LoadFromFile(Folder.File("full.ldr"));
    const auto Map = ToMap(Loaded);
    ASSERT_EQ(Map->GetCount(), 4096);
    for (std::int32_t Index = 0; Index < 4096; ++Index) {
        ASSERT_EQ(Map->GetPage(Index).GetData(), Original->GetPage(Index).GetData()) << Index;
        ASSERT_EQ(Map->GetPage(Index).GetAddress(), Index * PageLength);
    }
}

// The program saves image files straight from the pages: the file is the one the record
// objects give, whatever order the map's pages were added in, and it loads back as the pages.
TEST(HexImageFile, SavesTheRecordsOfThePagesWhateverTheirOrder) {
    TTempFolder Folder;
    // Pages 124 and 125 lie on both sides of the first 64 KiB boundary, which page 124 crosses.
    const std::vector<std::vector<std::int32_t>> Cases = {
        {0, 1, 2}, {3}, {0, 4095}, {2, 5}, {123, 124, 125, 127}};
    for (const auto& Numbers : Cases) {
        const std::vector<std::int32_t> Reversed(Numbers.rbegin(), Numbers.rend());
        for (const std::int32_t RecordSize : {1, 32, 255}) {
            const std::string Name = "pages " + std::to_string(Numbers.front()) + ".." +
                                     std::to_string(Numbers.back()) + ", records of " +
                                     std::to_string(RecordSize);
            ToHex(PagesMap(Numbers), RecordSize)->SaveToFile(Folder.File("records.ldr"));
            const std::string Expected = ReadFileText(Folder.File("records.ldr"));
            SaveHexImageFile(*PagesMap(Numbers), Folder.File("in-order.ldr"), RecordSize);
            EXPECT_EQ(ReadFileText(Folder.File("in-order.ldr")), Expected) << Name;
            SaveHexImageFile(*PagesMap(Reversed), Folder.File("reversed.ldr"), RecordSize);
            EXPECT_EQ(ReadFileText(Folder.File("reversed.ldr")), Expected) << Name;

            const auto Loaded = LoadHexImageFile(Folder.File("in-order.ldr"), PageLength);
            EXPECT_EQ(Loaded->GetPageNumbers(), Numbers) << Name;
            EXPECT_EQ(Flatten(*Loaded), Flatten(*PagesMap(Numbers))) << Name;
        }
    }
}

// Where two pages of a map overlap, the file holds the bytes of the one added later.
TEST(HexImageFile, OverlappingPagesAreSavedAsTheLaterOneLeavesThem) {
    const TByteArray First = Counting(PageLength, 1);
    const TByteArray Second(PageLength, 0xAA);
    const auto Half = static_cast<std::ptrdiff_t>(PageLength / 2);
    TByteArray SecondWins(First.begin(), First.begin() + Half);
    SecondWins.insert(SecondWins.end(), Second.begin(), Second.end());
    TByteArray FirstWins = First;
    FirstWins.insert(FirstWins.end(), Second.begin() + Half, Second.end());
    // What no page covers, up to the end of the last page the records reach, is 0.
    SecondWins.resize(2 * PageLength);
    FirstWins.resize(2 * PageLength);

    TTempFolder Folder;
    for (const bool FirstAddedLast : {false, true}) {
        TMemoryMap Map;
        if (FirstAddedLast) {
            Map.AddPage(1, PageLength / 2, Second);
            Map.AddPage(0, 0, First);
        } else {
            Map.AddPage(0, 0, First);
            Map.AddPage(1, PageLength / 2, Second);
        }
        SaveHexImageFile(Map, Folder.File("overlap.ldr"), 32);
        EXPECT_EQ(Flatten(*LoadHexImageFile(Folder.File("overlap.ldr"), PageLength)),
                  FirstAddedLast ? FirstWins : SecondWins);
    }
}

TEST(MemoryMapToStrings, SpacesEveryRecord) {
    const THexFileToMemoryMapConverter Converter;
    EXPECT_TRUE(Converter.MemoryMapToStrings(nullptr).empty());
    EXPECT_TRUE(Converter.MemoryMapToStrings(std::make_shared<TMemoryMap>()).empty());

    const auto Lines = Converter.MemoryMapToStrings(PagesMap({0}));
    ASSERT_EQ(Lines.size(), 18u);
    EXPECT_EQ(Lines[0], ":02 0000 04    00 00   FA");
    std::string Data;
    for (int Byte = 1; Byte <= 32; ++Byte) {
        Data += FormatText(Byte == 1 ? "%02X" : " %02X", Byte);
    }
    EXPECT_EQ(Lines[1], ":20 0000 00    " + Data + "   D0");
    EXPECT_EQ(Lines[17].substr(0, 15), ":10 0200 00    ");
    EXPECT_NE(Lines[17].back(), ' ');
}

// The largest image is the largest whole number of pages within MaxImageSize: such an image
// loads, saves and dumps, and an image reaching into the next page is refused when loading.
TEST(ImageSizeLimit, WhatLoadsCanBeSavedAndDumped) {
    const std::int64_t Largest = MaxImageSize / PageLength * PageLength;
    // One data byte 0x5A ending the image at End.
    const auto EndingAt = [](std::int64_t End) {
        const std::int64_t Last = End - 1;
        return MakeFile({{0, 4, WordToBytes(static_cast<std::uint16_t>(Last / 65536))},
                         {static_cast<std::uint16_t>(Last % 65536), 0, {0x5A}}});
    };
    for (const std::int64_t End : {Largest + 1, MaxImageSize}) {
        std::shared_ptr<IMemoryMap> Map;
        EXPECT_THROW(THexFileToMemoryMapConverter().HexToMemoryMap(EndingAt(End), PageLength, Map),
                     EImageIsTooLarge)
            << End;
    }

    const auto Map = ToMap(EndingAt(Largest));
    ASSERT_EQ(Map->GetPageNumbers(),
              std::vector<std::int32_t>{static_cast<std::int32_t>(Largest / PageLength - 1)});
    TTempFolder Folder;
    // The last record of both: 15 zero bytes and the 0x5A ending the last page (the page, alone
    // in the image, is cut into records from its own start).
    ToHex(Map, 32)->SaveToFile(Folder.File("largest.ldr"));
    const std::string Saved = ReadFileText(Folder.File("largest.ldr"));
    const std::string Ending = ":10FFB000" + std::string(30, '0') + "5AE7\r\n:00000001FF\r\n";
    ASSERT_GE(Saved.size(), Ending.size());
    EXPECT_EQ(Saved.substr(Saved.size() - Ending.size()), Ending);
    std::string Spaced;
    for (int Byte = 0; Byte < 15; ++Byte) {
        Spaced += "00 ";
    }
    const auto Lines = THexFileToMemoryMapConverter().MemoryMapToStrings(Map);
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.back(), ":10 FFB0 00    " + Spaced + "5A   E7");
}
