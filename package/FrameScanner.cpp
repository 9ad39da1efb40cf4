#include "package/FrameScanner.h"

#include "package/ByteStaffing.h"
#include "package/Package.h"

#include <algorithm>
#include <utility>

namespace {

// An emptied frame buffer holding more memory than this gives it back: a burst of noise or a
// long frame must not keep its memory for good.
constexpr std::size_t RetainedCapacity = 4096;
// Start markers of a damaged frame's run of start markers tried for a sound package besides
// the frame's own start.
constexpr std::size_t TriedStarts = 8;
// A package without data: head and checksum.
constexpr std::size_t ShortestPackage = 7;
// What follows a frame's package: the end marker and the byte after it.
constexpr std::size_t FrameEndLength = 2;

} // namespace

TFrameScanner::TFrameScanner(std::uint8_t StartMarker, std::uint8_t EndMarker)
    : StartMarker(StartMarker), EndMarker(EndMarker) {}

void TFrameScanner::Feed(const std::uint8_t* Bytes, std::size_t Count, const TSink& Sink) {
    for (std::size_t Index = 0; Index < Count; ++Index) {
        Take(Bytes[Index], Index + 1 == Count, Sink);
    }
}

void TFrameScanner::Take(std::uint8_t Byte, bool LastOfBurst, const TSink& Sink) {
    if (State != TState::Searching && Frame.size() + 1 - FrameStart > MaxFrameLength) {
        // Noise that happened to hold a start marker: no package ends this far from it.
        Forget();
    }
    switch (State) {
    case TState::Searching:
        if (Byte == StartMarker) {
            Frame.assign(1, Byte);
            FrameStart = 0;
            PackageBytes = 0;
            State = TState::InFrame;
        }
        return;
    case TState::AfterEndMarker:
        if (Byte != EndMarker) {
            // The byte after a single end marker ends the frame; it is looked at again while
            // searching, so a start marker right here opens the next frame.
            Frame.push_back(Byte);
            EndFrame(Sink, LastOfBurst && Byte != StartMarker);
            Take(Byte, LastOfBurst, Sink);
            return;
        }
        // A doubled end marker is a data byte.
        Frame.push_back(Byte);
        CountPackageByte(Byte);
        State = TState::InFrame;
        break;
    case TState::AfterStartMarker:
        Frame.push_back(Byte);
        if (Byte == StartMarker) {
            // A doubled start marker is a data byte.
            CountPackageByte(Byte);
            State = TState::InFrame;
            break;
        }
        // A start marker that is not doubled is no data: the frame begins anew there.
        FrameStart = Frame.size() - 2;
        PackageBytes = 0;
        State = TState::InFrame;
        TakeInFrame(Byte);
        break;
    case TState::InFrame:
        Frame.push_back(Byte);
        TakeInFrame(Byte);
        break;
    }
    if (FrameStart > 2 * MaxFrameLength) {
        // Frames begun anew again and again keep only what one package could span.
        const std::size_t Dropped = FrameStart - MaxFrameLength;
        Frame.erase(Frame.begin(), Frame.begin() + static_cast<std::ptrdiff_t>(Dropped));
        FrameStart -= Dropped;
    }
}

void TFrameScanner::TakeInFrame(std::uint8_t Byte) {
    if (Byte == StartMarker) {
        State = TState::AfterStartMarker;
    } else if (Byte == EndMarker) {
        State = TState::AfterEndMarker;
    } else {
        CountPackageByte(Byte);
    }
}

void TFrameScanner::CountPackageByte(std::uint8_t Byte) {
    if (PackageBytes < Head.size()) {
        Head[PackageBytes] = Byte;
    }
    ++PackageBytes;
}

