// The system-independent part of the safe file module: reading a file line by line or whole.
#include "platform/SafeFile.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::size_t ChunkSize = 1 << 18;

// Whether any byte of the 8 in Word equals Byte.
bool HasByte(std::uint64_t Word, unsigned char Byte) {
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    const std::uint64_t Masked = Word ^ (Ones * Byte);
    return ((Masked - Ones) & ~Masked & (Ones << 7)) != 0;
}

// The first CR or LF in [Position, End), or End; eight bytes at a time.
const char* FindLineEnd(const char* Position, const char* End) {
    while (End - Position >= 8) {
        std::uint64_t Word;
        std::memcpy(&Word, Position, sizeof Word);
        if (HasByte(Word, '\r') || HasByte(Word, '\n')) {
            break;
        }
        Position += 8;
    }
    while (Position != End && *Position != '\r' && *Position != '\n') {
        ++Position;
    }
    return Position;
}

} // namespace

TOpenResult TFileReader::Open(const std::string& FileName) {
    *this = TFileReader();
    const TOpenResult Result = OpenRegularFile(FileName, File);
    if (Result == TOpenResult::Opened) {
        Buffer.assign(ChunkSize, '\0');
    }
    return Result;
}

bool TFileReader::NextLine(std::string_view& Line) {
    if (!File.IsOpen()) {
        return false;
    }
    for (;;) {
        if (SkipLineFeed && Start < End) {
            Start += Buffer[Start] == '\n' ? 1 : 0;
            SkipLineFeed = false;
        }
        if (!SkipLineFeed) {
            const char* Begin = Buffer.data() + Start;
            const char* Found = FindLineEnd(Begin + Scanned, Buffer.data() + End);
            if (Found != Buffer.data() + End) {
                Line = std::string_view(Begin, static_cast<std::size_t>(Found - Begin));
                SkipLineFeed = *Found == '\r';
                Start += Line.size() + 1;
                Scanned = 0;
                return true;
            }
            Scanned = End - Start;
            if (AtEnd) {
                if (Start == End) {
                    return false;
                }
                Line = std::string_view(Begin, End - Start);
                Start = End;
                Scanned = 0;
                return true;
            }
        } else if (AtEnd) {
            SkipLineFeed = false;
            continue;
        }
        if (!ReadMore()) {
            return false;
        }
    }
}

bool TFileReader::ReadAll(std::string& Content) {
    if (!File.IsOpen()) {
        return false;
    }
    do {
        if (SkipLineFeed && Start < End) {
            Start += Buffer[Start] == '\n' ? 1 : 0;
            SkipLineFeed = false;
        }
        Content.append(Buffer, Start, End - Start);
        Start = End = Scanned = 0;
    } while (!AtEnd && ReadMore());
    return !ReadFailed;
}

std::optional<std::uint64_t> TFileReader::Size() const {
    if (!File.IsOpen()) {
        return std::nullopt;
    }
    return File.FileSize();
}

bool TFileReader::ReadMore() {
    if (Start > 0) {
        std::memmove(Buffer.data(), Buffer.data() + Start, End - Start);
        End -= Start;
        Start = 0;
    }
    if (End == Buffer.size()) {
        Buffer.resize(Buffer.size() * 2);
    }
    const long long Count = File.Read(Buffer.data() + End, Buffer.size() - End);
    if (Count < 0) {
        // The file stays open, so that the reader keeps saying it failed.
        ReadFailed = true;
        return false;
    }
    End += static_cast<std::size_t>(Count);
    AtEnd = Count == 0;
    return true;
}

std::optional<std::string> ReadFileContent(const std::string& FileName) {
    TFileReader Reader;
    std::string Content;
    if (Reader.Open(FileName) != TOpenResult::Opened || !Reader.ReadAll(Content)) {
        return std::nullopt;
    }
    return Content;
}

namespace {

// The process number in a temporary file's name ".velmora-save-PID-REST"; 0 for another name.
unsigned long TemporaryOwner(const std::string& Name) {
    static const std::string Prefix = ".velmora-save-";
    if (Name.compare(0, Prefix.size(), Prefix) != 0) {
        return 0;
    }
    const std::size_t Dash = Name.find('-', Prefix.size());
    const std::string Digits = Name.substr(Prefix.size(), Dash - Prefix.size());
    if (Dash == std::string::npos || Digits.empty() ||
        Digits.find_first_not_of("0123456789") != std::string::npos || Digits.size() > 9) {
        return 0;
    }
    return std::strtoul(Digits.c_str(), nullptr, 10);
}

} // namespace

void RemoveAbandonedTemporaries(const std::string& Folder) {
    namespace fs = std::filesystem;
    std::error_code Error;
    fs::directory_iterator Entry(fs::u8path(Folder.empty() ? "." : Folder), Error);
    for (; !Error && Entry != fs::directory_iterator(); Entry.increment(Error)) {
        const unsigned long Owner = TemporaryOwner(Entry->path().filename().u8string());
        if (Owner != 0 && !IsProcessRunning(Owner)) {
            std::error_code Ignored;
            fs::remove(Entry->path(), Ignored);
        }
    }
}
