#include "package/Package.h"

#include "common/ResourseStrings.h"

IROMPackage::~IROMPackage() = default;

namespace {

void AppendWord(TByteArray& Bytes, std::uint16_t Value) {
    Bytes.push_back(static_cast<std::uint8_t>(Value >> 8));
    Bytes.push_back(static_cast<std::uint8_t>(Value & 0xFF));
}

std::uint16_t WordAt(const TByteArray& Bytes, std::size_t Index) {
    return static_cast<std::uint16_t>(Bytes[Index] << 8 | Bytes[Index + 1]);
}

} // namespace

TPackageIntegrity CheckPackageIntegrity(const TByteArray& Bytes) {
    if (Bytes.size() < TROMPackage::MinLength) {
        return TPackageIntegrity::TooShort;
    }
    if (WordAt(Bytes, 4) != Bytes.size() - TROMPackage::MinLength) {
        return TPackageIntegrity::WrongDataLength;
    }
    // The checksum makes the end-around-carry sum of the whole package zero.
    const TByteArray Body(Bytes.begin(), Bytes.end() - 1);
    if (TROMPackage::CalcCheckSum(Body) != Bytes.back()) {
        return TPackageIntegrity::WrongCheckSum;
    }
    return TPackageIntegrity::Sound;
}

void TROMPackage::FromBytes(const TByteArray& Bytes) {
    if (Bytes.size() < MinLength) {
        throw EWrongLength(SWrongLength);
    }
    Number = Bytes[0];
    Command = Bytes[1];
    PageNumber = WordAt(Bytes, 2);
    DataLength = WordAt(Bytes, 4);
    Data.assign(Bytes.begin() + 6, Bytes.end() - 1);
    CheckSum = Bytes.back();
}

void TROMPackage::ToBytes(TByteArray& Bytes) const {
    TByteArray Result;
    Result.reserve(MinLength + Data.size());
    Result.push_back(Number);
    Result.push_back(Command);
    AppendWord(Result, PageNumber);
    AppendWord(Result, DataLength);
    Result.insert(Result.end(), Data.begin(), Data.end());
    // The zero placeholder for the checksum does not change the sum.
    Result.push_back(0);
    Result.back() = CalcCheckSum(Result);
    Bytes = std::move(Result);
}

void TROMPackage::SetData(const TByteArray& Bytes) {
    Data = Bytes;
    DataLength = static_cast<std::uint16_t>(Data.size() & 0xFFFF);
}

std::uint8_t TROMPackage::CalcCheckSum(const TByteArray& Bytes) {
    unsigned Sum = 0;
    for (const std::uint8_t Byte : Bytes) {
        Sum += Byte;
        if (Sum > 0xFF) {
            Sum = (Sum & 0xFF) + 1;
        }
    }
    return static_cast<std::uint8_t>(((Sum ^ 0xFF) + 1) & 0xFF);
}
