#include "package/ByteStaffing.h"

TSendStaffer::TSendStaffer(std::uint8_t StartMarker, std::uint8_t EndMarker)
    : StartMarker(StartMarker), EndMarker(EndMarker) {}

void TSendStaffer::Stuff(const TByteArray& Bytes, TByteArray& Result) const {
    TByteArray Stuffed;
    Stuffed.reserve(Bytes.size() + Bytes.size() / 8);
    for (const std::uint8_t Byte : Bytes) {
        Stuffed.push_back(Byte);
        if (Byte == StartMarker) {
            Stuffed.push_back(StartMarker);
        }
        if (Byte == EndMarker) {
            Stuffed.push_back(EndMarker);
        }
    }
    Result = std::move(Stuffed);
}

TReceiveStaffer::TReceiveStaffer(std::uint8_t StartMarker, std::uint8_t EndMarker)
    : StartMarker(StartMarker), EndMarker(EndMarker) {}

void TReceiveStaffer::Unstuff(const TByteArray& Bytes, TByteArray& Result) const {
    enum class TScan { Copy, AfterStart, AfterEnd };
    TByteArray Unstuffed;
    Unstuffed.reserve(Bytes.size());
    TScan State = TScan::Copy;
    for (std::size_t Index = 0; Index < Bytes.size();) {
        const std::uint8_t Byte = Bytes[Index];
        if (State == TScan::AfterStart || State == TScan::AfterEnd) {
            const std::uint8_t Marker = State == TScan::AfterStart ? StartMarker : EndMarker;
            State = TScan::Copy;
            if (Byte == Marker) {
                ++Index;
            }
            // Any other byte is handled again in the copy state.
            continue;
        }
        Unstuffed.push_back(Byte);
        if (Byte == StartMarker) {
            State = TScan::AfterStart;
        } else if (Byte == EndMarker) {
            State = TScan::AfterEnd;
        }
        ++Index;
    }
    Result = std::move(Unstuffed);
}
