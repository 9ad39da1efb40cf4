// The Windows side of the safe file module. Files are opened with CreateFileW (UTF-16 names)
// and read and written with ReadFile and WriteFile, so no text-mode translation ever touches
// their bytes; a TFileHandle holds a C runtime descriptor of the Windows handle. A replacement
// goes through a temporary file flushed with FlushFileBuffers and moved over the target with
// MoveFileExW, since rename() does not replace an existing file here.
#include "platform/SafeFile.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <atomic>
#include <io.h>
#include <utility>
#include <windows.h>

namespace {

HANDLE WindowsHandle(int Descriptor) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(Descriptor));
}

// Takes over Handle as the descriptor of a TFileHandle; not open for INVALID_HANDLE_VALUE.
TFileHandle Adopt(HANDLE Handle) {
    if (Handle == INVALID_HANDLE_VALUE) {
        return TFileHandle();
    }
    const int Descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(Handle), 0);
    if (Descriptor < 0) {
        CloseHandle(Handle);
    }
    return TFileHandle(Descriptor);
}

// Other processes may read, write, rename and remove the file while it is open, as on Linux.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

TFileHandle OpenFile(const std::string& FileName, DWORD Access, DWORD Share, DWORD Disposition) {
    return Adopt(CreateFileW(WidenUtf8(FileName).c_str(), Access, Share, nullptr, Disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool MoveReplacing(const std::string& From, const std::string& To) {
    return MoveFileExW(WidenUtf8(From).c_str(), WidenUtf8(To).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Flush(const TFileHandle& File) {
    return FlushFileBuffers(WindowsHandle(File.Get())) != 0;
}

} // namespace

// ---- TFileHandle ----

TFileHandle::~TFileHandle() {
    if (IsOpen()) {
        _close(Native);
    }
}

TFileHandle::TFileHandle(TFileHandle&& Other) noexcept : Native(std::exchange(Other.Native, -1)) {}

TFileHandle& TFileHandle::operator=(TFileHandle&& Other) noexcept {
    if (this != &Other) {
        if (IsOpen()) {
            _close(Native);
        }
        Native = std::exchange(Other.Native, -1);
    }
    return *this;
}

bool TFileHandle::Close() {
    return _close(std::exchange(Native, -1)) == 0;
}

std::size_t TFileHandle::WriteAll(std::string_view Data) {
    const std::size_t Size = Data.size();
    const HANDLE File = WindowsHandle(Native);
    while (!Data.empty()) {
        const DWORD Piece = static_cast<DWORD>(std::min<std::size_t>(Data.size(), 1u << 30));
        DWORD Written = 0;
        if (WriteFile(File, Data.data(), Piece, &Written, nullptr) == 0 || Written == 0) {
            break;
        }
        Data.remove_prefix(Written);
    }
    return Size - Data.size();
}

// Windows has no counterpart that starts writing without waiting; the flush does it all.
void TFileHandle::StartWriteBack(std::uint64_t, std::uint64_t) {}

long long TFileHandle::Read(char* Buffer, std::size_t Size) {
    const DWORD Piece = static_cast<DWORD>(std::min<std::size_t>(Size, 1u << 30));
    DWORD Count = 0;
    if (ReadFile(WindowsHandle(Native), Buffer, Piece, &Count, nullptr) == 0) {
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return Count;
}

std::optional<std::uint64_t> TFileHandle::FileSize() const {
    LARGE_INTEGER Size{};
    if (GetFileSizeEx(WindowsHandle(Native), &Size) == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(Size.QuadPart);
}

bool TFileHandle::Truncate() {
    const HANDLE File = WindowsHandle(Native);
    return SetFilePointerEx(File, LARGE_INTEGER{}, nullptr, FILE_BEGIN) != 0 &&
           SetEndOfFile(File) != 0;
}

bool TFileHandle::SeekToEnd() {
    return SetFilePointerEx(WindowsHandle(Native), LARGE_INTEGER{}, nullptr, FILE_END) != 0;
}

namespace {

// The OVERLAPPED structure that places one ReadFile or WriteFile at Offset of a file opened
// for ordinary (not overlapped) input and output.
OVERLAPPED At(std::uint64_t Offset) {
    OVERLAPPED Place{};
    Place.Offset = static_cast<DWORD>(Offset);
    Place.OffsetHigh = static_cast<DWORD>(Offset >> 32);
    return Place;
}

// Moves Size bytes between Bytes and File at Offset by ReadFile or WriteFile (Transfer), piece
// by piece, and puts the file position back where it was: a positioned transfer moves it here.
template <typename TBytes, typename TTransfer>
bool TransferAt(HANDLE File, std::uint64_t Offset, TBytes* Bytes, std::size_t Size,
                TTransfer Transfer) {
    LARGE_INTEGER Position{};
    if (SetFilePointerEx(File, LARGE_INTEGER{}, &Position, FILE_CURRENT) == 0) {
        return false;
    }
    bool Complete = true;
    while (Size > 0 && Complete) {
        const DWORD Piece = static_cast<DWORD>(std::min<std::size_t>(Size, 1u << 30));
        OVERLAPPED Place = At(Offset);
        DWORD Count = 0;
        Complete = Transfer(File, Bytes, Piece, &Count, &Place) != 0 && Count > 0;
        Bytes += Count;
        Size -= Count;
        Offset += Count;
    }
    return SetFilePointerEx(File, Position, nullptr, FILE_BEGIN) != 0 && Complete;
}

} // namespace

bool TFileHandle::WriteAt(std::uint64_t Offset, const void* Data, std::size_t Size) {
    return TransferAt(WindowsHandle(Native), Offset, static_cast<const char*>(Data), Size,
                      WriteFile);
}

bool TFileHandle::ReadAt(std::uint64_t Offset, void* Data, std::size_t Size) {
    return TransferAt(WindowsHandle(Native), Offset, static_cast<char*>(Data), Size, ReadFile);
}

bool TFileHandle::Sync() {
    return FlushFileBuffers(WindowsHandle(Native)) != 0;
}

// ---- Opening, renaming and removing ----

// A folder cannot be opened this way (access denied), a device such as NUL is no disk file:
// both are refused.
TOpenResult OpenRegularFile(const std::string& FileName, TFileHandle& File) {
    TFileHandle Opened = OpenFile(FileName, GENERIC_READ, ShareAll, OPEN_EXISTING);
    if (!Opened.IsOpen()) {
        const DWORD Error = GetLastError();
        return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND
                   ? TOpenResult::Missing
                   : TOpenResult::Refused;
    }
    if (GetFileType(WindowsHandle(Opened.Get())) != FILE_TYPE_DISK) {
        return TOpenResult::Refused;
    }
    File = std::move(Opened);
    return TOpenResult::Opened;
}

// The lock is the sharing mode: while the file is open here, nobody else may open it for
// writing. Readers, renaming and removing stay allowed.
TFileHandle OpenLockedFile(const std::string& FileName) {
    return OpenFile(FileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                    OPEN_ALWAYS);
}

TFileHandle OpenForUpdate(const std::string& FileName) {
    return OpenFile(FileName, GENERIC_READ | GENERIC_WRITE, ShareAll, OPEN_ALWAYS);
}

bool RenameReplacing(const std::string& From, const std::string& To) {
    return MoveReplacing(From, To);
}

bool IsProcessRunning(unsigned long ProcessId) {
    const HANDLE Process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(ProcessId));
    if (Process == nullptr) {
        // No such process; any other refusal (access) means one runs.
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    DWORD ExitCode = 0;
    const bool Running = !GetExitCodeProcess(Process, &ExitCode) || ExitCode == STILL_ACTIVE;
    CloseHandle(Process);
    return Running;
}

const char* NewTextFileStart() {
    return "\xEF\xBB\xBF";
}

bool IsReadOnlyFile(const std::string& FileName) {
    const DWORD Attributes = GetFileAttributesW(WidenUtf8(FileName).c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RemoveFile(const std::string& FileName) {
    return DeleteFileW(WidenUtf8(FileName).c_str()) != 0;
}

// ---- ReplaceFileContent ----

namespace {

// The folder part of Path with its separator, to put a name after; empty for a bare name (the
// current folder).
std::string FolderOf(const std::string& Path) {
    const auto Separator = Path.find_last_of("/\\");
    return Separator == std::string::npos ? std::string() : Path.substr(0, Separator + 1);
}

// A temporary file beside the target, removed when its owner goes out of scope unless Keep
// said otherwise: a failed replacement leaves no temporary file behind. It is open for
// removal, so that the removal goes through even while the file is still open.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& Folder) {
        static std::atomic<unsigned> Counter{0};
        const std::string Prefix =
            Folder + ".velmora-save-" + std::to_string(GetCurrentProcessId()) + "-";
        // A name left by an earlier process of the same number is skipped; the bound only keeps
        // a folder full of such names from looping for ever.
        for (int Attempt = 0; Attempt < 100 && !File.IsOpen(); ++Attempt) {
            Name = Prefix + std::to_string(++Counter);
            File = OpenFile(Name, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW);
            if (!File.IsOpen() && GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
        if (!File.IsOpen()) {
            Name.clear();
        }
    }
    ~TTemporaryFile() {
        if (!Name.empty()) {
            RemoveFile(Name);
        }
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    // The name now belongs to the file that replaced the target.
    void Keep() { Name.clear(); }

    TFileHandle File;
    std::string Name;
};

} // namespace

bool ReplaceFileContent(const std::string& Target, const TContentWriter& Write) {
    // MoveFileExW would replace a read-only file; the user marked it so to keep it.
    if (IsReadOnlyFile(Target)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    RemoveAbandonedTemporaries(FolderOf(Target));
    TTemporaryFile Temp(FolderOf(Target));
    if (!Temp.File.IsOpen() || !Write(Temp.File) || !Flush(Temp.File) || !Temp.File.Close() ||
        !MoveReplacing(Temp.Name, Target)) {
        return false;
    }
    Temp.Keep();
    return true;
}

bool AppendDurably(const std::string& FileName, std::string_view Text) {
    TFileHandle File = OpenFile(FileName, FILE_APPEND_DATA, ShareAll, OPEN_ALWAYS);
    return File.IsOpen() && File.WriteAll(Text) == Text.size() && Flush(File) && File.Close();
}
