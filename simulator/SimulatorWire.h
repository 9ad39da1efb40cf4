// The programmer's side of the serial wire format: checksum, byte stuffing, frames and the
// cutting of request frames out of a byte stream. Written on its own (it shares nothing with
// the program's package layer) so that a fault in one cannot hide behind the same fault in
// the other.
#pragma once

#include "common/ArrayTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

inline constexpr std::uint8_t SimStartMarker = 0xAA;
inline constexpr std::uint8_t SimEndMarker = 0x55;
inline constexpr std::uint8_t SimTerminator = 0xFF;
// Number, command, page number (2), data length (2) and checksum.
inline constexpr std::size_t SimPackageOverhead = 7;

// Checksum of a byte sequence: sum with end-around carry, then negated modulo 256.
std::uint8_t SimCheckSum(const std::uint8_t* Bytes, std::size_t Count);
inline std::uint8_t SimCheckSum(const TByteArray& Bytes) {
    return SimCheckSum(Bytes.data(), Bytes.size());
}

// Serialised package: number, command, page (high byte first), data length (high byte
// first), data, checksum.
TByteArray SimBuildPackage(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                           const TByteArray& Data);

// Doubles every start and end marker byte.
TByteArray SimStuff(const TByteArray& Package);

// Removes the second byte of every doubled marker. StuffingValid (optional) is cleared when a
// start marker stands alone: such a byte cannot occur in a correctly stuffed frame. A lone end
// marker inside the frame's content cannot occur at all, because it ends the frame.
TByteArray SimUnstuff(const TByteArray& Stuffed, bool* StuffingValid = nullptr);

// Start marker, stuffed package, end marker, terminator.
TByteArray SimComposeFrame(const TByteArray& Package);

// One frame cut out of the received bytes.
struct TSimReceivedFrame {
    // The bytes as they came over the wire: start marker, stuffed content, end marker and the
    // byte that ended the frame (the terminator), unless that byte was the start marker of the
    // next frame.
    TByteArray Raw;
    // The content between start and end marker with the stuffing removed.
    TByteArray Package;
    // False when the content held a start marker byte that was not doubled.
    bool StuffingValid = true;
};

// Cuts frames out of a byte stream fed one byte at a time. Bytes outside frames are skipped.
// A frame ends at the first byte that follows a single end marker; that byte is the
// terminator, or the start marker of the next frame (which then opens it).
class TSimFrameCutter {
public:
    // Returns the frame that this byte completed, if any.
    std::optional<TSimReceivedFrame> Feed(std::uint8_t Byte);
    // Number of bytes skipped outside frames so far.
    std::size_t GetSkippedBytes() const { return SkippedBytes; }
    // Drops a partly received frame.
    void Reset();

private:
    enum class TState { Searching, InFrame, AfterEndMarker };

    TState State = TState::Searching;
    TByteArray Raw;
    std::size_t SkippedBytes = 0;
};
