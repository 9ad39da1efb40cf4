#include "image/HexFileObjects.h"

#include "common/ResourseStrings.h"
#include "image/ArrayRoutines.h"
#include "image/FileErrors.h"
#include "image/HexRecordText.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void RaiseIndexError(std::int32_t Index) {
    throw std::out_of_range(FormatText(SListIndexOutOfBounds, Index));
}

} // namespace

// ---- THexLine ----

void THexLine::Parse(std::string_view Text, std::int64_t LineNumber) {
    THexRecordDecoder Decoder;
    const THexRecordFields& Record = Decoder.Decode(Text, LineNumber);
    ByteCount = Record.ByteCount;
    Address = Record.Address;
    RecordType = Record.RecordType;
    Data.assign(Record.Data, Record.Data + Record.DataLength);
    Decoder.CheckSum();
    CheckSum = Record.CheckSum;
    Decoder.CheckDataLength();
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
    unsigned Sum = 0;
    for (const std::uint8_t Byte : Bytes) {
        Sum += Byte;
    }
    return static_cast<std::uint8_t>(Sum);
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
    return HexRecordTextLength(Data.size());
}

THexRecordFields THexLine::Fields() const {
    return {ByteCount, Address, RecordType, CheckSum, Data.data(), Data.size()};
}

char* THexLine::WriteText(char* Out) const {
    return WriteHexRecordText(Out, Fields());
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
    Line.SetCheckSum(HexRecordCheckSum(Line.Fields()));
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
    THexLineReader Reader;
    const bool Opened = Reader.Open(FileName);
    Clear();
    if (!Opened) {
        return;
    }
    std::string_view Line;
    while (Reader.NextLine(Line)) {
        if (Line.empty()) {
            ++BlankLines;
        } else {
            AddLine(Line);
        }
    }
}

bool THexFile::WriteText(TFileHandle& File) const {
    THexTextWriter Writer(File);
    for (const THexLine& Line : Lines) {
        Writer.Write(Line.Fields());
    }
    return Writer.Finish();
}

void THexFile::SaveToFile(const std::string& FileName) const {
    const auto Write = [this](TFileHandle& File) { return WriteText(File); };
    if (!ReplaceFileContent(FileName, Write)) {
        throw CannotWriteFileError(FileName);
    }
}
