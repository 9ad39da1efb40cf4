// The POSIX side of the safe file module: file descriptors, flock() and rename().
#include "platform/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
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

long long TFileHandle::Read(char* Buffer, std::size_t Size) {
    for (;;) {
        const ssize_t Count = ::read(Native, Buffer, Size);
        if (Count >= 0 || errno != EINTR) {
            return Count;
        }
    }
}

std::optional<std::uint64_t> TFileHandle::FileSize() const {
    struct stat Info {};
    if (::fstat(Native, &Info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(Info.st_size);
}

bool TFileHandle::Truncate() {
    return ::ftruncate(Native, 0) == 0;
}

bool TFileHandle::SeekToEnd() {
    return ::lseek(Native, 0, SEEK_END) >= 0;
}

namespace {

// Moves Size bytes at Offset with Transfer (pread or pwrite), going on after partial transfers
// and interruptions; false when the file gives or takes no more.
template <typename TBytes, typename TTransfer>
bool TransferAt(int Native, std::uint64_t Offset, TBytes* Bytes, std::size_t Size,
                TTransfer Transfer) {
    while (Size > 0) {
        const ssize_t Count = Transfer(Native, Bytes, Size, static_cast<off_t>(Offset));
        if (Count < 0 && errno == EINTR) {
            continue;
        }
        if (Count <= 0) {
            return false;
        }
        Bytes += Count;
        Size -= static_cast<std::size_t>(Count);
        Offset += static_cast<std::uint64_t>(Count);
    }
    return true;
}

} // namespace

bool TFileHandle::WriteAt(std::uint64_t Offset, const void* Data, std::size_t Size) {
    return TransferAt(Native, Offset, static_cast<const char*>(Data), Size, ::pwrite);
}

bool TFileHandle::ReadAt(std::uint64_t Offset, void* Data, std::size_t Size) {
    return TransferAt(Native, Offset, static_cast<char*>(Data), Size, ::pread);
}

bool TFileHandle::Sync() {
    return ::fsync(Native) == 0;
}

// ---- Opening, renaming and removing ----

TOpenResult OpenRegularFile(const std::string& FileName, TFileHandle& File) {
    TFileHandle Opened(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!Opened.IsOpen()) {
        return errno == ENOENT || errno == ENOTDIR ? TOpenResult::Missing : TOpenResult::Refused;
    }
    struct stat Info {};
    if (::fstat(Opened.Get(), &Info) != 0 || !S_ISREG(Info.st_mode)) {
        return TOpenResult::Refused;
    }
    File = std::move(Opened);
    return TOpenResult::Opened;
}

// The lock is an flock() lock, which goes with the last descriptor of the open file.
TFileHandle OpenLockedFile(const std::string& FileName) {
    TFileHandle Opened(::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!Opened.IsOpen() || ::flock(Opened.Get(), LOCK_EX | LOCK_NB) != 0) {
        return TFileHandle();
    }
    return Opened;
}

TFileHandle OpenForUpdate(const std::string& FileName) {
    return TFileHandle(::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
}

bool RenameReplacing(const std::string& From, const std::string& To) {
    return std::rename(From.c_str(), To.c_str()) == 0;
}

bool IsProcessRunning(unsigned long ProcessId) {
    return ::kill(static_cast<pid_t>(ProcessId), 0) == 0 || errno != ESRCH;
}

const char* NewTextFileStart() {
    return "";
}

bool IsReadOnlyFile(const std::string& FileName) {
    return ::access(FileName.c_str(), F_OK) == 0 && ::access(FileName.c_str(), W_OK) != 0 &&
           (errno == EACCES || errno == EROFS);
}

bool RemoveFile(const std::string& FileName) {
    return std::remove(FileName.c_str()) == 0;
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
    std::string Pattern = Folder + "/.velmora-save-" + std::to_string(::getpid()) + "-XXXXXX";
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
    if (IsReadOnlyFile(Target)) {
        return false;
    }
    const std::string Folder = FolderOf(Target);
    RemoveAbandonedTemporaries(Folder);
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
