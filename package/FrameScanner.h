// Cuts frames out of the bytes received (start marker, stuffed package, a single end marker,
// one more byte) and unstuffs their packages. A plain object for one thread, fed burst by burst:
// each byte is looked at once, and only the frame in progress is kept.
//
// Noise is recognised on the way: a start marker inside a frame that is not doubled cannot be
// data, so it opens the frame anew; a frame longer than any package can make is dropped at once.
// A frame whose package is damaged (its length field or checksum disagree) is searched for a
// sound package starting at another start marker of the run of start markers it begins with,
// as a start marker of noise right before a reply leaves it paired with the reply's own; a
// bounded number of them is tried, so the work stays linear in the bytes received. A package
// is only ever taken from between a frame's start and end markers: never from the data of
// another package, where a doubled start marker followed by bytes that happen to make a sound
// package would give a package that was never sent.
#pragma once

#include "common/ArrayTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

class TFrameScanner {
public:
    // What the scanner hands on: each package cut out (sound or, when no sound one was found in
    // its frame, everything after its first start marker as it came, or when that happens to
    // look sound, the damaged one from the frame's own start), and each time a frame ended
    // with the last byte of a burst, which leaves nothing held.
    struct TSink {
        std::function<void(TByteArray&& Package)> Package;
        std::function<void()> Emptied;
    };

    // The longest frame a package can make: start marker, the longest package (a head and
    // checksum of 7 bytes and 65535 data bytes) with every byte doubled, end marker, one more.
    static constexpr std::size_t MaxFrameLength = 2 * (7 + 65535) + 3;

    TFrameScanner(std::uint8_t StartMarker, std::uint8_t EndMarker);

    void Feed(const std::uint8_t* Bytes, std::size_t Count, const TSink& Sink);
    // The memory the frame in progress holds, in bytes.
    std::size_t GetCapacity() const { return Frame.capacity(); }
    // The fewest bytes that must still come before the frame in progress can end, by the
    // package's length as its head gives it; 0 while no frame is in progress. A damaged head
    // may promise more than will come: a lower bound for sound frames only.
    std::size_t GetBytesStillDue() const;

private:
    enum class TState : std::uint8_t { Searching, InFrame, AfterStartMarker, AfterEndMarker };

    void Take(std::uint8_t Byte, bool LastOfBurst, const TSink& Sink);
    void TakeInFrame(std::uint8_t Byte);
    void CountPackageByte(std::uint8_t Byte);
    void EndFrame(const TSink& Sink, bool Emptied);
    TByteArray FindPackage() const;
    TByteArray UnstuffFrom(std::size_t Start) const;
    void Forget();

    const std::uint8_t StartMarker;
    const std::uint8_t EndMarker;
    TState State = TState::Searching;
    // The frame in progress from its first start marker on.
    TByteArray Frame;
    // Where in Frame the last start marker that was not data stands: the frame's own start.
    std::size_t FrameStart = 0;
    // The package bytes of the frame from its own start, a doubled marker counted once, and
    // the first of them: the head, whose last two bytes give the data's length.
    std::size_t PackageBytes = 0;
    std::array<std::uint8_t, 6> Head{};
};
