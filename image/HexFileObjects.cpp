#include "image/HexFileObjects.h"

#include "app/ResourseStrings.h"
#include "image/ArrayRoutines.h"
#include "image/HexToInt.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t ShortestLineLength = 11;

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

void AppendHexByte(std::string& Text, std::uint8_t Value) {
    Text.append(&HexPairs[2 * Value], 2);
}

[[noreturn]] void RaiseIndexError(std::int32_t Index) {
    throw std::out_of_range(FormatText(SListIndexOutOfBounds, Index));
}

// A file descriptor closed when it goes out of scope.
class TFileHandle {
public:
    explicit TFileHandle(int Descriptor) : Descriptor(Descriptor) {}
    ~TFileHandle() {
        if (Descriptor >= 0) {
            ::close(Descriptor);
        }
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return Descriptor; }
    // Closes now and tells whether the close succeeded (a delayed write error shows here).
    bool Close() {
        const int Result = ::close(Descriptor);
        Descriptor = -1;
        return Result == 0;
    }

private:
    int Descriptor;
};

// Reads the whole file; false when no file of that name exists. Raises Exception when the file
// exists but cannot be read.
bool ReadWholeFile(const std::string& FileName, std::string& Content) {
    TFileHandle File(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (File.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return false;
        }
        throw Exception(FormatText(SCannotReadFile, FileName.c_str()));
    }
    struct stat Info {};
    if (::fstat(File.Get(), &Info) != 0 || S_ISDIR(Info.st_mode)) {
        throw Exception(FormatText(SCannotReadFile, FileName.c_str()));
    }
    Content.clear();
    if (S_ISREG(Info.st_mode) && Info.st_size > 0) {
        Content.reserve(static_cast<std::size_t>(Info.st_size));
    }
    char Buffer[1 << 16];
    for (;;) {
        const ssize_t Count = ::read(File.Get(), Buffer, sizeof Buffer);
        if (Count == 0) {
            break;
        }
        if (Count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw Exception(FormatText(SCannotReadFile, FileName.c_str()));
        }
        Content.append(Buffer, static_cast<std::size_t>(Count));
    }
    return true;
}

