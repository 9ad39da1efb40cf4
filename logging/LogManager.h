// The traffic log: one file per run in which the serial link, the package layer and the
// programmer commands record what they send, receive and conclude. Any thread may write.
#pragma once

#include "image/ArrayTypes.h"

#include <mutex>
#include <string>

class TLogManager {
public:
    // Creates or truncates FileName and holds it open, exclusively, for the whole run. Never
    // throws because of the file: when it cannot be created (or another running instance holds
    // it) logging is off for the run.
    explicit TLogManager(const std::string& FileName);
    ~TLogManager();
    TLogManager(const TLogManager&) = delete;
    TLogManager& operator=(const TLogManager&) = delete;

    // Appends one record. False when logging is off.
    bool WriteMessage(const std::string& Text);
    // Appends Caption and the bytes as one record (hexadecimal when HexMode is set).
    bool WriteBytes(const TByteArray& Bytes, const std::string& Caption);
    bool CanWrite() const;

    const std::string& GetFileName() const { return FileName; }

    // Written directly by the start-up code (true) right after construction.
    bool HexMode = false;

    // The log path of this user: <program data folder>/Velmora.log.
    static std::string DefaultFileName();

private:
    std::string FormatRecord(const std::string& Text);
    static std::string TimeStamp();

    std::string FileName;
    int Handle = -1;
    bool Enabled = false;
    int RecordNumber = 1;
    std::mutex Lock;
};

// The process-wide log; null while no log manager exists (then nothing is logged).
extern TLogManager* GLogManager;

// Null-safe shorthands used by the layers that log.
inline void LogMessage(const std::string& Text) {
    if (GLogManager != nullptr) {
        GLogManager->WriteMessage(Text);
    }
}
inline void LogBytes(const TByteArray& Bytes, const std::string& Caption) {
    if (GLogManager != nullptr) {
        GLogManager->WriteBytes(Bytes, Caption);
    }
}
