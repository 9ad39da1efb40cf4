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

class TDeviceManager {
public:
    // Opens PortName on the platform's serial port (or on Port, when given) and starts the
    // serial link.
    explicit TDeviceManager(const std::string& PortName = "COM1",
                            std::unique_ptr<ISerialPort> Port = nullptr);
    ~TDeviceManager();
    TDeviceManager(const TDeviceManager&) = delete;
    TDeviceManager& operator=(const TDeviceManager&) = delete;

    // Sends the next numbered package with Command, PageNumber and Data and loads the answer
    // into Reply. Raises EBurnerNotPlugged when no answer came within TimeoutMs (after logging
    // the time-out), EWrongLength for an answer shorter than a package, EDamagedReply (after
    // logging it) for one whose checksum or data length is wrong. The late answer to an
    // earlier request that timed out is recognised, logged and dropped. Returns true.
    bool ExecuteCommand(std::uint8_t Command, std::uint16_t PageNumber, std::uint32_t TimeoutMs,
                        IROMPackage& Reply, const TByteArray& Data = {});

    std::string GetPortName() const;
    // True when the port opened under Name; otherwise the port is left closed.
    bool SetPortName(const std::string& Name);
    bool IsPortOpen() const;
    // Why the port could not be opened the last time.
    TCommOpenError GetLastOpenError() const;
    std::string GetLastOpenErrorText() const;

    TConnectionManager& GetConnectionManager() { return *ConnectionManager; }

private:
    std::unique_ptr<TPackageManager> PackageManager;
    std::unique_ptr<TConnectionManager> ConnectionManager;
    std::unique_ptr<TReplyMatcher> ReplyMatcher;
};
