#include "image/HexFileObjects.h"

#include "common/ResourseStrings.h"
#include "image/ArrayRoutines.h"
#include "image/FileErrors.h"
#include "image/HexToInt.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t ShortestLineLength = 11;
constexpr std::string_view LineEnd = "\r\n";

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

// The longest well-formed record: byte count, address, type, 255 data bytes, checksum.
constexpr std::size_t LongestRecordBytes = 5 + 255;

// Decodes Pairs (an even number of characters) one pair at a time; a pair holding a character
// other than a hexadecimal digit gives 0.
void DecodeHexPairsSlowly(std::string_view Pairs, std::uint8_t* Bytes) {
    for (std::size_t Index = 0; Index < Pairs.size() / 2; ++Index) {
        const int High = HexDigitValue(Pairs[2 * Index]);
        const int Low = HexDigitValue(Pairs[2 * Index + 1]);
        Bytes[Index] = High < 0 || Low < 0 ? 0 : static_cast<std::uint8_t>(High << 4 | Low);
    }
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

// Decodes Pairs (an even number of characters) into Pairs.size() / 2 bytes; a pair holding a
// character other than a hexadecimal digit gives 0. Many digits at a time while all are
// digits; a line holding anything else is decoded again pair by pair.
void DecodeHexPairs(std::string_view Pairs, std::uint8_t* Bytes) {
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
        DecodeHexPairsSlowly(Pairs, Bytes);
    }
}

std::uint8_t SumOf(const std::uint8_t* Bytes, std::size_t Count) {
    unsigned Sum = 0;
    for (std::size_t Index = 0; Index < Count; ++Index) {
        Sum += Bytes[Index];
    }
    return static_cast<std::uint8_t>(Sum);
}

[[noreturn]] void RaiseIndexError(std::int32_t Index) {
    throw std::out_of_range(FormatText(SListIndexOutOfBounds, Index));
}

} // namespace

// ---- THexLine ----

void THexLine::Parse(std::string_view Text, std::int64_t LineNumber) {
    const auto Number = static_cast<long long>(LineNumber);
    if (Text.size() < ShortestLineLength) {
        throw EHexStringIsTooShort(FormatText(SHexLineNumber, Number) + SHexStringIsTooShort);
    }
    const std::string_view Pairs = Text.substr(1);
    if (Pairs.size() % 2 != 0) {
        throw EOddHexStringLength(FormatText(SHexLineNumber, Number) + SOddHexStringLength);
    }
    // A record of normal length is decoded on the stack; only an overlong line needs the heap.
    const std::size_t Count = Pairs.size() / 2;
    std::array<std::uint8_t, LongestRecordBytes> Local;
    TByteArray Overlong;
    std::uint8_t* Bytes = Local.data();
    if (Count > Local.size()) {
        Overlong.resize(Count);
        Bytes = Overlong.data();
    }
    DecodeHexPairs(Pairs, Bytes);

    ByteCount = Bytes[0];
    Address = BytesToWord(Bytes[1], Bytes[2]);
    RecordType = Bytes[3];
    Data.assign(Bytes + 4, Bytes + Count - 1);
    const std::uint8_t Written = Bytes[Count - 1];
    const std::uint8_t Sum = SumOf(Bytes, Count);
    if (Sum != 0) {
        // The checksum that would bring the sum of all bytes to 0.
        const auto Expected = static_cast<std::uint8_t>(Written - Sum);
        throw EWrongHexStringCS(
            FormatText(SHexLineNumber, Number) + SWrongHexStringCS +
            FormatText(SHexChecksumDetail, unsigned{Expected}, unsigned{Written}));
    }
    CheckSum = Written;
    if (Data.size() != ByteCount) {
        throw EWrongHexDataLength(FormatText(SHexLineNumber, Number) +
                                  FormatText(SWrongHexDataLength, static_cast<int>(ByteCount),
                                             static_cast<int>(std::min<std::size_t>(
                                                 Data.size(), static_cast<std::size_t>(INT_MAX)))));
    }
}

TByteArray THexLine::HexTextToBytes(std::string_view Text) {
    if (!Text.empty()) {
        Text.remove_prefix(1);
    }
    if (Text.size() % 2 != 0) {
        throw EOddHexStringLength(SOddHexStringLength);
    }
    TByteArray Bytes(Text.size() / 2);
    DecodeHexPairs(Text, Bytes.data());
    return Bytes;
}

std::uint8_t THexLine::ByteSum(const TByteArray& Bytes) {
    return SumOf(Bytes.data(), Bytes.size());
}

TByteArray THexLine::GetBytes() const {
    TByteArray Bytes;
    Bytes.reserve(Data.size() + 5);
    Bytes.push_back(ByteCount);
    const TByteArray AddressBytes = WordToBytes(Address);
    Bytes.insert(Bytes.end(), AddressBytes.begin(), AddressBytes.end());
    Bytes.push_back(RecordType);
    Bytes.insert(Bytes.end(), Data.begin(), Data.end());
    Bytes.push_back(CheckSum);
    return Bytes;
}

std::string THexLine::ToText() const {
    std::string Text;
    AppendText(Text);
    return Text;
}

std::size_t THexLine::TextLength() const {
    return 1 + 2 * (Data.size() + 5);
}

char* THexLine::WriteText(char* Out) const {
    *Out++ = ':';
    Out = WriteHexByte(Out, ByteCount);
    Out = WriteHexByte(Out, static_cast<std::uint8_t>(Address >> 8));
    Out = WriteHexByte(Out, static_cast<std::uint8_t>(Address));
    Out = WriteHexByte(Out, RecordType);
    const std::uint8_t* Byte = Data.data();
    const std::uint8_t* const End = Byte + Data.size();
#ifdef __SSE2__
    for (; End - Byte >= 16; Byte += 16, Out += 32) {
        WriteSixteenHexBytes(Out, Byte);
    }
#endif
    for (; Byte != End; ++Byte) {
        Out = WriteHexByte(Out, *Byte);
    }
    return WriteHexByte(Out, CheckSum);
}

