#include "image/HexRecordText.h"

#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "image/HexToInt.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t ShortestLineLength = 11;
constexpr std::string_view LineEnd = "\r\n";
constexpr std::size_t WritePieceLength = std::size_t{1} << 18;

// ---- Decoding ----

// Decodes Pairs one pair at a time; a pair holding a character other than a hexadecimal digit
// gives 0. Returns the position of the first such character, or npos.
std::size_t DecodeHexPairsSlowly(std::string_view Pairs, std::uint8_t* Bytes) {
    std::size_t NotADigit = std::string_view::npos;
    for (std::size_t Index = 0; Index < Pairs.size() / 2; ++Index) {
        const int High = HexDigitValue(Pairs[2 * Index]);
        const int Low = HexDigitValue(Pairs[2 * Index + 1]);
        Bytes[Index] = High < 0 || Low < 0 ? 0 : static_cast<std::uint8_t>(High << 4 | Low);
        if (NotADigit == std::string_view::npos && (High < 0 || Low < 0)) {
            NotADigit = 2 * Index + (High < 0 ? 0 : 1);
        }
    }
    return NotADigit;
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool DecodeEightAtOnce = true;
#else
constexpr bool DecodeEightAtOnce = false;
#endif

constexpr std::uint64_t EveryByte = 0x0101010101010101ULL;
constexpr std::uint64_t HighBits = EveryByte * 0x80;

// For a word of 7-bit characters: the high bit of every byte that lies in Low..High.
constexpr std::uint64_t BytesInRange(std::uint64_t Word, unsigned Low, unsigned High) {
    const std::uint64_t AtLeastLow = (Word | HighBits) - EveryByte * Low;
    const std::uint64_t AtMostHigh = EveryByte * (0x80 + High) - Word;
    return AtLeastLow & AtMostHigh & HighBits;
}

// Decodes the eight digits at Text into four bytes, the first character in the lowest byte of
// the word (little-endian machines only); false when any of them is not a hexadecimal digit.
bool DecodeEightDigits(const char* Text, std::uint8_t* Bytes) {
    std::uint64_t Word;
    std::memcpy(&Word, Text, sizeof Word);
    const std::uint64_t Digits = BytesInRange(Word, '0', '9');
    const std::uint64_t Letters = BytesInRange(Word | EveryByte * 0x20, 'a', 'f');
    const bool Valid = (Word & HighBits) == 0 && (Digits | Letters) == HighBits;
    // A digit's value is its low nibble; a letter (bit 6 set) adds 9.
    const std::uint64_t Values = (Word & EveryByte * 0x0F) + (Word >> 6 & EveryByte) * 9;
    constexpr std::uint64_t EvenBytes = 0x00FF00FF00FF00FFULL;
    std::uint64_t Pairs = (Values & EvenBytes) << 4 | (Values >> 8 & EvenBytes);
    Pairs = (Pairs | Pairs >> 8) & 0x0000FFFF0000FFFFULL;
    const auto Packed = static_cast<std::uint32_t>(Pairs | Pairs >> 16);
    std::memcpy(Bytes, &Packed, sizeof Packed);
    return Valid;
}

#ifdef __SSE2__
// Decodes the sixteen digits at Text into eight bytes; false when any of them is not a
// hexadecimal digit. Characters from 0x80 up compare as negative and so fail every range.
bool DecodeSixteenDigits(const char* Text, std::uint8_t* Bytes) {
    const __m128i Characters = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text));
    const __m128i Digits = _mm_and_si128(_mm_cmpgt_epi8(Characters, _mm_set1_epi8('0' - 1)),
                                         _mm_cmplt_epi8(Characters, _mm_set1_epi8('9' + 1)));
    const __m128i Folded = _mm_or_si128(Characters, _mm_set1_epi8(0x20));
    const __m128i Letters = _mm_and_si128(_mm_cmpgt_epi8(Folded, _mm_set1_epi8('a' - 1)),
                                          _mm_cmplt_epi8(Folded, _mm_set1_epi8('f' + 1)));
    const bool Valid = _mm_movemask_epi8(_mm_or_si128(Digits, Letters)) == 0xFFFF;
    // A digit's value is its low nibble; a letter adds 9.
    const __m128i Values = _mm_add_epi8(_mm_and_si128(Characters, _mm_set1_epi8(0x0F)),
                                        _mm_and_si128(Letters, _mm_set1_epi8(9)));
    // Each 16-bit lane holds a pair: its first digit in the low byte, its second in the high.
    const __m128i High = _mm_slli_epi16(_mm_and_si128(Values, _mm_set1_epi16(0x00FF)), 4);
    const __m128i Low = _mm_srli_epi16(Values, 8);
    const __m128i Pairs = _mm_or_si128(High, Low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Bytes), _mm_packus_epi16(Pairs, Pairs));
    return Valid;
}
#endif

