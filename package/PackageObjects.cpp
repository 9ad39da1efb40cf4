#include "package/PackageObjects.h"

TCustomPackageBuilder::~TCustomPackageBuilder() = default;

void TSendPackageBuilder::Build(std::int32_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                                const TByteArray& Data, TByteArray& Bytes) const {
    TROMPackage Package;
    Package.SetNumber(static_cast<std::uint8_t>(Number & 0xFF));
    Package.SetCommand(Command);
    Package.SetPageNumber(PageNumber);
    Package.SetData(Data);
    Package.ToBytes(Bytes);
}

TPackageManager::TPackageManager()
    : RecieveBuilder(std::make_unique<TRecievePackageBuilder>()),
      SendBuilder(std::make_unique<TSendPackageBuilder>()) {}

TPackageManager::~TPackageManager() = default;

void TPackageManager::MakePackage(std::uint8_t Command, std::uint16_t PageNumber,
                                  const TByteArray& Data, TByteArray& Bytes) {
    // Wraps around instead of overflowing; only the low 8 bits are ever sent.
    PackageCounter = static_cast<std::int32_t>(static_cast<std::uint32_t>(PackageCounter) + 1u);
    SendBuilder->Build(PackageCounter, Command, PageNumber, Data, Bytes);
}