void THexLine::AppendText(std::string& Text) const {
    const std::size_t Start = Text.size();
    Text.resize(Start + TextLength());
    WriteText(&Text[Start]);
}

// ---- THexFile ----

THexLine& THexFile::GetLine(std::int32_t Index) {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Lines.size()) {
        RaiseIndexError(Index);
    }
    return Lines[static_cast<std::size_t>(Index)];
}

const THexLine& THexFile::GetLine(std::int32_t Index) const {
    return const_cast<THexFile*>(this)->GetLine(Index);
}

std::int64_t THexFile::GetLineNumber(std::int32_t Index) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Lines.size()) {
        RaiseIndexError(Index);
    }
    // The last shift starting at or before the record.
    const auto After = std::upper_bound(
        Shifts.begin(), Shifts.end(), Index,
        [](std::int32_t Record, const std::pair<std::int32_t, std::int64_t>& Shift) {
            return Record < Shift.first;
        });
    const std::int64_t Skipped = After == Shifts.begin() ? 0 : std::prev(After)->second;
    return std::int64_t{Index} + 1 + Skipped;
}

void THexFile::Clear() {
    Lines.clear();
    Shifts.clear();
    BlankLines = 0;
}

void THexFile::StartRecord() {
    if (BlankLines != (Shifts.empty() ? 0 : Shifts.back().second)) {
        Shifts.emplace_back(GetCount(), BlankLines);
    }
}

void THexFile::AddLine(std::string_view Text) {
    StartRecord();
    Lines.emplace_back();
    // Every blank line skipped so far comes before the new record.
    Lines.back().Parse(Text, static_cast<std::int64_t>(Lines.size()) + BlankLines);
}

void THexFile::AddRecord(std::uint16_t Address, std::uint8_t RecordType, const TByteArray& Data) {
    StartRecord();
    THexLine& Line = Lines.emplace_back();
    const auto ByteCount = static_cast<std::uint8_t>(Data.size());
    Line.SetByteCount(ByteCount);
    Line.SetAddress(Address);
    Line.SetRecordType(RecordType);
    Line.SetData(Data);
    const unsigned Sum =
        ByteCount + (Address >> 8) + (Address & 0xFF) + RecordType + THexLine::ByteSum(Data);
    Line.SetCheckSum(static_cast<std::uint8_t>(256 - Sum % 256));
}

bool THexFile::TakeLine(std::string_view Text) {
    if (Text == HexEndRecord) {
        return false;
    }
    if (Text.empty()) {
        ++BlankLines;
    } else {
        AddLine(Text);
    }
    return true;
}

void THexFile::LoadFromStrings(const std::vector<std::string>& Strings) {
    Clear();
    for (const std::string& Text : Strings) {
        if (!TakeLine(Text)) {
            break;
        }
    }
}

void THexFile::LoadFromFile(const std::string& FileName) {
    const auto CannotRead = [&FileName] {
        return Exception(FormatText(SCannotReadFile, FileName.c_str()));
    };
    TFileReader Reader;
    switch (Reader.Open(FileName)) {
    case TOpenResult::Opened:
        break;
    case TOpenResult::Missing:
        Clear();
        return;
    case TOpenResult::Refused:
        throw CannotRead();
    }
    std::string_view Line;
    if (!Reader.NextLine(Line)) {
        if (Reader.Failed()) {
            throw CannotRead();
        }
        throw EFileIsEmpty(SFileIsEmpty);
    }
    Clear();
    do {
        if (!TakeLine(Line)) {
            return;
        }
    } while (Reader.NextLine(Line));
    if (Reader.Failed()) {
        throw CannotRead();
    }
}

bool THexFile::WriteText(TFileHandle& File) const {
    // Lines are encoded straight into a buffer written out whenever the next line would not
    // fit; each piece written is sent on its way to the disk at once.
    std::string Buffer(std::size_t{1} << 18, '\0');
    std::size_t Used = 0;
    std::uint64_t Offset = 0;
    const auto WriteBuffer = [&] {
        return File.WriteAll(std::string_view(Buffer.data(), Used)) == Used;
    };
    const auto Flush = [&] {
        if (!WriteBuffer()) {
            return false;
        }
        File.StartWriteBack(Offset, Used);
        Offset += Used;
        Used = 0;
        return true;
    };
    const auto MakeRoom = [&](std::size_t Length) {
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
    };
    for (const THexLine& Line : Lines) {
        const std::size_t Length = Line.TextLength() + LineEnd.size();
        if (!MakeRoom(Length)) {
            return false;
        }
        char* Out = Line.WriteText(Buffer.data() + Used);
        std::memcpy(Out, LineEnd.data(), LineEnd.size());
        Used += Length;
    }
    if (!MakeRoom(HexEndRecord.size() + LineEnd.size())) {
        return false;
    }
    std::memcpy(Buffer.data() + Used, HexEndRecord.data(), HexEndRecord.size());
    std::memcpy(Buffer.data() + Used + HexEndRecord.size(), LineEnd.data(), LineEnd.size());
    Used += HexEndRecord.size() + LineEnd.size();
    return WriteBuffer();
}

void THexFile::SaveToFile(const std::string& FileName) const {
    const auto Write = [this](TFileHandle& File) { return WriteText(File); };
    if (!ReplaceFileContent(FileName, Write)) {
        throw CannotWriteFileError(FileName);
    }
}
