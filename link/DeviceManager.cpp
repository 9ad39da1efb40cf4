#include "link/DeviceManager.h"

#include "app/ResourseStrings.h"
#include "link/ConnectionManager.h"
#include "logging/LogManager.h"
#include "package/Package.h"
#include "package/PackageObjects.h"

EBurnerNotPlugged::EBurnerNotPlugged() : EDeviceManagerException(SBurnerNotPlugged) {}

TDeviceManager::TDeviceManager(const std::string& PortName)
    : PackageManager(std::make_unique<TPackageManager>()),
      ConnectionManager(std::make_unique<TConnectionManager>(PortName)) {}

TDeviceManager::~TDeviceManager() {
    // The link goes first: its threads stop before anything else is freed.
    ConnectionManager.reset();
    PackageManager.reset();
}

bool TDeviceManager::ExecuteCommand(std::uint8_t Command, std::uint16_t PageNumber,
                                    std::uint32_t TimeoutMs, IROMPackage& Reply,
                                    const TByteArray& Data) {
    TByteArray Request;
    PackageManager->MakePackage(Command, PageNumber, Data, Request);
    TByteArray Answer;
    if (!ConnectionManager->SendAndWait(Request, TimeoutMs, Answer)) {
        LogMessage(FormatText(SPackageWaitTimeOut, static_cast<int>(TimeoutMs)));
        throw EBurnerNotPlugged();
    }
    Reply.FromBytes(Answer);
    return true;
}

std::string TDeviceManager::GetPortName() const {
    return ConnectionManager->GetPortName();
}

bool TDeviceManager::SetPortName(const std::string& Name) {
    return ConnectionManager->SetPortName(Name);
}

bool TDeviceManager::IsPortOpen() const {
    return ConnectionManager->IsPortOpen();
}

TCommOpenError TDeviceManager::GetLastOpenError() const {
    return ConnectionManager->GetLastOpenError();
}

std::string TDeviceManager::GetLastOpenErrorText() const {
    return ConnectionManager->GetLastOpenErrorText();
}
