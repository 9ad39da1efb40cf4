// Hexadecimal text to number.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace HexToIntDetail {

constexpr std::array<signed char, 256> MakeDigitTable() {
    std::array<signed char, 256> Table{};
    for (auto& Value : Table) {
        Value = -1;
    }
    for (int Digit = 0; Digit < 10; ++Digit) {
        Table['0' + Digit] = static_cast<signed char>(Digit);
    }
    for (int Digit = 0; Digit < 6; ++Digit) {
        Table['A' + Digit] = static_cast<signed char>(10 + Digit);
        Table['a' + Digit] = static_cast<signed char>(10 + Digit);
    }
    return Table;
}

inline constexpr std::array<signed char, 256> DigitTable = MakeDigitTable();

} // namespace HexToIntDetail

// The value of a hexadecimal digit ('0'..'9', 'A'..'F', 'a'..'f'), or -1 for any other character.
inline int HexDigitValue(char Digit) {
    return HexToIntDetail::DigitTable[static_cast<unsigned char>(Digit)];
}

// The value of Text read as hexadecimal digits, upper or lower case. An empty text, or a text
// holding any character that is not a hexadecimal digit, gives 0. Only the low 32 bits of a
// longer text are kept.
std::int32_t HexToInt(std::string_view Text);
