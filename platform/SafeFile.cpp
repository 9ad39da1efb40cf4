#include "platform/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// ---- TFileHandle ----

TFileHandle::~TFileHandle() {
    if (IsOpen()) {
        ::close(Native);
    }
}

TFileHandle::TFileHandle(TFileHandle&& Other) noexcept : Native(std::exchange(Other.Native, -1)) {}

TFileHandle& TFileHandle::operator=(TFileHandle&& Other) noexcept {
    if (this != &Other) {
        if (IsOpen()) {
            ::close(Native);
        }
        Native = std::exchange(Other.Native, -1);
    }
    return *this;
}

bool TFileHandle::Close() {
    const int Result = ::close(std::exchange(Native, -1));
    return Result == 0;
}

std::size_t TFileHandle::WriteAll(std::string_view Data) {
    const std::size_t Size = Data.size();
    while (!Data.empty()) {
        const ssize_t Count = ::write(Native, Data.data(), Data.size());
        if (Count < 0 && errno == EINTR) {
            continue;
        }
        if (Count <= 0) {
            break;
        }
        Data.remove_prefix(static_cast<std::size_t>(Count));
    }
    return Size - Data.size();
}

void TFileHandle::StartWriteBack(std::uint64_t Offset, std::uint64_t Length) {
#ifdef __linux__
    ::sync_file_range(Native, static_cast<off_t>(Offset), static_cast<off_t>(Length),
                      SYNC_FILE_RANGE_WRITE);
#else
    (void)Offset;
    (void)Length;
#endif
}

