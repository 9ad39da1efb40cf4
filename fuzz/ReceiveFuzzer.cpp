// The receive side of the serial link: bytes as they come from the port go through the frame
// extractor, and every package it delivers through the integrity check and TROMPackage.
//
// The first input byte chooses the mode. Even: the rest is a list of items, each a head byte H
// and a two-byte length (high byte first, at most 2047) followed by that many bytes:
//   H & 3 == 1  a package built from the bytes (number, command, page number high and low
//               byte, data), with its data length and checksum set,
//   H & 3 == 2  the bytes as a package, as they stand (when they are not a sound package, a
//               start marker they begin with is read as 0xAB: a damaged package that begins
//               with start markers cannot be told from start markers of noise before a
//               shorter package, which may be sound),
//   otherwise   noise: any bytes, start and end markers among them, but for a start marker as
//               its last byte (read as 0xAB: it would pair with the next frame's own, and the
//               stream could then be read as another package framed),
// and H >> 2 is the size of one piece of the stream handed to the extractor (0 takes 64); the
// pieces take the sizes of the items in turn. The packages are framed by the composer. Every
// sound package the extractor hands on must be one of those sent, or one the noise itself held
// framed; every sound package sent must come out, in order. Damaged packages may come out as
// well (the link turns them down). Odd: the rest goes to the extractor as it stands. In both
// modes a known last frame, after bytes that end any frame still open, ends the stream.
#include "fuzz/FuzzCheck.h"
#include "logging/LogManager.h"
#include "package/Package.h"
#include "package/PackageComposer.h"
#include "package/PackageExtractor.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <mutex>
#include <vector>

namespace {

constexpr std::uint8_t StartMarker = 0xAA;
constexpr std::uint8_t EndMarker = 0x55;
constexpr std::uint8_t Terminator = 0xFF;

// Whatever state the extractor is in, these bytes leave it searching for a start marker.
const TByteArray EndAnyFrame = {0x00, EndMarker, 0x00};
// Sound: after noise that left a frame open, its own start marker begins the frame anew.
const TByteArray LastPackage = [] {
    TROMPackage Package;
    Package.SetNumber('L');
    Package.SetCommand('A');
    Package.SetPageNumber('S' << 8 | 'T');
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    return Bytes;
}();

// The integrity check of every package delivered must agree with what converting it gives.
void CheckPackage(const TByteArray& Bytes) {
    const TPackageIntegrity Integrity = CheckPackageIntegrity(Bytes);
    FUZZ_REQUIRE((Integrity == TPackageIntegrity::TooShort) ==
                 (Bytes.size() < TROMPackage::MinLength));
    TROMPackage Package;
    Package.SetNumber(0x5A);
    Package.SetData({1, 2, 3});
    if (Bytes.size() < TROMPackage::MinLength) {
        bool Raised = false;
        try {
            Package.FromBytes(Bytes);
        } catch (const EWrongLength&) {
            Raised = true;
        }
        FUZZ_REQUIRE(Raised);
        FUZZ_REQUIRE(Package.GetNumber() == 0x5A && Package.GetData() == TByteArray({1, 2, 3}));
        return;
    }
    Package.FromBytes(Bytes);
    FUZZ_REQUIRE(Package.GetData().size() == Bytes.size() - TROMPackage::MinLength);
    // Converted back, a package gives its own bytes exactly when its checksum is right.
    TByteArray Again;
    Package.ToBytes(Again);
    const bool LengthAgrees = Package.GetDataLength() == Package.GetData().size();
    FUZZ_REQUIRE((Integrity == TPackageIntegrity::Sound) == (LengthAgrees && Again == Bytes));
}

class TReceiver {
public:
    TReceiver() : Extractor(StartMarker, EndMarker, Log) {
        Extractor.OnPackageExtracted = [this](void*, const TByteArray& Bytes) {
            // The extractor thread would only log an exception and go on.
            try {
                CheckPackage(Bytes);
            } catch (const std::exception& Error) {
                std::fprintf(stderr, "%s\n", Error.what());
                FuzzPropertyFailed("no exception while checking a package", __FILE__, __LINE__);
            }
            std::lock_guard<std::mutex> Guard(Lock);
            Packages.push_back(Bytes);
        };
    }

    void Add(const TByteArray& Bytes) { Extractor.AddBytes(Bytes); }

    // Everything delivered once the bytes added so far have been handed on.
    std::vector<TByteArray> Delivered() {
        Extractor.WaitUntilDelivered();
        std::lock_guard<std::mutex> Guard(Lock);
        FUZZ_REQUIRE(!Packages.empty() && Packages.back() == LastPackage);
        return Packages;
    }

private:
    std::mutex Lock;
    std::vector<TByteArray> Packages;
    // Off: the fuzzer looks at what is extracted, not at the traffic records.
    TLogManager Log;
    TPackageExtractor Extractor;
};

struct TInput {
    const std::uint8_t* Data;
    std::size_t Size;

