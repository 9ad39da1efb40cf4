#include "operations/TextEncoding.h"

#include <cstdint>

namespace {

const std::string Utf8Mark = "\xEF\xBB\xBF";
const std::string Utf16LittleEndianMark = "\xFF\xFE";
const std::string Utf16BigEndianMark = "\xFE\xFF";
constexpr char32_t ReplacementCharacter = 0xFFFD;

bool StartsWith(const std::string& Bytes, const std::string& Mark) {
    return Bytes.compare(0, Mark.size(), Mark) == 0;
}

void AppendUtf8(std::string& Text, char32_t Code) {
    const auto Byte = [](char32_t Value) { return static_cast<char>(Value); };
    if (Code < 0x80) {
        Text += Byte(Code);
    } else if (Code < 0x800) {
        Text += Byte(0xC0 | (Code >> 6));
        Text += Byte(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Text += Byte(0xE0 | (Code >> 12));
        Text += Byte(0x80 | ((Code >> 6) & 0x3F));
        Text += Byte(0x80 | (Code & 0x3F));
    } else {
        Text += Byte(0xF0 | (Code >> 18));
        Text += Byte(0x80 | ((Code >> 12) & 0x3F));
        Text += Byte(0x80 | ((Code >> 6) & 0x3F));
        Text += Byte(0x80 | (Code & 0x3F));
    }
}

std::string Utf16ToUtf8(const std::string& Bytes, std::size_t Start, bool BigEndian) {
    const auto Unit = [&Bytes, BigEndian](std::size_t At) {
        const auto First = static_cast<std::uint8_t>(Bytes[At]);
        const auto Second = static_cast<std::uint8_t>(Bytes[At + 1]);
        return static_cast<char32_t>(BigEndian ? (First << 8) | Second : (Second << 8) | First);
    };
    std::string Text;
    std::size_t At = Start;
    for (; At + 1 < Bytes.size(); At += 2) {
        const char32_t Code = Unit(At);
        const bool High = Code >= 0xD800 && Code <= 0xDBFF;
        if (High && At + 3 < Bytes.size()) {
            const char32_t Low = Unit(At + 2);
            if (Low >= 0xDC00 && Low <= 0xDFFF) {
                AppendUtf8(Text, 0x10000 + ((Code - 0xD800) << 10) + (Low - 0xDC00));
                At += 2;
                continue;
            }
        }
        const bool Surrogate = Code >= 0xD800 && Code <= 0xDFFF;
        AppendUtf8(Text, Surrogate ? ReplacementCharacter : Code);
    }
    if (At < Bytes.size()) {
        AppendUtf8(Text, ReplacementCharacter);
    }
    return Text;
}

// The code points of UTF-8 text; a byte that starts no valid sequence counts as U+FFFD.
template <typename TEach> void ForEachCodePoint(const std::string& Utf8, TEach Each) {
    for (std::size_t At = 0; At < Utf8.size();) {
        const auto Lead = static_cast<std::uint8_t>(Utf8[At]);
        const int Length = Lead < 0x80           ? 1
                           : (Lead >> 5) == 0x6  ? 2
                           : (Lead >> 4) == 0xE  ? 3
                           : (Lead >> 3) == 0x1E ? 4
                                                 : 0;
        char32_t Code = Length == 1 ? Lead : Lead & (0x7F >> Length);
        bool Whole = Length > 0 && At + static_cast<std::size_t>(Length) <= Utf8.size();
        for (int Index = 1; Whole && Index < Length; ++Index) {
            const auto Next = static_cast<std::uint8_t>(Utf8[At + static_cast<std::size_t>(Index)]);
            Whole = (Next & 0xC0) == 0x80;
            Code = (Code << 6) | (Next & 0x3F);
        }
        Each(Whole ? Code : ReplacementCharacter);
        At += Whole ? static_cast<std::size_t>(Length) : 1;
    }
}

std::string Utf8ToUtf16(const std::string& Utf8, bool BigEndian) {
    std::string Bytes = BigEndian ? Utf16BigEndianMark : Utf16LittleEndianMark;
    const auto AppendUnit = [&Bytes, BigEndian](char32_t Unit) {
        const char High = static_cast<char>(Unit >> 8);
        const char Low = static_cast<char>(Unit & 0xFF);
        Bytes += BigEndian ? High : Low;
        Bytes += BigEndian ? Low : High;
    };
    ForEachCodePoint(Utf8, [&AppendUnit](char32_t Code) {
        if (Code >= 0x10000) {
            AppendUnit(0xD800 + ((Code - 0x10000) >> 10));
            AppendUnit(0xDC00 + ((Code - 0x10000) & 0x3FF));
        } else {
            AppendUnit(Code);
        }
    });
    return Bytes;
}

} // namespace

TDecodedText DecodeText(const std::string& Bytes) {
    if (StartsWith(Bytes, Utf8Mark)) {
        return {Bytes.substr(Utf8Mark.size()), TTextEncoding::Utf8WithMark};
    }
    if (StartsWith(Bytes, Utf16LittleEndianMark)) {
        return {Utf16ToUtf8(Bytes, 2, false), TTextEncoding::Utf16LittleEndian};
    }
    if (StartsWith(Bytes, Utf16BigEndianMark)) {
        return {Utf16ToUtf8(Bytes, 2, true), TTextEncoding::Utf16BigEndian};
    }
    return {Bytes, TTextEncoding::Utf8};
}

std::string EncodeText(const std::string& Utf8, TTextEncoding Encoding) {
    switch (Encoding) {
    case TTextEncoding::Utf8WithMark:
        return Utf8Mark + Utf8;
    case TTextEncoding::Utf16LittleEndian:
        return Utf8ToUtf16(Utf8, false);
    case TTextEncoding::Utf16BigEndian:
        return Utf8ToUtf16(Utf8, true);
    case TTextEncoding::Utf8:
        break;
    }
    return Utf8;
}

namespace {

// The length of the well-formed UTF-8 character at Text[At] (2 to 4 bytes, no overlong form,
// no surrogate, nothing above U+10FFFF); 0 when there is none.
std::size_t Utf8CharacterLength(const std::string& Text, std::size_t At) {
    const auto Byte = [&](std::size_t Offset) {
        return At + Offset < Text.size() ? static_cast<unsigned char>(Text[At + Offset]) : 0u;
    };
    const auto Continues = [&](std::size_t Offset, unsigned Low = 0x80, unsigned High = 0xBF) {
        return Byte(Offset) >= Low && Byte(Offset) <= High;
    };
    const unsigned Lead = Byte(0);
    if (Lead >= 0xC2 && Lead <= 0xDF) {
        return Continues(1) ? 2 : 0;
    }
    if (Lead >= 0xE0 && Lead <= 0xEF) {
        const unsigned Low = Lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned High = Lead == 0xED ? 0x9F : 0xBF;
        return Continues(1, Low, High) && Continues(2) ? 3 : 0;
    }
    if (Lead >= 0xF0 && Lead <= 0xF4) {
        const unsigned Low = Lead == 0xF0 ? 0x90 : 0x80;
        const unsigned High = Lead == 0xF4 ? 0x8F : 0xBF;
        return Continues(1, Low, High) && Continues(2) && Continues(3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string EscapeControlCharacters(const std::string& Text) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string Escaped;
    Escaped.reserve(Text.size());
    for (std::size_t At = 0; At < Text.size();) {
        const auto Byte = static_cast<unsigned char>(Text[At]);
        if (Byte >= 0x20 && Byte < 0x7F) {
            Escaped += Text[At++];
        } else if (const std::size_t Length = Byte >= 0x80 ? Utf8CharacterLength(Text, At) : 0) {
            Escaped.append(Text, At, Length);
            At += Length;
        } else {
            Escaped += "\\x";
            Escaped += Digits[Byte >> 4];
            Escaped += Digits[Byte & 0x0F];
            ++At;
        }
    }
    return Escaped;
}
