// Hexadecimal text to number.
#pragma once

#include <cstdint>
#include <string_view>

// The value of a hexadecimal digit ('0'..'9', 'A'..'F', 'a'..'f'), or -1 for any other character.
int HexDigitValue(char Digit);

// The value of Text read as hexadecimal digits, upper or lower case. An empty text, or a text
// holding any character that is not a hexadecimal digit, gives 0. Only the low 32 bits of a
// longer text are kept.
std::int32_t HexToInt(std::string_view Text);
