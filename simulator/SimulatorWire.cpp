#include "simulator/SimulatorWire.h"

std::uint8_t SimCheckSum(const std::uint8_t* Bytes, std::size_t Count) {
    unsigned Sum = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        Sum += Bytes[i];
        if (Sum > 0xFF) {
            Sum = (Sum & 0xFF) + 1;
        }
    }
    return static_cast<std::uint8_t>((0x100 - Sum) & 0xFF);
}

TByteArray SimBuildPackage(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber,
                           const TByteArray& Data) {
    const auto Length = static_cast<std::uint16_t>(Data.size());
    TByteArray Package{Number,
                       Command,
                       static_cast<std::uint8_t>(PageNumber >> 8),
                       static_cast<std::uint8_t>(PageNumber & 0xFF),
                       static_cast<std::uint8_t>(Length >> 8),
                       static_cast<std::uint8_t>(Length & 0xFF)};
    Package.insert(Package.end(), Data.begin(), Data.end());
    Package.push_back(SimCheckSum(Package));
    return Package;
}

TByteArray SimStuff(const TByteArray& Package) {
    TByteArray Result;
    Result.reserve(Package.size() + Package.size() / 8 + 2);
    for (const std::uint8_t Byte : Package) {
        Result.push_back(Byte);
        if (Byte == SimStartMarker || Byte == SimEndMarker) {
            Result.push_back(Byte);
        }
    }
    return Result;
}

TByteArray SimUnstuff(const TByteArray& Stuffed, bool* StuffingValid) {
    TByteArray Result;
    Result.reserve(Stuffed.size());
    bool Valid = true;
    for (std::size_t i = 0; i < Stuffed.size(); ++i) {
        const std::uint8_t Byte = Stuffed[i];
        Result.push_back(Byte);
        if (Byte != SimStartMarker && Byte != SimEndMarker) {
            continue;
        }
        if (i + 1 < Stuffed.size() && Stuffed[i + 1] == Byte) {
            ++i;
        } else {
            Valid = false;
        }
    }
    if (StuffingValid != nullptr) {
        *StuffingValid = Valid;
    }
    return Result;
}

TByteArray SimComposeFrame(const TByteArray& Package) {
    TByteArray Frame{SimStartMarker};
    const TByteArray Stuffed = SimStuff(Package);
    Frame.insert(Frame.end(), Stuffed.begin(), Stuffed.end());
    Frame.push_back(SimEndMarker);
    Frame.push_back(SimTerminator);
    return Frame;
}

std::optional<TSimReceivedFrame> TSimFrameCutter::Feed(std::uint8_t Byte) {
    switch (State) {
    case TState::Searching:
        if (Byte == SimStartMarker) {
            Raw.assign(1, Byte);
            State = TState::InFrame;
        } else {
            ++SkippedBytes;
        }
        return std::nullopt;
    case TState::InFrame:
        Raw.push_back(Byte);
        if (Byte == SimEndMarker) {
            State = TState::AfterEndMarker;
        }
        return std::nullopt;
    case TState::AfterEndMarker:
        if (Byte == SimEndMarker) {
            Raw.push_back(Byte);
            State = TState::InFrame;
            return std::nullopt;
        }
        break;
    }

    // Byte follows a single end marker: the frame is complete.
    TSimReceivedFrame Frame;
    const TByteArray Content(Raw.begin() + 1, Raw.end() - 1);
    Frame.Package = SimUnstuff(Content, &Frame.StuffingValid);
    Frame.Raw = std::move(Raw);
    Raw.clear();
    State = TState::Searching;
    if (Byte == SimStartMarker) {
        Raw.assign(1, Byte);
        State = TState::InFrame;
    } else {
        Frame.Raw.push_back(Byte);
    }
    return Frame;
}

void TSimFrameCutter::Reset() {
    State = TState::Searching;
    Raw.clear();
}
