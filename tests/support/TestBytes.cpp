#include "tests/support/TestBytes.h"

#include <sstream>

TByteArray Hex(const std::string& Text) {
    TByteArray Bytes;
    std::istringstream Stream(Text);
    std::string Item;
    while (Stream >> Item) {
        Bytes.push_back(static_cast<std::uint8_t>(std::stoul(Item, nullptr, 16)));
    }
    return Bytes;
}

TByteArray PatternPage(int PageNumber, int Seed) {
    TByteArray Page(TestPageLength);
    for (int Index = 0; Index < TestPageLength; ++Index) {
        Page[static_cast<size_t>(Index)] =
            static_cast<std::uint8_t>(PageNumber * 7 + Index * 13 + Seed * 29 + 1);
    }
    return Page;
}

TByteArray EveryByteValuePage(std::uint8_t Seed) {
    TByteArray Page(TestPageLength);
    for (std::size_t i = 0; i < Page.size(); ++i) {
        Page[i] = static_cast<std::uint8_t>(i * 37 + Seed);
    }
    return Page;
}

TByteArray Join(const std::vector<TByteArray>& Pieces) {
    TByteArray Bytes;
    for (const TByteArray& Piece : Pieces) {
        Bytes.insert(Bytes.end(), Piece.begin(), Piece.end());
    }
    return Bytes;
}