std::uint8_t SumOf(const std::uint8_t* Bytes, std::size_t Count) {
    unsigned Sum = 0;
    for (std::size_t Index = 0; Index < Count; ++Index) {
        Sum += Bytes[Index];
    }
    return static_cast<std::uint8_t>(Sum);
}

bool IsContinuationByte(unsigned char Byte) {
    return (Byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character that starts Text, or 0 when Text does not
// start with one.
std::size_t Utf8CharacterLength(std::string_view Text) {
    const auto Lead = static_cast<unsigned char>(Text[0]);
    if (Lead < 0x80) {
        return 1;
    }
    std::size_t Length = 0;
    if (Lead >= 0xC2 && Lead < 0xF5) {
        Length = Lead < 0xE0 ? 2 : Lead < 0xF0 ? 3 : 4;
    }
    if (Length == 0 || Length > Text.size()) {
        return 0;
    }
    std::uint32_t Code = Lead & (0x7F >> Length);
    for (std::size_t Index = 1; Index < Length; ++Index) {
        const auto Byte = static_cast<unsigned char>(Text[Index]);
        if (!IsContinuationByte(Byte)) {
            return 0;
        }
        Code = Code << 6 | (Byte & 0x3F);
    }
    constexpr std::uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool Surrogate = Code >= 0xD800 && Code <= 0xDFFF;
    return Code >= Smallest[Length] && Code <= 0x10FFFF && !Surrogate ? Length : 0;
}

// The character that starts Text as the user reads it: itself when it is a printable character
// or a blank, "\xHH" for a control character or a byte that starts no UTF-8 character.
std::string ShownCharacter(std::string_view Text) {
    const auto Byte = static_cast<unsigned char>(Text[0]);
    const std::size_t Length = Utf8CharacterLength(Text);
    if (Length == 0 || Byte < 0x20 || Byte == 0x7F) {
        return FormatText("\\x%02X", static_cast<unsigned>(Byte));
    }
    return std::string(Text.substr(0, Length));
}

// What the message of a checksum error adds about the character of Text at Position: which
// it is and its column, counted in characters from 1.
std::string NotADigitDetail(std::string_view Text, std::size_t Position) {
    const auto Column = 1 + std::count_if(Text.begin(), Text.begin() + Position, [](char Byte) {
                            return !IsContinuationByte(static_cast<unsigned char>(Byte));
                        });
    return FormatText(SHexNotADigitDetail, ShownCharacter(Text.substr(Position)).c_str(),
                      static_cast<long long>(Column));
}

// ---- Encoding ----

// "00".."FF": two upper-case digits for every byte value.
constexpr std::array<char, 512> MakeHexPairs() {
    constexpr char Digits[] = "0123456789ABCDEF";
    std::array<char, 512> Pairs{};
    for (int Value = 0; Value < 256; ++Value) {
        Pairs[2 * Value] = Digits[Value >> 4];
        Pairs[2 * Value + 1] = Digits[Value & 15];
    }
    return Pairs;
}

constexpr std::array<char, 512> HexPairs = MakeHexPairs();

char* WriteHexByte(char* Out, std::uint8_t Value) {
    std::memcpy(Out, &HexPairs[2 * Value], 2);
    return Out + 2;
}

#ifdef __SSE2__
// Writes the sixteen bytes at Bytes as 32 upper-case hexadecimal digits at Out.
void WriteSixteenHexBytes(char* Out, const std::uint8_t* Bytes) {
    const __m128i Values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bytes));
    const __m128i Nibble = _mm_set1_epi8(0x0F);
    const __m128i High = _mm_and_si128(_mm_srli_epi16(Values, 4), Nibble);
    const __m128i Low = _mm_and_si128(Values, Nibble);
    // '0' + value, and 7 more for the letters A..F.
    const auto ToDigits = [](__m128i Nibbles) {
        const __m128i Letters = _mm_cmpgt_epi8(Nibbles, _mm_set1_epi8(9));
        return _mm_add_epi8(_mm_add_epi8(Nibbles, _mm_set1_epi8('0')),
                            _mm_and_si128(Letters, _mm_set1_epi8('A' - '0' - 10)));
    };
    const __m128i HighDigits = ToDigits(High);
    const __m128i LowDigits = ToDigits(Low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), _mm_unpacklo_epi8(HighDigits, LowDigits));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + 16),
                     _mm_unpackhi_epi8(HighDigits, LowDigits));
}
#endif

} // namespace

