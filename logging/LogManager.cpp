#include "logging/LogManager.h"

#include "app/Exception.h"
#include "app/ResourseStrings.h"
#include "platform/AppDataFolder.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TLogManager* GLogManager = nullptr;

namespace {

std::string FolderOf(const std::string& FileName) {
    const std::string::size_type Slash = FileName.rfind('/');
    return Slash == std::string::npos || Slash == 0 ? std::string() : FileName.substr(0, Slash);
}

// Writes all of Text, continuing after partial writes and interruptions.
bool WriteAll(int Handle, const std::string& Text) {
    const char* Data = Text.data();
    std::size_t Left = Text.size();
    while (Left > 0) {
        const ssize_t Written = write(Handle, Data, Left);
        if (Written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (Written == 0) {
            return false;
        }
        Data += Written;
        Left -= static_cast<std::size_t>(Written);
    }
    return true;
}

std::string HexByte(std::uint8_t Value) {
    static const char Digits[] = "0123456789ABCDEF";
    return {Digits[Value >> 4], Digits[Value & 0x0F]};
}

} // namespace

TLogManager::TLogManager(const std::string& FileName) {
    // The folder is created here, so that the very first run of the program has a log too.
    const std::string Folder = FolderOf(FileName);
    if (!Folder.empty()) {
        EnsureFolderExists(Folder);
    }
    const int Opened = open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (Opened < 0) {
        return;
    }
    // Another running instance holds the lock: leave its log alone and log nothing.
    if (flock(Opened, LOCK_EX | LOCK_NB) != 0 || ftruncate(Opened, 0) != 0) {
        close(Opened);
        return;
    }
    Handle = Opened;
    this->FileName = FileName;
    Enabled = true;
}

TLogManager::~TLogManager() {
    if (Handle >= 0) {
        close(Handle);
    }
}

bool TLogManager::CanWrite() const {
    return Enabled && !FileName.empty();
}

bool TLogManager::WriteMessage(const std::string& Text) {
    bool Written = false;
    {
        std::lock_guard<std::mutex> Guard(Lock);
        if (!CanWrite()) {
            return false;
        }
        Written = WriteAll(Handle, FormatRecord(Text));
    }
    // Raised after the lock is released; the record number stays advanced.
    if (!Written) {
        throw Exception(FormatText(SLogWriteError, FileName.c_str()));
    }
    return true;
}

bool TLogManager::WriteBytes(const TByteArray& Bytes, const std::string& Caption) {
    const bool Hex = HexMode;
    std::string Body;
    Body.reserve(Bytes.size() * 3 + Bytes.size() / 20 + 16);
    for (std::size_t Index = 0; Index < Bytes.size(); ++Index) {
        Body += Hex ? HexByte(Bytes[Index]) : std::to_string(Bytes[Index]);
        Body += ' ';
        if (Index != 0 && Index % 40 == 0) {
            Body += "\r\n";
        }
    }
    if (Hex) {
        Body.insert(0, "(Hex mode) ");
    }
    return WriteMessage(Caption + ": [ " + Body + " ]");
}

std::string TLogManager::DefaultFileName() {
    return GetProgramDataFolder() + "/Velmora.log";
}

std::string TLogManager::FormatRecord(const std::string& Text) {
    std::string Record = std::to_string(RecordNumber) + '\t' + TimeStamp() + '\t' + Text + "\r\n";
    ++RecordNumber;
    return Record;
}

// Local time as hours:minutes:seconds (24-hour clock), then ":" and the milliseconds of the
// same instant without leading zeros.
std::string TLogManager::TimeStamp() {
    const auto Now = std::chrono::system_clock::now();
    const std::time_t Seconds = std::chrono::system_clock::to_time_t(Now);
    const auto Milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(Now.time_since_epoch()).count() %
        1000;
    std::tm Local{};
    localtime_r(&Seconds, &Local);
    char Buffer[32];
    const std::size_t Length = std::strftime(Buffer, sizeof Buffer, "%H:%M:%S", &Local);
    return std::string(Buffer, Length) + ':' + std::to_string(Milliseconds);
}
