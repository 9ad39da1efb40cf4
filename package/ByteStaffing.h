// Byte stuffing: a marker byte inside a package is sent twice so that it cannot be taken for a
// frame boundary, and the receiver removes the second copy again.
#pragma once

#include "common/ArrayTypes.h"

#include <cstdint>

class TSendStaffer {
public:
    TSendStaffer(std::uint8_t StartMarker, std::uint8_t EndMarker);
    // Replaces Result with Bytes in which every StartMarker and EndMarker byte is doubled.
    void Stuff(const TByteArray& Bytes, TByteArray& Result) const;

private:
    const std::uint8_t StartMarker;
    const std::uint8_t EndMarker;
};

class TReceiveStaffer {
public:
    TReceiveStaffer(std::uint8_t StartMarker, std::uint8_t EndMarker);
    // Replaces Result with Bytes in which every doubled marker is single again; a marker that
    // is not doubled is kept as it is.
    void Unstuff(const TByteArray& Bytes, TByteArray& Result) const;

private:
    const std::uint8_t StartMarker;
    const std::uint8_t EndMarker;
};