bool WriteAll(int Descriptor, std::string_view Text) {
    while (!Text.empty()) {
        const ssize_t Count = ::write(Descriptor, Text.data(), Text.size());
        if (Count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        Text.remove_prefix(static_cast<std::size_t>(Count));
    }
    return true;
}

std::string FolderOf(const std::string& Path) {
    const auto Slash = Path.rfind('/');
    if (Slash == std::string::npos) {
        return ".";
    }
    return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// The file that a save must replace: the target of a symbolic link rather than the link itself.
std::string ResolveTarget(const std::string& FileName) {
    struct stat Info {};
    if (::lstat(FileName.c_str(), &Info) == 0 && S_ISLNK(Info.st_mode)) {
        char Resolved[PATH_MAX];
        if (::realpath(FileName.c_str(), Resolved) != nullptr) {
            return Resolved;
        }
    }
    return FileName;
}

// The permissions a new file gets: those of the file it replaces, else the usual ones for a
// newly created file (mkstemp alone would give 0600).
mode_t PermissionsFor(const std::string& Target) {
    struct stat Info {};
    if (::stat(Target.c_str(), &Info) == 0 && S_ISREG(Info.st_mode)) {
        return Info.st_mode & 07777;
    }
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    return 0666 & ~Mask;
}

void SyncFolder(const std::string& Folder) {
    TFileHandle Handle(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (Handle.Get() >= 0) {
        ::fsync(Handle.Get());
    }
}

// Writes Text to a temporary file beside Target, flushes it to disk and renames it over
// Target, so Target holds either its old or its whole new content.
bool ReplaceFileContent(const std::string& Target, std::string_view Text) {
    const std::string Folder = FolderOf(Target);
    std::string TempName = Folder + "/.velmora-save-XXXXXX";
    TFileHandle Temp(::mkstemp(TempName.data()));
    if (Temp.Get() < 0) {
        return false;
    }
    const bool Written = ::fchmod(Temp.Get(), PermissionsFor(Target)) == 0 &&
                         WriteAll(Temp.Get(), Text) && ::fsync(Temp.Get()) == 0 && Temp.Close() &&
                         ::rename(TempName.c_str(), Target.c_str()) == 0;
    if (!Written) {
        ::unlink(TempName.c_str());
        return false;
    }
    SyncFolder(Folder);
    return true;
}

} // namespace

// ---- THexLine ----

void THexLine::Parse(std::string_view Text) {
    if (Text.size() < ShortestLineLength) {
        throw EHexStringIsTooShort(SHexStringIsTooShort);
    }
    const TByteArray Bytes = HexTextToBytes(Text);
    ByteCount = Bytes[0];
    Address = BytesToWord(Bytes[1], Bytes[2]);
    RecordType = Bytes[3];
    Data.assign(Bytes.begin() + 4, Bytes.end() - 1);
    if (ByteSum(Bytes) != 0) {
        throw EWrongHexStringCS(SWrongHexStringCS);
    }
    CheckSum = Bytes.back();
    if (Data.size() != ByteCount) {
        throw EWrongHexDataLength(FormatText(SWrongHexDataLength, static_cast<int>(ByteCount),
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
    for (std::size_t Index = 0; Index < Bytes.size(); ++Index) {
        const int High = HexDigitValue(Text[2 * Index]);
        const int Low = HexDigitValue(Text[2 * Index + 1]);
        Bytes[Index] = (High < 0 || Low < 0) ? 0 : static_cast<std::uint8_t>(High << 4 | Low);
    }
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

void THexLine::AppendText(std::string& Text) const {
    Text += ':';
    AppendHexByte(Text, ByteCount);
    AppendHexByte(Text, static_cast<std::uint8_t>(Address >> 8));
    AppendHexByte(Text, static_cast<std::uint8_t>(Address));
    AppendHexByte(Text, RecordType);
    for (const std::uint8_t Byte : Data) {
        AppendHexByte(Text, Byte);
    }
    AppendHexByte(Text, CheckSum);
}

// ---- THexFile ----

THexLine& THexFile::GetLine(std::int32_t Index) {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Lines.size()) {
        RaiseIndexError(Index);
    }
    return *Lines[static_cast<std::size_t>(Index)];
}

const THexLine& THexFile::GetLine(std::int32_t Index) const {
    return const_cast<THexFile*>(this)->GetLine(Index);
}

void THexFile::AddLine(std::string_view Text) {
    Lines.push_back(std::make_unique<THexLine>());
    Lines.back()->Parse(Text);
}

void THexFile::AddRecord(std::uint16_t Address, std::uint8_t RecordType, const TByteArray& Data) {
    auto Line = std::make_unique<THexLine>();
    const auto ByteCount = static_cast<std::uint8_t>(Data.size());
    Line->SetByteCount(ByteCount);
    Line->SetAddress(Address);
    Line->SetRecordType(RecordType);
    Line->SetData(Data);
    const unsigned Sum =
        ByteCount + (Address >> 8) + (Address & 0xFF) + RecordType + THexLine::ByteSum(Data);
    Line->SetCheckSum(static_cast<std::uint8_t>(256 - Sum % 256));
    Lines.push_back(std::move(Line));
}

bool THexFile::TakeLine(std::string_view Text) {
    if (Text == HexEndRecord) {
        return false;
    }
    if (!Text.empty()) {
        AddLine(Text);
    }
    return true;
}

void THexFile::LoadFromStrings(const std::vector<std::string>& Strings) {
    Lines.clear();
    for (const std::string& Text : Strings) {
        if (!TakeLine(Text)) {
            break;
        }
    }
}

void THexFile::LoadFromText(std::string_view Text) {
    Lines.clear();
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Start;
        while (End < Text.size() && Text[End] != '\r' && Text[End] != '\n') {
            ++End;
        }
        if (!TakeLine(Text.substr(Start, End - Start))) {
            return;
        }
        if (End + 1 < Text.size() && Text[End] == '\r' && Text[End + 1] == '\n') {
            ++End;
        }
        Start = End + 1;
    }
}

void THexFile::LoadFromFile(const std::string& FileName) {
    std::string Content;
    if (!ReadWholeFile(FileName, Content)) {
        Lines.clear();
        return;
    }
    if (Content.empty()) {
        throw EFileIsEmpty(SFileIsEmpty);
    }
    LoadFromText(Content);
}

std::string THexFile::BuildText() const {
    std::size_t Length = HexEndRecord.size() + 2;
    for (const auto& Line : Lines) {
        Length += 2 * Line->GetData().size() + ShortestLineLength + 2;
    }
    std::string Text;
    Text.reserve(Length);
    for (const auto& Line : Lines) {
        Line->AppendText(Text);
        Text += "\r\n";
    }
    Text += HexEndRecord;
    Text += "\r\n";
    return Text;
}

void THexFile::SaveToFile(const std::string& FileName) const {
    if (!ReplaceFileContent(ResolveTarget(FileName), BuildText())) {
        throw Exception(FormatText(SCannotWriteFile, FileName.c_str()));
    }
}
