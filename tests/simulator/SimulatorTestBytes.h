// Hex literals for the simulator tests.
#pragma once

#include "image/ArrayTypes.h"

#include <sstream>
#include <string>

// "AA 01 50" -> {0xAA, 0x01, 0x50}
inline TByteArray Hex(const std::string& Text) {
    TByteArray Bytes;
    std::istringstream Stream(Text);
    std::string Item;
    while (Stream >> Item) {
        Bytes.push_back(static_cast<std::uint8_t>(std::stoul(Item, nullptr, 16)));
    }
    return Bytes;
}
