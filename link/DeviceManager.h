// The programmer as one call: a command with its page number and data goes out as a package,
// and the answer is loaded into the caller's reply package. A missing answer is an exception.
#pragma once

#include "common/ArrayTypes.h"
#include "common/Exception.h"
#include "serial/SerialPort.h"

#include <cstdint>
#include <memory>
#include <string>

class IROMPackage;
class TPackageManager;
class TConnectionManager;
class TLogManager;
class TReplyMatcher;

class EDeviceManagerException : public Exception {
public:
    using Exception::Exception;
};
class EBurnerNotPlugged : public EDeviceManagerException {
public:
    EBurnerNotPlugged();
};
// A reply came but was damaged on the way: its checksum or its data length field disagrees
// with the bytes that arrived. Its contents are never used.
class EDamagedReply : public EDeviceManagerException {
public:
    EDamagedReply();
};

// The operation was asked to stop while the programmer's answer was awaited (or before the
// request went out): the wait ended at once. The request's answer, should it still come, is
// dropped as a late one.
class EReplyWaitStopped : public EDeviceManagerException {
public:
    EReplyWaitStopped();
};

// The words a front end uses for the reasons a port does not open.
struct TPortProblemTexts {
    const char* NoSuchDevice;
    const char* PermissionDenied;
    const char* Busy;
    const char* NotASerialPort;
};
// The information pane's words.
extern const TPortProblemTexts PanePortProblemTexts;

// Why a port could not be opened, in Texts' words; any other reason as the port gave it.
std::string PortProblemText(const TCommOpenResult& Problem,
                            const TPortProblemTexts& Texts = PanePortProblemTexts);

class TDeviceManager {
public:
    // Opens PortName on the platform's serial port (or on Port, when given) and starts the
    // serial link, which records into Log.
    TDeviceManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                   TLogManager& Log);
    ~TDeviceManager();
    TDeviceManager(const TDeviceManager&) = delete;
    TDeviceManager& operator=(const TDeviceManager&) = delete;

    // Sends the next numbered package with Command, PageNumber and Data and loads the answer
    // into Reply. Raises EBurnerNotPlugged when no answer came within TimeoutMs (after logging
    // the time-out; on a port that is not open, saying why it did not open), EWrongLength for an
    // answer shorter than a package, EDamagedReply (after logging it, and saying what is wrong)
    // for one whose checksum or data length is wrong (when no sound answer follows it soon),
    // EReplyWaitStopped when the link's stop check asked to stop before the answer came. The
    // late answer to an earlier request that timed out or was stopped is recognised, logged
    // and dropped. Returns true.
    bool ExecuteCommand(std::uint8_t Command, std::uint16_t PageNumber, std::uint32_t TimeoutMs,
                        IROMPackage& Reply, const TByteArray& Data = {});

    std::string GetPortName() const;
    // Opens the port under Name; when it does not open, the port is left closed and the
    // result says why.
    TCommOpenResult SetPortName(const std::string& Name);
    bool IsPortOpen() const;
    // What the last attempt to open the port gave, as the link kept it.
    const TCommOpenResult& GetLastOpenResult() const;

    TConnectionManager& GetConnectionManager() { return *ConnectionManager; }

private:
    // Raises EBurnerNotPlugged, with the reason the port did not open when it is not open.
    [[noreturn]] void RaiseNotPlugged() const;

    TLogManager& Log;
    std::unique_ptr<TPackageManager> PackageManager;
    std::unique_ptr<TConnectionManager> ConnectionManager;
    std::unique_ptr<TReplyMatcher> ReplyMatcher;
};
