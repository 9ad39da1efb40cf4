#include "logging/LogManager.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "platform/AppDataFolder.h"
#include "platform/LocalTime.h"
#include "platform/PathSeparator.h"

#include <cctype>
#include <chrono>
#include <ctime>
#include <utility>

namespace {

std::string FolderOf(const std::string& FileName) {
    const std::string::size_type Slash = LastPathSeparator(FileName);
    return Slash == std::string::npos || Slash == 0 ? std::string() : FileName.substr(0, Slash);
}

// Opens FileName, locked against other instances, emptied or (Continue) positioned at its end;
// not open when it cannot be created or another process holds its lock (its content is then
// left alone).
TFileHandle OpenLocked(const std::string& FileName, bool Continue = false) {
    TFileHandle Opened = OpenLockedFile(FileName);
    if (!Opened.IsOpen() || !(Continue ? Opened.SeekToEnd() : Opened.Truncate())) {
        return TFileHandle();
    }
    return Opened;
}

void AppendHexByte(std::string& Text, std::uint8_t Value) {
    static const char Digits[] = "0123456789ABCDEF";
    Text += Digits[Value >> 4];
    Text += Digits[Value & 0x0F];
}

} // namespace

std::optional<std::uint64_t> ParseLogLimit(const std::string& Text) {
    std::size_t DigitsEnd = 0;
    while (DigitsEnd < Text.size() && std::isdigit(static_cast<unsigned char>(Text[DigitsEnd]))) {
        ++DigitsEnd;
    }
    if (DigitsEnd == 0 || Text.size() - DigitsEnd > 1) {
        return std::nullopt;
    }
    int Shift = 0;
    if (DigitsEnd < Text.size()) {
        switch (std::toupper(static_cast<unsigned char>(Text.back()))) {
        case 'K':
            Shift = 10;
            break;
        case 'M':
            Shift = 20;
            break;
        case 'G':
            Shift = 30;
            break;
        default:
            return std::nullopt;
        }
    }
    const std::uint64_t Largest = UINT64_MAX >> Shift;
    std::uint64_t Value = 0;
    for (std::size_t Index = 0; Index < DigitsEnd; ++Index) {
        const unsigned Digit = static_cast<unsigned>(Text[Index] - '0');
        if (Value > (Largest - Digit) / 10) {
            return std::nullopt;
        }
        Value = Value * 10 + Digit;
    }
    if (Value == 0) {
        return std::nullopt;
    }
    return Value << Shift;
}

TLogManager::TLogManager(const std::string& FileName, std::uint64_t Limit, bool Continue)
    : Limit(Limit) {
    // The folder is created here, so that the very first run of the program has a log too.
    const std::string Folder = FolderOf(FileName);
    if (!Folder.empty()) {
        EnsureFolderExists(Folder);
    }
    // When another running instance holds the lock, its log stays as it is and this one logs
    // nothing.
    Handle = OpenLocked(FileName, Continue);
    if (!Handle.IsOpen()) {
        return;
    }
    this->FileName = FileName;
    if (Continue) {
        Size = Handle.FileSize().value_or(0);
    } else {
        // The older file of a previous run would read as the beginning of this one.
        RemoveFile(GetOlderFileName());
    }
    Enabled = true;
}

TLogManager::~TLogManager() {
    if (CanWrite()) {
        WritePending();
    }
}

bool TLogManager::CanWrite() const {
    return Enabled && !FileName.empty();
}

bool TLogManager::WriteMessage(const std::string& Text) {
    const char* Failure = nullptr;
    {
        std::lock_guard<std::mutex> Guard(Lock);
        if (!CanWrite()) {
            return false;
        }
        Failure = Put(FormatRecord(Text));
    }
    // Raised after the lock is released; the record number stays advanced.
    if (Failure != nullptr) {
        throw Exception(FormatText(Failure, FileName.c_str()));
    }
    return true;
}

const char* TLogManager::Put(const std::string& Record) {
    if (Size > 0 && Size + Record.size() > Limit) {
        // The kept records belong to the full file.
        const char* Failure = WritePending();
        if (Failure != nullptr) {
            return Failure;
        }
        if (!StartNextFile()) {
            return SLogNextFileError;
        }
    }
    Size += Record.size();
    if (BatchDepth > 0) {
        const auto Now = std::chrono::steady_clock::now();
        if (Pending.empty()) {
            PendingSince = Now;
        }
        Pending += Record;
        const bool Full = Pending.size() >= BatchWriteSize;
        return Full || Now - PendingSince >= BatchWriteDelay ? WritePending() : nullptr;
    }
    return Handle.WriteAll(Record) == Record.size() ? nullptr : SLogWriteError;
}