std::size_t DecodeHexPairs(std::string_view Pairs, std::uint8_t* Bytes) {
    // Many digits at a time while all are digits; a line holding anything else is decoded
    // again pair by pair.
    const std::size_t Count = Pairs.size() / 2;
    const char* Text = Pairs.data();
    std::size_t Index = 0;
    bool Valid = true;
#ifdef __SSE2__
    for (; Index + 8 <= Count; Index += 8) {
        Valid &= DecodeSixteenDigits(Text + 2 * Index, Bytes + Index);
    }
#endif
    if constexpr (DecodeEightAtOnce) {
        for (; Index + 4 <= Count; Index += 4) {
            Valid &= DecodeEightDigits(Text + 2 * Index, Bytes + Index);
        }
    }
    // The rest: an invalid digit has the value -1, which sets the sign bit of Invalid.
    int Invalid = 0;
    for (; Index < Count; ++Index) {
        const int High = HexDigitValue(Text[2 * Index]);
        const int Low = HexDigitValue(Text[2 * Index + 1]);
        Invalid |= High | Low;
        Bytes[Index] = static_cast<std::uint8_t>((High & 15) << 4 | (Low & 15));
    }
    if (!Valid || Invalid < 0) {
        return DecodeHexPairsSlowly(Pairs, Bytes);
    }
    return std::string_view::npos;
}

// ---- THexRecordDecoder ----

const THexRecordFields& THexRecordDecoder::Decode(std::string_view Text,
                                                  std::int64_t NewLineNumber) {
    LineNumber = NewLineNumber;
    const auto Number = static_cast<long long>(LineNumber);
    if (Text.size() < ShortestLineLength) {
        throw EHexStringIsTooShort(FormatText(SHexLineNumber, Number) + SHexStringIsTooShort);
    }
    const std::string_view Pairs = Text.substr(1);
    if (Pairs.size() % 2 != 0) {
        throw EOddHexStringLength(FormatText(SHexLineNumber, Number) + SOddHexStringLength);
    }
    const std::size_t Count = Pairs.size() / 2;
    std::uint8_t* Bytes = Local.data();
    if (Count > Local.size()) {
        Overlong.resize(Count);
        Bytes = Overlong.data();
    }
    const std::size_t NotADigitAt = DecodeHexPairs(Pairs, Bytes);
    NotADigit.clear();
    if (NotADigitAt != std::string_view::npos) {
        NotADigit = NotADigitDetail(Text, 1 + NotADigitAt);
    }

    Fields.ByteCount = Bytes[0];
    Fields.Address = static_cast<std::uint16_t>(Bytes[1] << 8 | Bytes[2]);
    Fields.RecordType = Bytes[3];
    Fields.Data = Bytes + 4;
    Fields.DataLength = Count - 5;
    Fields.CheckSum = Bytes[Count - 1];
    Sum = SumOf(Bytes, Count);
    return Fields;
}

void THexRecordDecoder::CheckSum() const {
    if (Sum == 0) {
        return;
    }
    // The checksum that would bring the sum of all bytes to 0.
    const auto Expected = static_cast<std::uint8_t>(Fields.CheckSum - Sum);
    throw EWrongHexStringCS(
        FormatText(SHexLineNumber, static_cast<long long>(LineNumber)) + SWrongHexStringCS +
        FormatText(SHexChecksumDetail, unsigned{Expected}, unsigned{Fields.CheckSum}) + NotADigit);
}