// ---- TFileReader ----

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
    TFileHandle Opened(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!Opened.IsOpen()) {
        return errno == ENOENT || errno == ENOTDIR ? TOpenResult::Missing : TOpenResult::Refused;
    }
    struct stat Info {};
    if (::fstat(Opened.Get(), &Info) != 0 || !S_ISREG(Info.st_mode)) {
        return TOpenResult::Refused;
    }
    File = std::move(Opened);
    Buffer.assign(ChunkSize, '\0');
    return TOpenResult::Opened;
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
    struct stat Info {};
    if (!File.IsOpen() || ::fstat(File.Get(), &Info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(Info.st_size);
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
    for (;;) {
        const ssize_t Count = ::read(File.Get(), Buffer.data() + End, Buffer.size() - End);
        if (Count >= 0) {
            End += static_cast<std::size_t>(Count);
            AtEnd = Count == 0;
            return true;
        }
        if (errno != EINTR) {
            // The file stays open, so that the reader keeps saying it failed.
            ReadFailed = true;
            return false;
        }
    }
}

std::optional<std::string> ReadFileContent(const std::string& FileName) {
    TFileReader Reader;
    std::string Content;
    if (Reader.Open(FileName) != TOpenResult::Opened || !Reader.ReadAll(Content)) {
        return std::nullopt;
    }
    return Content;
}

// ---- ReplaceFileContent ----

namespace {

std::string FolderOf(const std::string& Path) {
    const auto Slash = Path.rfind('/');
    if (Slash == std::string::npos) {
        return ".";
    }
    return Slash == 0 ? "/" : Path.substr(0, Slash);
}

// The file that a replacement must replace: the target of a symbolic link rather than the link
// itself.
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
    if (Handle.IsOpen()) {
        ::fsync(Handle.Get());
    }
}

// A temporary file name removed when its owner goes out of scope, unless Keep said otherwise:
// a failed or interrupted replacement leaves no temporary file behind.
class TTemporaryName {
public:
    TTemporaryName() = default;
    ~TTemporaryName() {
        if (!Name.empty()) {
            ::unlink(Name.c_str());
        }
    }
    TTemporaryName(const TTemporaryName&) = delete;
    TTemporaryName& operator=(const TTemporaryName&) = delete;
    std::string Name;
    // The name now belongs to the file that replaced the target.
    void Keep() { Name.clear(); }
};

// Has Write write a named temporary file beside Target, flushes it to disk and renames it over
// Target. Used where the file system cannot make unnamed files; a process killed while writing
// leaves the temporary file behind.
bool ReplaceThroughNamedFile(const std::string& Folder, const std::string& Target,
                             mode_t Permissions, const TContentWriter& Write) {
    std::string Pattern = Folder + "/.velmora-save-XXXXXX";
    TFileHandle Temp(::mkstemp(Pattern.data()));
    if (!Temp.IsOpen()) {
        return false;
    }
    TTemporaryName TempName;
    TempName.Name = Pattern;
    if (::fchmod(Temp.Get(), Permissions) != 0 || !Write(Temp) || ::fsync(Temp.Get()) != 0 ||
        !Temp.Close() || ::rename(TempName.Name.c_str(), Target.c_str()) != 0) {
        return false;
    }
    TempName.Keep();
    return true;
}

enum class TReplaceResult { Done, Failed, Unsupported };

#ifdef O_TMPFILE
// Gives the open unnamed file Descriptor the name Name in the file system; false with errno set
// when it cannot. Through /proc first, which needs no privilege; AT_EMPTY_PATH where /proc is
// not mounted.
bool LinkUnnamedFile(int Descriptor, const std::string& Name) {
    const std::string Path = "/proc/self/fd/" + std::to_string(Descriptor);
    if (::linkat(AT_FDCWD, Path.c_str(), AT_FDCWD, Name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    return ::linkat(Descriptor, "", AT_FDCWD, Name.c_str(), AT_EMPTY_PATH) == 0;
}

// Gives the unnamed file Descriptor a temporary name in Folder that no other file has; false
// with errno set when it cannot.
bool LinkUnderFreshName(int Descriptor, const std::string& Folder, std::string& Name) {
    static std::atomic<unsigned> Counter{0};
    const std::string Prefix = Folder + "/.velmora-save-" + std::to_string(::getpid()) + "-";
    // A name left by an earlier process of the same number is skipped; the bound only keeps a
    // folder full of such names from looping for ever.
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        Name = Prefix + std::to_string(++Counter);
        if (LinkUnnamedFile(Descriptor, Name)) {
            return true;
        }
        if (errno != EEXIST) {
            Name.clear();
            return false;
        }
    }
    Name.clear();
    return false;
}
#endif

// Has Write write an unnamed file in Folder and flushes it to disk; only then is the file given
// a temporary name and at once renamed over Target. A process killed while writing leaves
// nothing behind: an unnamed file goes with its last descriptor. Unsupported, with nothing
// changed, when the file system cannot make unnamed files or give them a name.
TReplaceResult ReplaceThroughUnnamedFile(const std::string& Folder, const std::string& Target,
                                         mode_t Permissions, const TContentWriter& Write) {
#ifdef O_TMPFILE
    TFileHandle File(::open(Folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, Permissions));
    if (!File.IsOpen()) {
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL
                   ? TReplaceResult::Unsupported
                   : TReplaceResult::Failed;
    }
    // The open's permissions pass through the umask; those of the replaced file are set exactly.
    if (::fchmod(File.Get(), Permissions) != 0 || !Write(File) || ::fsync(File.Get()) != 0) {
        return TReplaceResult::Failed;
    }
    TTemporaryName TempName;
    if (!LinkUnderFreshName(File.Get(), Folder, TempName.Name)) {
        // ENOENT: neither /proc nor the privilege for AT_EMPTY_PATH is there to name the file.
        return errno == ENOENT ? TReplaceResult::Unsupported : TReplaceResult::Failed;
    }
    if (!File.Close() || ::rename(TempName.Name.c_str(), Target.c_str()) != 0) {
        return TReplaceResult::Failed;
    }
    TempName.Keep();
    return TReplaceResult::Done;
#else
    (void)Folder;
    (void)Target;
    (void)Permissions;
    (void)Write;
    return TReplaceResult::Unsupported;
#endif
}

} // namespace

// Where unnamed files cannot be made or named, the content is written through a named
// temporary file instead.
bool ReplaceFileContent(const std::string& FileName, const TContentWriter& Write) {
    const std::string Target = ResolveTarget(FileName);
    const std::string Folder = FolderOf(Target);
    const mode_t Permissions = PermissionsFor(Target);
    const TReplaceResult Result = ReplaceThroughUnnamedFile(Folder, Target, Permissions, Write);
    const bool Replaced = Result == TReplaceResult::Done ||
                          (Result == TReplaceResult::Unsupported &&
                           ReplaceThroughNamedFile(Folder, Target, Permissions, Write));
    if (!Replaced) {
        return false;
    }
    SyncFolder(Folder);
    return true;
}

bool AppendDurably(const std::string& FileName, std::string_view Text) {
    TFileHandle File(open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    return File.IsOpen() && File.WriteAll(Text) == Text.size() && fsync(File.Get()) == 0 &&
           File.Close();
}
