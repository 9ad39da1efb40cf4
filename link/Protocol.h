// The programmer's command set: each operation issues one command through the device manager,
// judges the reply, logs what it does, and returns or raises one of the EDeviceException family.
#pragma once

#include "common/Exception.h"

#include "serial/SerialPort.h"

#include <memory>
#include <string>

class IMemoryPage;
class TMemoryPage;
class TDeviceManager;
class TLogManager;

class EDeviceException : public Exception {
public:
    using Exception::Exception;
};
class EConnectionError : public EDeviceException {
public:
    EConnectionError();
};
class ECompareError : public EDeviceException {
public:
    ECompareError();
};
class EInitializeError : public EDeviceException {
public:
    EInitializeError();
};
class EMicroControllerOperationError : public EDeviceException {
public:
    EMicroControllerOperationError();
};
class EUnknuwnPageNumber : public EDeviceException {
public:
    EUnknuwnPageNumber();
};
// A reply code the command set does not know.
class EUnknownDeviceError : public EDeviceException {
public:
    EUnknownDeviceError();
};

class TProtocolManager {
public:
    // Builds the device manager and with it the whole serial link on PortName (on Port, when
    // given, else on the platform's serial port); every layer records into Log.
    TProtocolManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                     TLogManager& Log);
    ~TProtocolManager();
    TProtocolManager(const TProtocolManager&) = delete;
    TProtocolManager& operator=(const TProtocolManager&) = delete;

    // Answer receives the controller's identification text (bytes taken as they come).
    void Initialize(std::string& Answer);
    bool TransferPage(int PageNumber, const TMemoryPage& Page);
    bool WritePage(int PageNumber);
    bool ReadPage(int PageNumber);
    // Page becomes a new page holding what the programmer's buffer holds.
    void RequestPage(std::shared_ptr<IMemoryPage>& Page);
    // False when the programmer reports a difference.
    bool ComparePage(int PageNumber);
    bool DeletePage(int PageNumber);

    TDeviceManager& GetDeviceManager() { return *DeviceManager; }

private:
    TLogManager& Log;
    std::unique_ptr<TDeviceManager> DeviceManager;
};
