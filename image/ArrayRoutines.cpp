#include "image/ArrayRoutines.h"

#include <algorithm>

void ClearBytes(TByteArray& Bytes) {
    std::fill(Bytes.begin(), Bytes.end(), 0);
}

TByteArray WordToBytes(std::uint16_t Value) {
    return TByteArray{static_cast<std::uint8_t>(Value >> 8), static_cast<std::uint8_t>(Value)};
}

TByteArray ConcatBytes(const TByteArray& A, const TByteArray& B) {
    TByteArray Result;
    Result.reserve(A.size() + B.size());
    Result.insert(Result.end(), A.begin(), A.end());
    Result.insert(Result.end(), B.begin(), B.end());
    return Result;
}

std::uint16_t BytesToWord(std::uint8_t High, std::uint8_t Low) {
    return static_cast<std::uint16_t>(High << 8 | Low);
}
