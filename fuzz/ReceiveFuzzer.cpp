// The receive side of the serial link: bytes as they come from the port go through the frame
// extractor, and every package it delivers through the integrity check and TROMPackage.
//
// The first input byte chooses the mode. Even: the rest is a list of items, each a head byte H
// and a two-byte length (high byte first, at most 2047) followed by that many bytes:
//   H & 3 == 1  a package built from the bytes (number, command, page number high and low
//               byte, data), with its data length and checksum set,
//   H & 3 == 2  the bytes as a package, as they stand (when they are not a sound package, with
//               0xAA read as 0xAB: a damaged frame is searched for a sound package starting at
//               a start marker inside it, which could find one in arbitrary bytes),
//   otherwise   noise between frames (0xAA, the start marker, is read as 0xAB),
// and H >> 2 is the size of one piece of the stream handed to the extractor (0 takes 64); the
// pieces take the sizes of the items in turn. The packages are framed by the composer and must
// come out of the extractor exactly as they went in, in order. Odd: the rest goes to the
// extractor as it stands. In both modes a known last frame, after bytes that end any frame
// still open, tells when the extractor has seen everything.
#include "fuzz/FuzzCheck.h"
#include "logging/LogManager.h"
#include "package/Package.h"
#include "package/PackageComposer.h"
#include "package/PackageExtractor.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

namespace {

constexpr std::uint8_t StartMarker = 0xAA;
constexpr std::uint8_t EndMarker = 0x55;
constexpr std::uint8_t Terminator = 0xFF;
constexpr auto LongestWait = std::chrono::seconds(10);

// Whatever state the extractor is in, these bytes leave it searching for a start marker.
const TByteArray EndAnyFrame = {0x00, EndMarker, 0x00};
const TByteArray LastPackage = {0x4C, 0x41, 0x53, 0x54, 0x00, 0x00, 0x55};

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
            Delivered.notify_all();
        };
    }

    void Add(const TByteArray& Bytes) { Extractor.AddBytes(Bytes); }

    // The packages delivered up to the last one, which is waited for; at least Count come first.
    std::vector<TByteArray> WaitForLast(std::size_t Count) {
        std::unique_lock<std::mutex> Guard(Lock);
        const bool Arrived = Delivered.wait_for(Guard, LongestWait, [&] {
            return Packages.size() > Count && Packages.back() == LastPackage;
        });
        FUZZ_REQUIRE(Arrived);
        return Packages;
    }

private:
    std::mutex Lock;
    std::condition_variable Delivered;
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

void WithoutStartMarkers(TByteArray& Bytes) {
    for (std::uint8_t& Byte : Bytes) {
        Byte = Byte == StartMarker ? StartMarker + 1 : Byte;
    }
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
            if (CheckPackageIntegrity(Bytes) != TPackageIntegrity::Sound) {
                WithoutStartMarkers(Bytes);
            }
            Sent.push_back(Bytes);
            Composer.Compose(Bytes);
            break;
        default:
            WithoutStartMarkers(Bytes);
            Stream.insert(Stream.end(), Bytes.begin(), Bytes.end());
            break;
        }
    }
    Composer.Compose(LastPackage);

    TReceiver Receiver;
    Feed(Receiver, Stream, Pieces);
    const std::vector<TByteArray> Received = Receiver.WaitForLast(Sent.size());
    if (!Raw) {
        FUZZ_REQUIRE(Received.size() == Sent.size() + 1);
        FUZZ_REQUIRE(std::equal(Sent.begin(), Sent.end(), Received.begin()));
    }
    return 0;
}