void THexRecordDecoder::CheckDataLength() const {
    if (Fields.DataLength == Fields.ByteCount) {
        return;
    }
    throw EWrongHexDataLength(
        FormatText(SHexLineNumber, static_cast<long long>(LineNumber)) +
        FormatText(SWrongHexDataLength, static_cast<int>(Fields.ByteCount),
                   static_cast<int>(std::min<std::size_t>(Fields.DataLength,
                                                          static_cast<std::size_t>(INT_MAX)))));
}

// ---- Reading lines ----

bool THexLineReader::Open(const std::string& Name) {
    FileName = Name;
    switch (Reader.Open(FileName)) {
    case TOpenResult::Opened:
        break;
    case TOpenResult::Missing:
        return false;
    case TOpenResult::Refused:
        RaiseCannotRead();
    }
    if (!Reader.NextLine(First)) {
        if (Reader.Failed()) {
            RaiseCannotRead();
        }
        throw EFileIsEmpty(SFileIsEmpty);
    }
    HoldsFirst = true;
    return true;
}

bool THexLineReader::NextLine(std::string_view& Line) {
    if (HoldsFirst) {
        HoldsFirst = false;
        Line = First;
    } else if (!Reader.NextLine(Line)) {
        if (Reader.Failed()) {
            RaiseCannotRead();
        }
        return false;
    }
    ++Number;
    return Line != HexEndRecord;
}

void THexLineReader::RaiseCannotRead() const {
    throw Exception(FormatText(SCannotReadFile, FileName.c_str()));
}

// ---- Writing ----

char* WriteHexRecordText(char* Out, const THexRecordFields& Record) {
    *Out++ = ':';
    Out = WriteHexByte(Out, Record.ByteCount);
    Out = WriteHexByte(Out, static_cast<std::uint8_t>(Record.Address >> 8));
    Out = WriteHexByte(Out, static_cast<std::uint8_t>(Record.Address));
    Out = WriteHexByte(Out, Record.RecordType);
    const std::uint8_t* Byte = Record.Data;
    const std::uint8_t* const End = Byte + Record.DataLength;
#ifdef __SSE2__
    for (; End - Byte >= 16; Byte += 16, Out += 32) {
        WriteSixteenHexBytes(Out, Byte);
    }
#endif
    for (; Byte != End; ++Byte) {
        Out = WriteHexByte(Out, *Byte);
    }
    return WriteHexByte(Out, Record.CheckSum);
}

std::uint8_t HexRecordCheckSum(const THexRecordFields& Record) {
    const unsigned Sum = Record.ByteCount + (Record.Address >> 8) + (Record.Address & 0xFF) +
                         Record.RecordType + SumOf(Record.Data, Record.DataLength);
    return static_cast<std::uint8_t>(256 - Sum % 256);
}

THexTextWriter::THexTextWriter(TFileHandle& File) : File(File), Buffer(WritePieceLength, '\0') {}

bool THexTextWriter::WriteBuffer() {
    return File.WriteAll(std::string_view(Buffer.data(), Used)) == Used;
}

bool THexTextWriter::Flush() {
    if (!WriteBuffer()) {
        return false;
    }
    File.StartWriteBack(Offset, Used);
    Offset += Used;
    Used = 0;
    return true;
}

bool THexTextWriter::MakeRoom(std::size_t Length) {
    if (Buffer.size() - Used >= Length) {
        return true;
    }
    if (!Flush()) {
        return false;
    }
    if (Buffer.size() < Length) {
        Buffer.resize(Length);
    }
    return true;
}

void THexTextWriter::Append(std::string_view Text) {
    std::memcpy(Buffer.data() + Used, Text.data(), Text.size());
    Used += Text.size();
}

void THexTextWriter::Write(const THexRecordFields& Record) {
    const std::size_t Length = HexRecordTextLength(Record.DataLength);
    if (Failed || !MakeRoom(Length + LineEnd.size())) {
        Failed = true;
        return;
    }
    WriteHexRecordText(Buffer.data() + Used, Record);
    Used += Length;
    Append(LineEnd);
}

bool THexTextWriter::Finish() {
    if (Failed || !MakeRoom(HexEndRecord.size() + LineEnd.size())) {
        return false;
    }
    Append(HexEndRecord);
    Append(LineEnd);
    return WriteBuffer();
}
