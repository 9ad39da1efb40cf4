#include "image/HexToInt.h"

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