const char* TLogManager::WritePending() {
    if (Pending.empty()) {
        return nullptr;
    }
    const bool Complete = Handle.WriteAll(Pending) == Pending.size();
    Pending.clear();
    return Complete ? nullptr : SLogWriteError;
}

void TLogManager::BeginBatch() {
    std::lock_guard<std::mutex> Guard(Lock);
    ++BatchDepth;
}

void TLogManager::EndBatch() {
    const char* Failure = nullptr;
    {
        std::lock_guard<std::mutex> Guard(Lock);
        if (BatchDepth > 0 && --BatchDepth == 0) {
            Failure = CanWrite() ? WritePending() : nullptr;
            Pending.clear();
        }
    }
    if (Failure != nullptr) {
        throw Exception(FormatText(Failure, FileName.c_str()));
    }
}

TLogBatch::TLogBatch(TLogManager& Log) : Log(&Log) {
    Log.BeginBatch();
}

TLogBatch::~TLogBatch() {
    try {
        Close();
    } catch (...) {
    }
}

void TLogBatch::Close() {
    TLogManager* Closing = Log;
    Log = nullptr;
    if (Closing != nullptr) {
        Closing->EndBatch();
    }
}

// Renames the full file to the older file's name, replacing that one, and goes on in a new,
// empty file under the log's name. Called with Lock held. When the rename fails, or another
// instance starting at that very moment has taken the new file, logging stops: the log must
// not grow beyond its bound.
bool TLogManager::StartNextFile() {
    TFileHandle NewHandle =
        RenameReplacing(FileName, GetOlderFileName()) ? OpenLocked(FileName) : TFileHandle();
    if (!NewHandle.IsOpen()) {
        Enabled = false;
        return false;
    }
    Handle = std::move(NewHandle);
    Size = 0;
    return true;
}

bool TLogManager::WriteBytes(const TByteArray& Bytes, const std::string& Caption) {
    const bool Hex = HexMode;
    // Up to four characters a byte, a line end every forty, the caption and the brackets.
    std::string Text;
    Text.reserve(Caption.size() + Bytes.size() * 4 + Bytes.size() / 20 + 24);
    Text += Caption;
    Text += ": [ ";
    if (Hex) {
        Text += "(Hex mode) ";
    }
    for (std::size_t Index = 0; Index < Bytes.size(); ++Index) {
        if (Hex) {
            AppendHexByte(Text, Bytes[Index]);
        } else {
            Text += std::to_string(Bytes[Index]);
        }
        Text += ' ';
        if (Index != 0 && Index % 40 == 0) {
            Text += "\r\n";
        }
    }
    Text += " ]";
    return WriteMessage(Text);
}

std::string TLogManager::DefaultFileName() {
    return GetProgramDataFolder() + "/Velmora.log";
}

std::string TLogManager::FormatRecord(const std::string& Text) {
    // Number, time stamp and line end take less than this.
    constexpr std::size_t FramingLength = 40;
    std::string Record;
    Record.reserve(Text.size() + FramingLength);
    Record += std::to_string(RecordNumber);
    Record += '\t';
    AppendTimeStamp(Record);
    Record += '\t';
    Record += Text;
    Record += "\r\n";
    ++RecordNumber;
    return Record;
}

// Local time as hours:minutes:seconds (24-hour clock), then ":" and the milliseconds of the
// same instant without leading zeros.
void TLogManager::AppendTimeStamp(std::string& Record) {
    const auto Now = std::chrono::system_clock::now();
    const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
    const auto Milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()).count() %
        1000;
    if (Seconds != StampedSecond) {
        const std::tm Local = ToLocalTime(Seconds);
        char Buffer[32];
        StampedSecondText.assign(Buffer, std::strftime(Buffer, sizeof Buffer, "%H:%M:%S", &Local));
        StampedSecond = Seconds;
    }
    Record += StampedSecondText;
    Record += ':';
    Record += std::to_string(Milliseconds);
}
