// One Intel HEX record as a line of text: decoding a line into its fields, checking them, and
// writing a record's line; reading the lines of an image file and writing them. Shared by the
// record objects (THexLine, THexFile) and by the image files that are read and written straight
// from and into pages (HexImageFile.h), so that both read and write the same text and raise the
// same errors.
#pragma once

#include "common/ArrayTypes.h"
#include "platform/SafeFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The longest well-formed record: byte count, address, type, 255 data bytes, checksum.
inline constexpr std::size_t LongestRecordBytes = 5 + 255;

// The fields of one record. Data points into storage owned by whoever filled the fields.
struct THexRecordFields {
    std::uint8_t ByteCount = 0;
    std::uint16_t Address = 0;
    std::uint8_t RecordType = 0;
    std::uint8_t CheckSum = 0;
    const std::uint8_t* Data = nullptr;
    std::size_t DataLength = 0;
};

// Decodes Pairs (an even number of characters) into Pairs.size() / 2 bytes at Bytes; a pair
// holding a character other than a hexadecimal digit gives 0. Returns the position in Pairs of
// the first such character, or std::string_view::npos when there is none.
std::size_t DecodeHexPairs(std::string_view Pairs, std::uint8_t* Bytes);

// Decodes lines of an image file one after another, reusing its storage: the fields handed out
// stay valid until the next line is decoded.
class THexRecordDecoder {
public:
    // Decodes Text, a start character followed by hexadecimal pairs, LineNumber being its number
    // in its file (from 1). Raises EHexStringIsTooShort or EOddHexStringLength, naming the line,
    // for a line that cannot hold a record.
    const THexRecordFields& Decode(std::string_view Text, std::int64_t LineNumber);
    // Raises EWrongHexStringCS unless the bytes of the line decoded last add up to 0 modulo 256.
    // The message gives the expected and the written checksum and, when the line holds a
    // character that is not a hexadecimal digit (read as 0), the first such character and its
    // column.
    void CheckSum() const;
    // Raises EWrongHexDataLength unless the line decoded last holds as many data bytes as its
    // byte count says.
    void CheckDataLength() const;

private:
    std::array<std::uint8_t, LongestRecordBytes> Local{};
    // Only an overlong line needs the heap.
    TByteArray Overlong;
    THexRecordFields Fields;
    std::int64_t LineNumber = 0;
    std::uint8_t Sum = 0;
    // " Символ ... в столбце ...": empty when every pair was made of hexadecimal digits.
    std::string NotADigit;
};

// The number of characters of the line of a record with DataLength data bytes.
constexpr std::size_t HexRecordTextLength(std::size_t DataLength) {
    return 1 + 2 * (DataLength + 5);
}

// Writes the line of Record at Out: ":" and two upper-case hexadecimal digits for each of its
// bytes (byte count, address high byte first, type, data, checksum). Returns the end of what it
// wrote, HexRecordTextLength(Record.DataLength) characters.
char* WriteHexRecordText(char* Out, const THexRecordFields& Record);

// The checksum that brings the sum of a record's bytes to 0 modulo 256.
std::uint8_t HexRecordCheckSum(const THexRecordFields& Record);

// Reads the lines of an image file up to its end record (":00000001FF" exactly; a line ending
// in any way: CR LF, LF or CR, and a last line without an end).
class THexLineReader {
public:
    // Opens FileName and reads its first line; false when there is no such file. Raises
    // EFileIsEmpty for a file of zero bytes, and Exception ("Не удалось прочитать файл ...")
    // for a file that exists but cannot be read or is not a regular file.
    bool Open(const std::string& FileName);
    // The next line, blank lines included, as a view valid until the next call; false after
    // the last line and at the end record. Raises Exception when reading fails.
    bool NextLine(std::string_view& Line);
    // The number (from 1) of the line NextLine gave last.
    std::int64_t LineNumber() const { return Number; }

private:
    [[noreturn]] void RaiseCannotRead() const;

    TFileReader Reader;
    std::string FileName;
    std::string_view First;
    bool HoldsFirst = false;
    std::int64_t Number = 0;
};

// Writes records as lines ending in CR LF into a file, and the end record after the last.
// Lines are encoded straight into a buffer that is written out whenever the next line would not
// fit; each piece written is sent on its way to the disk at once.
class THexTextWriter {
public:
    explicit THexTextWriter(TFileHandle& File);

    // Appends the line of Record; nothing once a write has failed.
    void Write(const THexRecordFields& Record);
    // Appends the end record and writes what is left; false when any write failed.
    bool Finish();

private:
    // Writes out the buffer when fewer than Length characters are free in it, and grows it for
    // a line longer than the buffer; false when writing failed.
    bool MakeRoom(std::size_t Length);
    bool WriteBuffer();
    bool Flush();
    void Append(std::string_view Text);

    TFileHandle& File;
    std::string Buffer;
    std::size_t Used = 0;
    std::uint64_t Offset = 0;
    bool Failed = false;
};
