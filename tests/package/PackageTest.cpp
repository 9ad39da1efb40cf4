#include "package/PackageObjects.h"

#include "tests/support/ThrownMessage.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct TBuildCase {
    int Number;
    std::uint8_t Command;
    std::uint16_t PageNumber;
    TByteArray Data;
    TByteArray Package;
};

const std::vector<TBuildCase> WorkedExamples = {
    {1, 0x50, 0, {}, {0x01, 0x50, 0x00, 0x00, 0x00, 0x00, 0xAF}},
    {1, 0x50, 0x0155, {}, {0x01, 0x50, 0x01, 0x55, 0x00, 0x00, 0x59}},
    {2, 0x40, 7, {0xAA, 0xC3}, {0x02, 0x40, 0x00, 0x07, 0x00, 0x02, 0xAA, 0xC3, 0x47}},
    {255, 0xF0, 0, {}, {0xFF, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x10}},
};

TEST(PackageTest, BuildMatchesTheWorkedExamples) {
    TSendPackageBuilder Builder;
    for (const TBuildCase& Case : WorkedExamples) {
        TByteArray Bytes{0x99, 0x99};
        Builder.Build(Case.Number, Case.Command, Case.PageNumber, Case.Data, Bytes);
        EXPECT_EQ(Bytes, Case.Package) << "package number " << Case.Number;
    }
    // Only the low 8 bits of the number are sent.
    TByteArray Bytes;
    Builder.Build(0x1FF, 0xF0, 0, {}, Bytes);
    EXPECT_EQ(Bytes, WorkedExamples[3].Package);
}

TEST(PackageTest, WorkedExamplesLoadIntoTheirFields) {
    for (const TBuildCase& Case : WorkedExamples) {
        const std::shared_ptr<IROMPackage> Package = std::make_shared<TROMPackage>();
        Package->FromBytes(Case.Package);
        EXPECT_EQ(Package->GetNumber(), Case.Number & 0xFF);
        EXPECT_EQ(Package->GetCommand(), Case.Command);
        EXPECT_EQ(Package->GetPageNumber(), Case.PageNumber);
        EXPECT_EQ(Package->GetDataLength(), Case.Data.size());
        EXPECT_EQ(Package->GetData(), Case.Data);
        EXPECT_EQ(Package->GetCheckSum(), Case.Package.back());
        TByteArray Again;
        Package->ToBytes(Again);
        EXPECT_EQ(Again, Case.Package);
    }
}

TEST(PackageTest, CheckSumUsesEndAroundCarry) {
    EXPECT_EQ(TROMPackage::CalcCheckSum({}), 0x00);
    EXPECT_EQ(TROMPackage::CalcCheckSum({0x01}), 0xFF);
    EXPECT_EQ(TROMPackage::CalcCheckSum({0xFF, 0x01}), 0xFF);
    EXPECT_EQ(TROMPackage::CalcCheckSum({0xFF, 0xFF}), 0x01); // 0x1FE -> 0xFF, negated 0x01
    EXPECT_EQ(TROMPackage::CalcCheckSum({0x00, 0x00, 0x00}), 0x00);
    // Appending zero bytes does not change the sum.
    EXPECT_EQ(TROMPackage::CalcCheckSum({0x4B, 0xAA, 0xC3}),
              TROMPackage::CalcCheckSum({0x4B, 0xAA, 0xC3, 0x00}));
}

TEST(PackageTest, ManagerNumbersPackagesAndWrapsAfter255) {
    TPackageManager Manager;
    TByteArray Bytes;
    Manager.MakePackage(0x50, 0x0102, {}, Bytes);
    const TByteArray First = {
        0x01, 0x50, 0x01, 0x02, 0x00, 0x00, TROMPackage::CalcCheckSum({0x01, 0x50, 0x01, 0x02})};
    EXPECT_EQ(Bytes, First);
    for (int Made = 2; Made <= 257; ++Made) {
        Manager.MakePackage(0x10, 0, {1, 2, 3}, Bytes);
        const int ExpectedNumber = Made == 256 ? 0 : Made == 257 ? 1 : Made;
        ASSERT_EQ(Bytes[0], ExpectedNumber) << "package " << Made;
    }
    EXPECT_EQ(Bytes.size(), 10u);
}

TEST(PackageTest, SevenBytesGiveEmptyDataAndKeepTheReceivedHead) {
    TROMPackage Package;
    Package.FromBytes({0x07, 0x21, 0x0F, 0xFF, 0x02, 0x10, 0x33});
    EXPECT_EQ(Package.GetNumber(), 0x07);
    EXPECT_EQ(Package.GetCommand(), 0x21);
    EXPECT_EQ(Package.GetPageNumber(), 0x0FFF);
    EXPECT_EQ(Package.GetDataLength(), 0x0210);
    EXPECT_TRUE(Package.GetData().empty());
    EXPECT_EQ(Package.GetCheckSum(), 0x33);
    // ToBytes writes the stored data length and a freshly computed checksum.
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    const TByteArray Head = {0x07, 0x21, 0x0F, 0xFF, 0x02, 0x10};
    TByteArray Expected = Head;
    Expected.push_back(TROMPackage::CalcCheckSum(Head));
    EXPECT_EQ(Bytes, Expected);
}

TEST(PackageTest, ShortInputRaisesWrongLengthAndLeavesThePackageAsItWas) {
    for (const TByteArray& Short : {TByteArray{1, 2, 3, 4, 5, 6}, TByteArray{}}) {
        TROMPackage Package;
        Package.SetNumber(9);
        Package.SetCommand(0x21);
        Package.SetPageNumber(300);
        Package.SetData({1, 2});
        EXPECT_EQ(ThrownMessage<EWrongLength>([&] { Package.FromBytes(Short); }), "EWrongLength")
            << Short.size() << " bytes";
        EXPECT_EQ(Package.GetNumber(), 9);
        EXPECT_EQ(Package.GetCommand(), 0x21);
        EXPECT_EQ(Package.GetPageNumber(), 300);
        EXPECT_EQ(Package.GetDataLength(), 2);
        EXPECT_EQ(Package.GetData(), (TByteArray{1, 2}));
    }
}

TEST(PackageTest, WrongLengthBelongsToThePackageFamily) {
    TROMPackage Package;
    EXPECT_THROW(Package.FromBytes({1}), ERecievePackageError);
    EXPECT_THROW(Package.FromBytes({1}), EPackageError);
    EXPECT_THROW(Package.FromBytes({1}), Exception);
}

TEST(PackageTest, DataLongerThan65535KeepsAllBytesAndTheLow16BitsOfItsLength) {
    TROMPackage Package;
    TByteArray Data(65536 + 3, 0x11);
    Package.SetData(Data);
    EXPECT_EQ(Package.GetDataLength(), 3);
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    ASSERT_EQ(Bytes.size(), Data.size() + 7);
    EXPECT_EQ(Bytes[4], 0x00);
    EXPECT_EQ(Bytes[5], 0x03);
    TROMPackage Loaded;
    Loaded.FromBytes(Bytes);
    EXPECT_EQ(Loaded.GetData(), Data);
}

} // namespace
