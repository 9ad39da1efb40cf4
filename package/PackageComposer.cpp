#include "package/PackageComposer.h"

TPackageComposer::TPackageComposer(std::uint8_t StartMarker, std::uint8_t EndMarker,
                                   std::uint8_t Terminator)
    : StartMarker(StartMarker), EndMarker(EndMarker), Terminator(Terminator),
      Stuffer(std::make_unique<TSendStaffer>(StartMarker, EndMarker)) {}

TPackageComposer::~TPackageComposer() = default;

void TPackageComposer::Compose(const TByteArray& Bytes) {
    if (!OnPackageComposed) {
        return;
    }
    TByteArray Stuffed;
    Stuffer->Stuff(Bytes, Stuffed);
    TByteArray Frame;
    Frame.reserve(Stuffed.size() + 3);
    Frame.push_back(StartMarker);
    Frame.insert(Frame.end(), Stuffed.begin(), Stuffed.end());
    Frame.push_back(EndMarker);
    Frame.push_back(Terminator);
    OnPackageComposed(this, Frame);
}
