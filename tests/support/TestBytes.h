// Byte sequences the tests build their expectations from.
#pragma once

#include "common/ArrayTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// The page length of the programmer's memory.
inline constexpr int TestPageLength = 528;

// Bytes from hexadecimal values separated by blanks: "AA 01 55" -> {0xAA, 0x01, 0x55}.
TByteArray Hex(const std::string& Text);

// A page whose bytes tell it apart from every other page number and seed.
TByteArray PatternPage(int PageNumber, int Seed = 0);

// A page holding every byte value, the marker bytes 0xAA and 0x55 among them.
TByteArray EveryByteValuePage(std::uint8_t Seed);

// The pieces one after the other.
TByteArray Join(const std::vector<TByteArray>& Pieces);