    std::uint8_t Byte() {
        if (Size == 0) {
            return 0;
        }
        --Size;
        return *Data++;
    }
    TByteArray Bytes(std::size_t Count) {
        Count = std::min(Count, Size);
        TByteArray Result(Data, Data + Count);
        Data += Count;
        Size -= Count;
        return Result;
    }
};

TByteArray BuildPackage(const TByteArray& Fields) {
    TROMPackage Package;
    const auto Field = [&](std::size_t Index) -> std::uint8_t {
        return Index < Fields.size() ? Fields[Index] : 0;
    };
    Package.SetNumber(Field(0));
    Package.SetCommand(Field(1));
    Package.SetPageNumber(static_cast<std::uint16_t>(Field(2) << 8 | Field(3)));
    Package.SetData(Fields.size() > 4 ? TByteArray(Fields.begin() + 4, Fields.end())
                                      : TByteArray());
    TByteArray Bytes;
    Package.ToBytes(Bytes);
    FUZZ_REQUIRE(CheckPackageIntegrity(Bytes) == TPackageIntegrity::Sound);
    return Bytes;
}

// A start marker at Bytes' Index is read as the byte after it.
void WithoutStartMarkerAt(TByteArray& Bytes, std::size_t Index) {
    if (Index < Bytes.size() && Bytes[Index] == StartMarker) {
        Bytes[Index] = StartMarker + 1;
    }
}

TByteArray Stuffed(const TByteArray& Package) {
    TByteArray Bytes;
    for (const std::uint8_t Byte : Package) {
        Bytes.push_back(Byte);
        if (Byte == StartMarker || Byte == EndMarker) {
            Bytes.push_back(Byte);
        }
    }
    return Bytes;
}

// Whether Package, stuffed and followed by an end marker, stands in one of the stretches of
// noise: the noise itself held it framed.
bool HeldByNoise(const TByteArray& Package, const std::vector<TByteArray>& Noise) {
    TByteArray Frame = Stuffed(Package);
    Frame.push_back(EndMarker);
    return std::any_of(Noise.begin(), Noise.end(), [&](const TByteArray& Stretch) {
        return std::search(Stretch.begin(), Stretch.end(), Frame.begin(), Frame.end()) !=
               Stretch.end();
    });
}

bool IsSound(const TByteArray& Package) {
    return CheckPackageIntegrity(Package) == TPackageIntegrity::Sound;
}

// Hands Stream to the extractor in pieces of the given sizes, taken in turn.
void Feed(TReceiver& Receiver, const TByteArray& Stream, const std::vector<std::size_t>& Pieces) {
    std::size_t Position = 0;
    for (std::size_t Index = 0; Position < Stream.size(); ++Index) {
        const std::size_t Piece = Pieces.empty() ? Stream.size() : Pieces[Index % Pieces.size()];
        const std::size_t Count = std::min(Piece, Stream.size() - Position);
        Receiver.Add(TByteArray(Stream.begin() + static_cast<std::ptrdiff_t>(Position),
                                Stream.begin() + static_cast<std::ptrdiff_t>(Position + Count)));
        Position += Count;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TInput Input{Data, Size};
    const bool Raw = (Input.Byte() & 1) != 0;

    TByteArray Stream;
    std::vector<TByteArray> Sent;
    // The noise between two frames, each stretch whole.
    std::vector<TByteArray> Noise;
    bool InNoise = false;
    std::vector<std::size_t> Pieces;
    TPackageComposer Composer(StartMarker, EndMarker, Terminator);
    Composer.OnPackageComposed = [&](void*, const TByteArray& Frame) {
        Stream.insert(Stream.end(), Frame.begin(), Frame.end());
    };
    if (Raw) {
        Stream = Input.Bytes(Input.Size);
        Stream.insert(Stream.end(), EndAnyFrame.begin(), EndAnyFrame.end());
    }
    while (Input.Size > 0) {
        const std::uint8_t Head = Input.Byte();
        const std::size_t High = Input.Byte();
        const std::size_t Length = (High << 8 | Input.Byte()) & 0x7FF;
        TByteArray Bytes = Input.Bytes(Length);
        Pieces.push_back(Head >> 2 == 0 ? 64 : Head >> 2);
        switch (Head & 3) {
        case 1:
            Bytes = BuildPackage(Bytes);
            [[fallthrough]];
        case 2:
            if (!IsSound(Bytes)) {
                WithoutStartMarkerAt(Bytes, 0);
            }
            Sent.push_back(Bytes);
            Composer.Compose(Bytes);
            InNoise = false;
            break;
        default:
            WithoutStartMarkerAt(Bytes, Bytes.size() - 1);
            if (!InNoise) {
                Noise.emplace_back();
            }
            InNoise = true;
            Noise.back().insert(Noise.back().end(), Bytes.begin(), Bytes.end());
            Stream.insert(Stream.end(), Bytes.begin(), Bytes.end());
            break;
        }
    }
    Composer.Compose(LastPackage);

    TReceiver Receiver;
    Feed(Receiver, Stream, Pieces);
    const std::vector<TByteArray> Received = Receiver.Delivered();
    if (Raw) {
        return 0;
    }
    // The sound packages sent come out in order, and no other sound package but what the
    // noise held.
    auto NextSent = Sent.begin();
    const auto NextSound = [&] {
        while (NextSent != Sent.end() && !IsSound(*NextSent)) {
            ++NextSent;
        }
    };
    NextSound();
    for (std::size_t Index = 0; Index + 1 < Received.size(); ++Index) {
        const TByteArray& Package = Received[Index];
        if (!IsSound(Package)) {
            continue;
        }
        if (NextSent != Sent.end() && Package == *NextSent) {
            ++NextSent;
            NextSound();
            continue;
        }
        if (!HeldByNoise(Package, Noise)) {
            std::fprintf(stderr, "package %zu of %zu, %zu bytes, was never sent\n", Index,
                         Received.size(), Package.size());
            FuzzPropertyFailed("every sound package handed on was sent", __FILE__, __LINE__);
        }
    }
    FUZZ_REQUIRE(NextSent == Sent.end());
    return 0;
}
