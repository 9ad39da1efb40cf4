// Text files as Windows editors save them: UTF-8 with or without a byte order mark, or UTF-16
// ("Unicode" in Notepad) little or big endian with one. The program works in UTF-8 and writes a
// file back in the encoding it was read in.
#pragma once

#include <string>

enum class TTextEncoding { Utf8, Utf8WithMark, Utf16LittleEndian, Utf16BigEndian };

struct TDecodedText {
    std::string Utf8;
    TTextEncoding Encoding = TTextEncoding::Utf8;
};

// The text of a file's bytes, told by its byte order mark (none: UTF-8). UTF-16 that is not
// whole (an odd last byte, a lone surrogate) gives U+FFFD in place of what is missing.
TDecodedText DecodeText(const std::string& Bytes);
// The bytes of Utf8 in Encoding, byte order mark included.
std::string EncodeText(const std::string& Utf8, TTextEncoding Encoding);

// Text from outside (a board's identification) as it may go to a terminal or into one line:
// every control character (below 0x20, and 0x7F) written as \xHH, so that no escape sequence
// reaches the terminal and no line is split, and so is every byte that is not part of a
// well-formed UTF-8 character (a database takes only well-formed text).
std::string EscapeControlCharacters(const std::string& Text);
