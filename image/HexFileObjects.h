// Intel HEX image files: one record per text line (THexLine) and a whole file of records
// (THexFile, shared through std::shared_ptr<IHexFile>). The file object stores records of any
// type; turning them into pages is the converter's business.
#pragma once

#include "common/ArrayTypes.h"
#include "common/Exception.h"
#include "image/HexRecordText.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TFileHandle;

// The family of image file errors; each carries only its message.
class EHexFileException : public Exception {
public:
    using Exception::Exception;
};

class EWrongHexStringCS : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

class EOddHexStringLength : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

class EHexStringIsTooShort : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

class EWrongHexDataLength : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

class EFileIsEmpty : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

// An extended address record (type 4) without its two address bytes.
class EWrongExtendedAddress : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

// The records reach addresses beyond the largest image the program accepts.
class EImageIsTooLarge : public EHexFileException {
public:
    using EHexFileException::EHexFileException;
};

// The record that ends every image file.
inline constexpr std::string_view HexEndRecord = ":00000001FF";

// One record of an image file.
class THexLine {
public:
    // Fills every field from one text line, LineNumber being its number in its file (from 1);
    // raises the EHexFileException family on a malformed line, with a message naming that
    // number, keeping the fields already set.
    void Parse(std::string_view Text, std::int64_t LineNumber);
    // The bytes written as hexadecimal pairs after the first character; a pair holding another
    // character gives 0. Raises EOddHexStringLength when the pairs do not come out even.
    static TByteArray HexTextToBytes(std::string_view Text);
    // The sum of Bytes modulo 256.
    static std::uint8_t ByteSum(const TByteArray& Bytes);

    // Byte count, address (high byte first), record type, data, checksum.
    TByteArray GetBytes() const;
    // ":" followed by two upper-case hexadecimal digits for every byte of GetBytes.
    std::string ToText() const;
    // Appends ToText to Text without building a temporary string.
    void AppendText(std::string& Text) const;
    // The number of characters of ToText.
    std::size_t TextLength() const;
    // Writes the TextLength characters of ToText at Out; returns the end of what it wrote.
    char* WriteText(char* Out) const;
    // The fields, the data pointing into this record.
    THexRecordFields Fields() const;

    const TByteArray& GetData() const { return Data; }
    std::uint16_t GetAddress() const { return Address; }
    std::uint8_t GetRecordType() const { return RecordType; }
    std::uint8_t GetByteCount() const { return ByteCount; }
    std::uint8_t GetCheckSum() const { return CheckSum; }

    void SetByteCount(std::uint8_t Value) { ByteCount = Value; }
    void SetAddress(std::uint16_t Value) { Address = Value; }
    void SetRecordType(std::uint8_t Value) { RecordType = Value; }
    void SetCheckSum(std::uint8_t Value) { CheckSum = Value; }
    void SetData(const TByteArray& Value) { Data = Value; }

private:
    // CheckSum sits with the other small fields, so that a record takes 32 bytes, not 40.
    std::uint8_t ByteCount = 0;
    std::uint16_t Address = 0;
    std::uint8_t RecordType = 0;
    std::uint8_t CheckSum = 0;
    TByteArray Data;
};

class IHexFile {
public:
    virtual ~IHexFile() = default;

    virtual std::int32_t GetCount() const = 0;
    // The record at position Index, owned by the file; std::out_of_range outside
    // 0..GetCount()-1.
    virtual THexLine& GetLine(std::int32_t Index) = 0;
    virtual const THexLine& GetLine(std::int32_t Index) const = 0;
    // The number (from 1) of the record's line in the text the records came from, blank lines
    // the loading skipped counted; records appended later follow on from the last one.
    // std::out_of_range outside 0..GetCount()-1.
    virtual std::int64_t GetLineNumber(std::int32_t Index) const = 0;
    // Replaces the records with those of the file. A missing file gives no records; a file of
    // zero bytes raises EFileIsEmpty and leaves the records alone; a file that exists but cannot
    // be read, or is not a regular file, raises Exception.
    virtual void LoadFromFile(const std::string& FileName) = 0;
    // Writes every record and the end record, CR LF after each line. The file is replaced only
    // once the new content is safely on disk; on failure the old file stays and Exception is
    // raised.
    virtual void SaveToFile(const std::string& FileName) const = 0;
    // Appends a record parsed from Text, the next line of the text; a malformed record stays
    // appended with the fields it got, and the error, naming the line, goes to the caller.
    virtual void AddLine(std::string_view Text) = 0;
    // Appends a record with its byte count and checksum computed.
    virtual void AddRecord(std::uint16_t Address, std::uint8_t RecordType,
                           const TByteArray& Data) = 0;
};

class THexFile final : public IHexFile {
public:
    std::int32_t GetCount() const override { return static_cast<std::int32_t>(Lines.size()); }
    THexLine& GetLine(std::int32_t Index) override;
    const THexLine& GetLine(std::int32_t Index) const override;
    std::int64_t GetLineNumber(std::int32_t Index) const override;
    void LoadFromFile(const std::string& FileName) override;
    void SaveToFile(const std::string& FileName) const override;
    void AddLine(std::string_view Text) override;
    void AddRecord(std::uint16_t Address, std::uint8_t RecordType, const TByteArray& Data) override;

    // Replaces the records with those of the given text lines, up to the end record. Empty
    // lines are skipped, though counted in the line numbers; the first malformed line ends the
    // loading with its error, keeping the records before it.
    void LoadFromStrings(const std::vector<std::string>& Strings);

private:
    // Forgets the records and the blank lines counted.
    void Clear();
    // Takes one line of a file; false when it is the end record.
    bool TakeLine(std::string_view Text);
    // Notes the blank lines skipped since the last record, before a record is appended.
    void StartRecord();
    // Writes every record and the end record to an open file; false when writing fails.
    bool WriteText(TFileHandle& File) const;

    // A deque keeps the references GetLine hands out valid while records are appended.
    std::deque<THexLine> Lines;
    // Line numbers are kept as shifts rather than one number per record, as blank lines are
    // rare: from the record at index First on, Second blank lines come before the record.
    // Ascending in both.
    std::vector<std::pair<std::int32_t, std::int64_t>> Shifts;
    std::int64_t BlankLines = 0;
};
