#include "image/HexToInt.h"

#include <array>

namespace {

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

constexpr std::array<signed char, 256> DigitTable = MakeDigitTable();

} // namespace

int HexDigitValue(char Digit) {
    return DigitTable[static_cast<unsigned char>(Digit)];
}

std::int32_t HexToInt(std::string_view Text) {
    std::uint32_t Result = 0;
    for (const char Character : Text) {
        const int Value = HexDigitValue(Character);
        if (Value < 0) {
            return 0;
        }
        Result = Result * 16 + static_cast<std::uint32_t>(Value);
    }
    return static_cast<std::int32_t>(Result);
}
