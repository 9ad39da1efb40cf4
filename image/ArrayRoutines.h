// Small routines on byte arrays shared by the HEX records, the image conversion and the packages.
#pragma once

#include "common/ArrayTypes.h"

#include <cstdint>

// Sets every element of Bytes to 0.
void ClearBytes(TByteArray& Bytes);

// The two bytes of Value, high byte first.
TByteArray WordToBytes(std::uint16_t Value);

// A new array holding the bytes of A followed by the bytes of B.
TByteArray ConcatBytes(const TByteArray& A, const TByteArray& B);

// High * 256 + Low.
std::uint16_t BytesToWord(std::uint8_t High, std::uint8_t Low);
