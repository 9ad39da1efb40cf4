// Files read and written safely: a file handle closed by its owner, a reader that takes only
// regular files and hands out their lines or their whole content, and the replacement of a
// file's content that leaves either the old or the whole new content on disk, whenever the
// process or the machine stops. The image files, the settings file and the traffic log share
// it. The interface names no type of the system's file calls. File names are UTF-8 on every
// system. PosixSafeFile.cpp and WindowsSafeFile.cpp hold the system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// An open file, closed when its owner goes out of scope.
class TFileHandle {
public:
    // The system's own handle of an open file: a file descriptor (of the C runtime on Windows,
    // through which the file's Windows handle is reached).
    using TNative = int;

    TFileHandle() = default;
    // Takes over Native, which may be the value of a failed open: the handle is then not open.
    explicit TFileHandle(TNative Native) : Native(Native) {}
    ~TFileHandle();
    TFileHandle(TFileHandle&& Other) noexcept;
    TFileHandle& operator=(TFileHandle&& Other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;

    bool IsOpen() const { return Native >= 0; }
    TNative Get() const { return Native; }
    // Closes now and tells whether the close succeeded (a delayed write error shows here).
    bool Close();

    // Writes Data, going on after partial writes and interruptions; returns how many of its
    // bytes reached the file, all of them unless the file refused the rest.
    std::size_t WriteAll(std::string_view Data);
    // Starts writing Length bytes of the file from Offset to the disk without waiting, so that
    // the flush ending a replacement finds most of the file written already.
    void StartWriteBack(std::uint64_t Offset, std::uint64_t Length);
    // Reads at most Size bytes from the file's position, going on after interruptions; the count
    // read, 0 at the end of the file, -1 when reading fails.
    long long Read(char* Buffer, std::size_t Size);
    // The file's size in bytes; nothing when it cannot be found out.
    std::optional<std::uint64_t> FileSize() const;
    // Empties the file; false when it cannot.
    bool Truncate();
    // Moves the file's position to its end, where the next write goes; false when it cannot.
    bool SeekToEnd();
    // Writes Size bytes of Data at Offset, leaving the file's position alone; false unless all
    // of them reached the file.
    bool WriteAt(std::uint64_t Offset, const void* Data, std::size_t Size);
    // Reads Size bytes at Offset into Data, leaving the file's position alone; false unless all
    // of them were read.
    bool ReadAt(std::uint64_t Offset, void* Data, std::size_t Size);
    // Waits until everything written is on the disk; false when it cannot.
    bool Sync();

private:
    TNative Native = -1;
};

// What TFileReader::Open found.
enum class TOpenResult {
    Opened,
    Missing, // no file of that name, or a folder of the path is no folder
    Refused, // the file exists but cannot be read, or is not a regular file
};

// Reads a regular file from its start, line by line or whole. Only regular files: a device
// such as /dev/zero would feed the reader without end. Lines are read in pieces, so memory
// stays at one piece plus the longest line.
class TFileReader {
public:
    TOpenResult Open(const std::string& FileName);

    // The next line without its end (CR LF, LF or CR; a last line without an end counts), as a
    // view valid until the next call. False after the last line and when reading fails, which
    // Failed then tells.
    bool NextLine(std::string_view& Line);
    // Appends what is left of the file to Content; false when reading fails.
    bool ReadAll(std::string& Content);
    // The size of the open file in bytes, so that a caller can refuse a file too large before
    // reading it; nothing when no file is open or its size cannot be found out.
    std::optional<std::uint64_t> Size() const;
    bool Failed() const { return ReadFailed; }

private:
    // Reads the next piece after the bytes still held, making room for it; false when reading
    // fails.
    bool ReadMore();

    TFileHandle File;
    std::string Buffer;
    std::size_t Start = 0;   // first byte of the current line
    std::size_t End = 0;     // end of the bytes read so far
    std::size_t Scanned = 0; // bytes after Start known to hold no line end
    bool AtEnd = false;
    bool ReadFailed = false;
    bool SkipLineFeed = false; // the last line ended with CR; an LF right after belongs to it
};

// Opens FileName for reading into File when it is a regular file.
TOpenResult OpenRegularFile(const std::string& FileName, TFileHandle& File);

// Opens FileName for reading and writing at its start, creating it when missing, and locks it
// against every other process that opens it this way; not open when it cannot be opened or
// another process holds it. The file keeps its content.
TFileHandle OpenLockedFile(const std::string& FileName);

// Opens FileName for reading and writing at its start, creating it when missing (with the
// permissions of any new file); not open when it cannot. The file keeps its content.
TFileHandle OpenForUpdate(const std::string& FileName);

// Renames the file From to To, replacing a file To. The file may be open, through a handle of
// this module.
bool RenameReplacing(const std::string& From, const std::string& To);

// Removes the file FileName; false when it cannot, or there is none.
bool RemoveFile(const std::string& FileName);

// The whole content of the regular file FileName; nothing when it is missing, cannot be read or
// is not a regular file.
std::optional<std::string> ReadFileContent(const std::string& FileName);

// Writes the new content of a file through File; false when a write fails.
using TContentWriter = std::function<bool(TFileHandle& File)>;

// Replaces the file Target with the content Write writes, so that Target holds either its old
// or its whole new content, also after a crash: the new content reaches the disk before it
// takes Target's name, and the folder is flushed after the rename. A symbolic link's target is
// replaced, not the link; the new file gets the permissions of the file it replaces, or those
// of any new file. False, with Target as it was and no other file left behind, when anything
// fails; an exception from Write leaves the same and goes on to the caller.
// A file marked read-only (without write permission for this user, or with the read-only
// attribute) is refused as well: the user protected it.
bool ReplaceFileContent(const std::string& Target, const TContentWriter& Write);

// Removes the temporary files that saves of processes no longer running left in Folder
// (".velmora-save-PID-..."): a process killed between writing its temporary file and renaming
// it leaves it behind. Every replacement does this before its own. A folder that cannot be
// listed is left alone.
void RemoveAbandonedTemporaries(const std::string& Folder);
// True when a process with this number runs (or may: when the system will not say).
bool IsProcessRunning(unsigned long ProcessId);

// What a new text file for other programs begins with: on Windows the UTF-8 byte order mark,
// without which spreadsheet programs read the file in the system's code page and garble its
// Cyrillic; nothing elsewhere.
const char* NewTextFileStart();

// True when FileName exists and is marked read-only for this user.
bool IsReadOnlyFile(const std::string& FileName);

// Appends Text to the end of FileName (created when missing) and waits until it is on the disk,
// so that a record written before a crash or a power cut is kept. False when anything fails.
bool AppendDurably(const std::string& FileName, std::string_view Text);
