// Turning commands into package bytes, and numbering the packages sent during a program run.
#pragma once

#include "common/ArrayTypes.h"
#include "package/Package.h"

#include <cstdint>
#include <memory>

class TCustomPackageBuilder {
public:
    virtual ~TCustomPackageBuilder();
};

class TSendPackageBuilder : public TCustomPackageBuilder {
public:
    // Replaces Bytes with the package made of the low 8 bits of Number, Command, PageNumber
    // and Data, checksum included.
    void Build(std::int32_t Number, std::uint8_t Command, std::uint16_t PageNumber,
               const TByteArray& Data, TByteArray& Bytes) const;
};

class TRecievePackageBuilder : public TCustomPackageBuilder {};

class TPackageManager {
public:
    TPackageManager();
    ~TPackageManager();
    TPackageManager(const TPackageManager&) = delete;
    TPackageManager& operator=(const TPackageManager&) = delete;

    // Numbers the next outgoing package (1, 2, ..., 255, 0, 1, ... over the run) and replaces
    // Bytes with it.
    void MakePackage(std::uint8_t Command, std::uint16_t PageNumber, const TByteArray& Data,
                     TByteArray& Bytes);

private:
    std::unique_ptr<TRecievePackageBuilder> RecieveBuilder;
    std::unique_ptr<TSendPackageBuilder> SendBuilder;
    std::int32_t PackageCounter = 0;
};
