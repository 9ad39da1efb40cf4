// One package of the programmer protocol: a six-byte head (number, command, page number and data
// length, high byte first), the data and a one-byte checksum.
#pragma once

#include "common/ArrayTypes.h"
#include "common/Exception.h"
#include "package/CustomPackage.h"

#include <cstdint>
#include <memory>

// The package layer's exception family. Only EWrongLength is raised.
class EPackageError : public Exception {
public:
    using Exception::Exception;
};
class ERecievePackageError : public EPackageError {
public:
    using EPackageError::EPackageError;
};
class EWrongLength : public ERecievePackageError {
public:
    using ERecievePackageError::ERecievePackageError;
};

// Packages are passed around and kept through this interface (std::shared_ptr<IROMPackage>).
class IROMPackage {
public:
    virtual ~IROMPackage();
    // Throws EWrongLength (and logs the bytes) when Bytes is shorter than a package head and
    // checksum; the fields are then unchanged.
    virtual void FromBytes(const TByteArray& Bytes) = 0;
    virtual std::uint8_t GetCheckSum() const = 0;
    virtual const TByteArray& GetData() const = 0;
    virtual std::uint8_t GetCommand() const = 0;
    virtual void SetCommand(std::uint8_t Value) = 0;
    virtual void ToBytes(TByteArray& Bytes) const = 0;
    virtual std::uint8_t GetNumber() const = 0;
    virtual void SetNumber(std::uint8_t Value) = 0;
    virtual std::uint16_t GetPageNumber() const = 0;
    virtual void SetPageNumber(std::uint16_t Value) = 0;
    virtual std::uint16_t GetDataLength() const = 0;
    // Copies Bytes into the data and sets the data length to the low 16 bits of its size.
    virtual void SetData(const TByteArray& Bytes) = 0;
};

// What is wrong with the bytes of a received package, if anything: shorter than a head and a
// checksum, a data length field that disagrees with the data that came, or a checksum byte that
// disagrees with the bytes before it.
enum class TPackageIntegrity { Sound, TooShort, WrongDataLength, WrongCheckSum };
TPackageIntegrity CheckPackageIntegrity(const TByteArray& Bytes);

class TROMPackage : public TCustomPackage, public IROMPackage {
public:
    // The shortest package: six head bytes and the checksum.
    static constexpr std::size_t MinLength = 7;

    void FromBytes(const TByteArray& Bytes) override;
    void ToBytes(TByteArray& Bytes) const override;

    std::uint8_t GetCheckSum() const override { return CheckSum; }
    const TByteArray& GetData() const override { return Data; }
    std::uint8_t GetCommand() const override { return Command; }
    void SetCommand(std::uint8_t Value) override { Command = Value; }
    std::uint8_t GetNumber() const override { return Number; }
    void SetNumber(std::uint8_t Value) override { Number = Value; }
    std::uint16_t GetPageNumber() const override { return PageNumber; }
    void SetPageNumber(std::uint16_t Value) override { PageNumber = Value; }
    std::uint16_t GetDataLength() const override { return DataLength; }
    void SetData(const TByteArray& Bytes) override;

    // The checksum byte of Bytes: their sum with end-around carry, negated modulo 256.
    static std::uint8_t CalcCheckSum(const TByteArray& Bytes);

private:
    std::uint8_t Number = 0;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
    std::uint16_t DataLength = 0;
    TByteArray Data;
    std::uint8_t CheckSum = 0;
};