std::size_t TFrameScanner::GetBytesStillDue() const {
    if (State == TState::Searching) {
        return 0;
    }
    if (State == TState::AfterEndMarker) {
        return 1; // the byte that ends the frame, or the end marker's twin
    }
    const std::size_t DataLength =
        PackageBytes >= Head.size() ? std::size_t{Head[4]} << 8 | Head[5] : 0;
    const std::size_t PackageLength = ShortestPackage + DataLength;
    const std::size_t Due =
        (PackageLength > PackageBytes ? PackageLength - PackageBytes : 0) + FrameEndLength;
    // A start marker waits for its twin, or else begins a frame of its own.
    return State == TState::AfterStartMarker ? std::min(Due, ShortestPackage + FrameEndLength)
                                             : Due;
}

void TFrameScanner::EndFrame(const TSink& Sink, bool Emptied) {
    TByteArray Package = FindPackage();
    Forget();
    if (Emptied && Sink.Emptied) {
        Sink.Emptied();
    }
    if (Sink.Package) {
        Sink.Package(std::move(Package));
    }
}

// The package of the frame from its own start, or, when that is damaged, the first sound one
// from another start marker of the run of start markers the frame's own start stands in; else
// a damaged one. Such
// a run is where the ambiguity of stuffing lies: a package whose first bytes are 0xAA follows
// its start marker with doubled start markers, and a start marker of noise just before the
// frame pairs with the real one, so any marker of the run that leaves an even number after it
// may be the real start. Past the run, a start marker inside the frame is data (doubled) or
// began the frame anew: a package is never carved out of the data of another.
TByteArray TFrameScanner::FindPackage() const {
    TByteArray Package = UnstuffFrom(FrameStart);
    if (CheckPackageIntegrity(Package) == TPackageIntegrity::Sound) {
        return Package;
    }
    std::size_t RunBegin = FrameStart;
    while (RunBegin > 0 && Frame[RunBegin - 1] == StartMarker) {
        --RunBegin;
    }
    // The frame's end marker and the byte after it close the run at the latest.
    const std::size_t EndMarkerAt = Frame.size() - FrameEndLength;
    std::size_t RunEnd = FrameStart;
    while (RunEnd + 1 < EndMarkerAt && Frame[RunEnd + 1] == StartMarker) {
        ++RunEnd;
    }
    // The earliest first: the most bytes of the run belong to the package. The real start is
    // near the run's end unless the package begins with many 0xAA bytes: a bounded number of
    // starts is tried, so the work stays linear in the bytes received.
    const std::size_t Even = ~std::size_t{1};
    const std::size_t Span = std::min((RunEnd - RunBegin) & Even, 2 * TriedStarts);
    for (std::size_t Start = RunEnd - Span; Start <= RunEnd; Start += 2) {
        if (Start == FrameStart) {
            continue;
        }
        TByteArray Candidate = UnstuffFrom(Start);
        if (CheckPackageIntegrity(Candidate) == TPackageIntegrity::Sound) {
            return Candidate;
        }
    }
    // Damaged: the frame as it came from its first start marker shows best what arrived, but
    // a start marker that began it anew stands in it, so it goes on only as what it is.
    if (FrameStart != 0) {
        TByteArray Whole = UnstuffFrom(0);
        if (CheckPackageIntegrity(Whole) != TPackageIntegrity::Sound) {
            return Whole;
        }
    }
    return Package;
}

// The package between the start marker at Start and the frame's end marker.
TByteArray TFrameScanner::UnstuffFrom(std::size_t Start) const {
    const TByteArray Stuffed(Frame.begin() + static_cast<std::ptrdiff_t>(Start) + 1,
                             Frame.end() - 2);
    TByteArray Package;
    TReceiveStaffer(StartMarker, EndMarker).Unstuff(Stuffed, Package);
    return Package;
}

void TFrameScanner::Forget() {
    State = TState::Searching;
    FrameStart = 0;
    PackageBytes = 0;
    Frame.clear();
    if (Frame.capacity() > RetainedCapacity) {
        TByteArray().swap(Frame);
    }
}
