// Frames one package for the serial line: start marker, stuffed package, end marker,
// terminator. The frame goes to OnPackageComposed; nothing is written to the port here.
#pragma once

#include "common/ArrayTypes.h"
#include "package/ByteStaffing.h"

#include <cstdint>
#include <memory>

class TPackageComposer {
public:
    TPackageComposer(std::uint8_t StartMarker, std::uint8_t EndMarker, std::uint8_t Terminator);
    ~TPackageComposer();
    TPackageComposer(const TPackageComposer&) = delete;
    TPackageComposer& operator=(const TPackageComposer&) = delete;

    // Frames Bytes and passes the frame to OnPackageComposed (dropped when it is empty).
    // Exceptions of the handler pass to the caller.
    void Compose(const TByteArray& Bytes);

    // Receives each frame on the thread that called Compose.
    TBytesEvent OnPackageComposed;

private:
    const std::uint8_t StartMarker;
    const std::uint8_t EndMarker;
    const std::uint8_t Terminator;
    std::unique_ptr<TSendStaffer> Stuffer;
};
