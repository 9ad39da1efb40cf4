#include "link/DeviceManager.h"

#include "common/ResourseStrings.h"
#include "link/ConnectionManager.h"
#include "link/ReplyMatcher.h"
#include "logging/LogManager.h"
#include "package/Package.h"
#include "package/PackageObjects.h"

#include <utility>

EBurnerNotPlugged::EBurnerNotPlugged() : EDeviceManagerException(SBurnerNotPlugged) {}
EDamagedReply::EDamagedReply() : EDeviceManagerException(SConnectionError) {}
EReplyWaitStopped::EReplyWaitStopped() : EDeviceManagerException(SReplyWaitStopped) {}

namespace {

TRequestIdentity IdentityOf(const TByteArray& Request) {
    return {Request[0], Request[1], static_cast<std::uint16_t>(Request[2] << 8 | Request[3])};
}

const char* IntegrityText(TPackageIntegrity Integrity) {
    return Integrity == TPackageIntegrity::WrongCheckSum ? SDamagedReplyCheckSum
                                                         : SDamagedReplyDataLength;
}

} // namespace

const TPortProblemTexts PanePortProblemTexts = {SPortNoSuchDevice, SPortPermissionDenied, SPortBusy,
                                                SPortNotASerialPort};

std::string PortProblemText(const TCommOpenResult& Problem, const TPortProblemTexts& Texts) {
    switch (Problem.Error) {
    case TCommOpenError::NoSuchDevice:
        return Texts.NoSuchDevice;
    case TCommOpenError::PermissionDenied:
        return Texts.PermissionDenied;
    case TCommOpenError::Busy:
        return Texts.Busy;
    case TCommOpenError::NotASerialPort:
        return Texts.NotASerialPort;
    default:
        return Problem.Text;
    }
}

TDeviceManager::TDeviceManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                               TLogManager& Log)
    : Log(Log), PackageManager(std::make_unique<TPackageManager>()),
      ConnectionManager(std::make_unique<TConnectionManager>(PortName, std::move(Port), Log)),
      ReplyMatcher(std::make_unique<TReplyMatcher>()) {}

TDeviceManager::~TDeviceManager() {
    // The link goes first: its threads stop before anything else is freed.
    ConnectionManager.reset();
    PackageManager.reset();
}

bool TDeviceManager::ExecuteCommand(std::uint8_t Command, std::uint16_t PageNumber,
                                    std::uint32_t TimeoutMs, IROMPackage& Reply,
                                    const TByteArray& Data) {
    if (ConnectionManager->IsStopAsked()) {
        throw EReplyWaitStopped();
    }
    TByteArray Request;
    PackageManager->MakePackage(Command, PageNumber, Data, Request);
    const TRequestIdentity Identity = IdentityOf(Request);
    using TVerdict = TConnectionManager::TVerdict;
    const auto Judge = [&](const TByteArray& Package) {
        const TPackageIntegrity Integrity = CheckPackageIntegrity(Package);
        if (Integrity != TPackageIntegrity::Sound) {
            return TVerdict::Damaged;
        }
        std::string Reason;
        if (ReplyMatcher->Accepts(Identity, Package.data(), Package.size(), Reason)) {
            return TVerdict::Answer;
        }
        Log.WriteMessage(FormatText(SLateReplyDropped, Reason.c_str()));
        return TVerdict::NoAnswer;
    };
    TByteArray Answer;
    switch (ConnectionManager->SendAndWait(Request, TimeoutMs, Answer, Judge)) {
    case TConnectionManager::TWaitEnd::Replied:
        break;
    case TConnectionManager::TWaitEnd::Stopped:
        ReplyMatcher->Abandoned(Identity);
        Log.WriteMessage(SReplyWaitStopped);
        throw EReplyWaitStopped();
    case TConnectionManager::TWaitEnd::TimedOut:
        ReplyMatcher->Abandoned(Identity);
        Log.WriteMessage(FormatText(SPackageWaitTimeOut, static_cast<int>(TimeoutMs)));
        RaiseNotPlugged();
    }
    const TPackageIntegrity Integrity = CheckPackageIntegrity(Answer);
    if (Integrity != TPackageIntegrity::Sound && Integrity != TPackageIntegrity::TooShort) {
        Log.WriteMessage(IntegrityText(Integrity));
        Log.WriteBytes(Answer, "");
        EDamagedReply Damaged;
        Damaged.Because(IntegrityText(Integrity));
        throw Damaged;
    }
    // Too short a reply raises EWrongLength here.
    try {
        Reply.FromBytes(Answer);
    } catch (const EWrongLength&) {
        Log.WriteMessage(FormatText(SWrongLengthReport, static_cast<int>(Answer.size())));
        Log.WriteBytes(Answer, "");
        throw;
    }
    ReplyMatcher->Answered(Identity, Reply.GetNumber(), Reply.GetCommand());
    return true;
}

void TDeviceManager::RaiseNotPlugged() const {
    EBurnerNotPlugged NotPlugged;
    // No answer can come on a port that did not open: why it did not is what the user needs.
    const TCommOpenResult& LastOpen = GetLastOpenResult();
    if (!IsPortOpen() && !LastOpen.Opened()) {
        NotPlugged.OfPort(GetPortName(), PortProblemText(LastOpen));
    }
    throw NotPlugged;
}

std::string TDeviceManager::GetPortName() const {
    return ConnectionManager->GetPortName();
}

TCommOpenResult TDeviceManager::SetPortName(const std::string& Name) {
    // Another port may lead to another board, whose answers are learnt anew.
    *ReplyMatcher = TReplyMatcher();
    return ConnectionManager->SetPortName(Name);
}

bool TDeviceManager::IsPortOpen() const {
    return ConnectionManager->IsPortOpen();
}

const TCommOpenResult& TDeviceManager::GetLastOpenResult() const {
    return ConnectionManager->GetLastOpenResult();
}
