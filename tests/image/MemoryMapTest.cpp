#include "image/ArrayRoutines.h"
#include "image/MemoryMapObjects.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ArrayRoutines, ConvertAndJoinBytes) {
    EXPECT_EQ(WordToBytes(0x1234), (TByteArray{0x12, 0x34}));
    EXPECT_EQ(WordToBytes(0x00FF), (TByteArray{0x00, 0xFF}));
    EXPECT_EQ(BytesToWord(0x12, 0x34), 0x1234);
    EXPECT_EQ(BytesToWord(0xFF, 0x00), 0xFF00);
    EXPECT_EQ(ConcatBytes({}, {0x01, 0x02}), (TByteArray{0x01, 0x02}));
    EXPECT_EQ(ConcatBytes({0x03}, {0x01, 0x02}), (TByteArray{0x03, 0x01, 0x02}));

    TByteArray Bytes{0x05, 0x06};
    ClearBytes(Bytes);
    EXPECT_EQ(Bytes, (TByteArray{0x00, 0x00}));
    TByteArray Empty;
    ClearBytes(Empty);
    EXPECT_TRUE(Empty.empty());
}

TEST(MemoryPage, FillCopiesTheCallersBytes) {
    TByteArray Bytes(528, 0xA5);
    TMemoryPage Page;
    Page.Fill(7, 7 * 528, Bytes);
    Bytes.assign(528, 0x00);
    EXPECT_EQ(Page.GetPageNumber(), 7);
    EXPECT_EQ(Page.GetAddress(), 7 * 528);
    EXPECT_EQ(Page.GetSize(), 528);
    EXPECT_EQ(Page.GetData(), TByteArray(528, 0xA5));
}

TEST(MemoryPage, ToTextSeparatesDecimalBytesWithOneBlank) {
    const std::pair<TByteArray, std::string> Cases[] = {
        {{1, 255, 16}, "1 255 16"},
        {{0}, "0"},
        {{}, ""},
    };
    for (const auto& [Bytes, Text] : Cases) {
        TMemoryPage Page;
        Page.Fill(0, 0, Bytes);
        EXPECT_EQ(Page.ToText(), Text);
    }
}

TEST(MemoryMap, KeepsPagesInInsertionOrder) {
    TMemoryMap Map;
    EXPECT_EQ(Map.GetCount(), 0);
    Map.AddPage(1, 528, {2});
    Map.AddPage(0, 0, {1});
    ASSERT_EQ(Map.GetCount(), 2);
    EXPECT_EQ(Map.GetPage(0).GetPageNumber(), 1);
    EXPECT_EQ(Map.GetPage(0).GetAddress(), 528);
    EXPECT_EQ(Map.GetPage(1).GetPageNumber(), 0);
    EXPECT_EQ(Map.GetPage(1).GetAddress(), 0);
}

TEST(MemoryMap, GetPageOutsideTheListRaisesOutOfRange) {
    TMemoryMap Map;
    EXPECT_THROW(Map.GetPage(0), std::out_of_range);
    Map.AddPage(0, 0, {1});
    EXPECT_THROW(Map.GetPage(-1), std::out_of_range);
    EXPECT_THROW(Map.GetPage(1), std::out_of_range);
    EXPECT_EQ(Map.GetCount(), 1);
}

TEST(MemoryMap, ToStringsAppendsEachPageAndAnEmptyLine) {
    TMemoryMap Map;
    Map.AddPage(0, 0, {1, 2});
    Map.AddPage(1, 528, {3});
    std::vector<std::string> Lines{"before"};
    Map.ToStrings(&Lines);
    EXPECT_EQ(Lines, (std::vector<std::string>{"before", "1 2", "", "3", ""}));
    Map.ToStrings(nullptr);
}

TEST(MemoryMap, ClearRemovesEveryPage) {
    TMemoryMap Map;
    Map.Clear();
    Map.AddPage(0, 0, {1});
    Map.AddPage(1, 528, {2});
    Map.Clear();
    EXPECT_EQ(Map.GetCount(), 0);
    Map.AddPage(5, 0, {9});
    EXPECT_EQ(Map.GetPage(0).GetPageNumber(), 5);
}
