#include "link/Protocol.h"

#include "common/ProgrammerConstants.h"
#include "common/ResourseStrings.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "logging/LogManager.h"
#include "package/Package.h"

#include <cstdint>
#include <optional>
#include <utility>

EConnectionError::EConnectionError() : EDeviceException(SConnectionError) {}
ECompareError::ECompareError() : EDeviceException(SCompareError) {}
EInitializeError::EInitializeError() : EDeviceException(SInitializeError) {}
EMicroControllerOperationError::EMicroControllerOperationError()
    : EDeviceException(SMicroControllerOperationError) {}
EUnknuwnPageNumber::EUnknuwnPageNumber() : EDeviceException(SUnknuwnPageNumber) {}
EUnknownDeviceError::EUnknownDeviceError() : EDeviceException(SUnknownDeviceError) {}

namespace {

// Command codes sent to the programmer.
constexpr std::uint8_t TransferPageCommand = 0x10;
constexpr std::uint8_t WritePageCommand = 0x20;
constexpr std::uint8_t ReadPageCommand = 0x30;
constexpr std::uint8_t ComparePageCommand = 0x40;
constexpr std::uint8_t DeletePageCommand = 0x50;
constexpr std::uint8_t RequestPageCommand = 0x60;
constexpr std::uint8_t InitializeCommand = 0xF0;

// Reply codes.
constexpr std::uint8_t SuccessNibble = 0x01;
constexpr std::uint8_t OperationErrorNibble = 0x03;
constexpr std::uint8_t PageDataReply = 0x65;
constexpr std::uint8_t IdentificationReply = 0xF6;
constexpr std::uint8_t ConnectionErrorReply = 0x02;
constexpr std::uint8_t CompareErrorReply = 0x44;
constexpr std::uint8_t InitializeErrorReply = 0xF7;
constexpr std::uint16_t UnknownPageNumber = 0xFFFF;

constexpr std::uint32_t PageCommandTimeout = Programmer::PageCommandTimeoutMs;
constexpr std::uint32_t RequestPageTimeout = Programmer::RequestPageTimeoutMs;
constexpr std::uint32_t TransferMsPerByte = Programmer::TransferMsPerByte;

constexpr std::uint32_t PageLength = Programmer::PageLength;
constexpr int PageRequestAttempts = Programmer::PageRequestAttempts;

// Only the low 16 bits of a page number go to the programmer and into the log.
std::uint16_t WirePageNumber(int PageNumber) {
    return static_cast<std::uint16_t>(PageNumber);
}

bool IsSuccess(const IROMPackage& Reply) {
    return (Reply.GetCommand() & 0x0F) == SuccessNibble;
}

void LogRequest(TLogManager& Log, const std::string& Text) {
    Log.WriteMessage("");
    Log.WriteMessage(Text);
}

void LogResult(TLogManager& Log, const std::string& Text) {
    Log.WriteMessage(Text);
    Log.WriteMessage("");
}

// Raises Error with the reply code that caused it.
template <typename TError> [[noreturn]] void RaiseWithReply(std::uint8_t Code) {
    TError Error;
    Error.WithReply(Code);
    throw Error;
}

// Raises the exception that matches the reply's command byte; never returns.
[[noreturn]] void RaiseDeviceError(const IROMPackage& Reply) {
    const std::uint8_t Code = Reply.GetCommand();
    if (Code == ConnectionErrorReply) {
        RaiseWithReply<EConnectionError>(Code);
    }
    if (Code == CompareErrorReply) {
        RaiseWithReply<ECompareError>(Code);
    }
    if (Code == InitializeErrorReply) {
        RaiseWithReply<EInitializeError>(Code);
    }
    if ((Code & 0x0F) == OperationErrorNibble) {
        RaiseWithReply<EMicroControllerOperationError>(Code);
    }
    RaiseWithReply<EUnknownDeviceError>(Code);
}

// Runs Exchange, one command's exchange and the judging of its reply. A failure on the way gets
// the command (and Page, for a page command) and goes into the log before it passes on, so
// that the log says where the exchange broke off.
template <typename TExchange>
auto NamingFailures(TLogManager& Log, std::uint8_t Command, std::optional<std::uint16_t> Page,
                    const TExchange& Exchange) {
    try {
        return Exchange();
    } catch (Exception& Failure) {
        if (Page) {
            Failure.AtPage(*Page);
        }
        Failure.AtCommand(Command);
        Log.WriteMessage(Failure.what());
        throw;
    }
}

// A page of data is exactly one chip page long; anything else was damaged on the way, even when
// its checksum happens to agree.
void CheckPageDataLength(TLogManager& Log, const IROMPackage& Reply) {
    const std::size_t Length = Reply.GetData().size();
    if (Reply.GetCommand() == PageDataReply && Reply.GetPageNumber() != UnknownPageNumber &&
        Length != PageLength) {
        Log.WriteMessage(FormatText(SPageDataWrongLength, static_cast<int>(Length),
                                    static_cast<int>(PageLength)));
        throw EDamagedReply();
    }
}

// What a page command makes of the compare error reply: an error like any other, or the
// answer "the chip page differs" (false).
enum class TDifference { IsError, IsAnswer };

// One page command: log, exchange, judge the reply.
bool RunPageCommand(TDeviceManager& DeviceManager, TLogManager& Log, std::uint8_t Command,
                    int PageNumber, std::uint32_t TimeoutMs, const TByteArray& Data,
                    const char* RequestText, const char* ResultText,
                    TDifference Difference = TDifference::IsError) {
    const std::uint16_t Page = WirePageNumber(PageNumber);
    LogRequest(Log, FormatText(RequestText, static_cast<int>(Page)));
    return NamingFailures(Log, Command, Page, [&] {
        TROMPackage Reply;
        DeviceManager.ExecuteCommand(Command, Page, TimeoutMs, Reply, Data);
        if (!IsSuccess(Reply)) {
            if (Difference == TDifference::IsAnswer && Reply.GetCommand() == CompareErrorReply) {
                return false;
            }
            RaiseDeviceError(Reply);
        }
        LogResult(Log, FormatText(ResultText, static_cast<int>(Page)));
        return true;
    });
}

// The programmer's buffer into Reply. Asking again is harmless: the request only reads the
// buffer. A reply damaged on the line is asked for again a few times before the read fails.
void RequestPageReply(TDeviceManager& DeviceManager, TLogManager& Log, TROMPackage& Reply) {
    for (int Attempt = 1;; ++Attempt) {
        try {
            DeviceManager.ExecuteCommand(RequestPageCommand, 0, RequestPageTimeout, Reply);
            CheckPageDataLength(Log, Reply);
            return;
        } catch (const EDamagedReply&) {
            if (Attempt == PageRequestAttempts) {
                throw;
            }
        } catch (const EWrongLength&) {
            if (Attempt == PageRequestAttempts) {
                throw;
            }
        }
        Log.WriteMessage(FormatText(SRequestPageRepeated, Attempt + 1, PageRequestAttempts));
    }
}

} // namespace

TProtocolManager::TProtocolManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                                   TLogManager& Log)
    : Log(Log), DeviceManager(std::make_unique<TDeviceManager>(PortName, std::move(Port), Log)) {}

TProtocolManager::~TProtocolManager() = default;

void TProtocolManager::Initialize(std::string& Answer) {
    LogRequest(Log, SInitializeRequest);
    Answer.clear();
    TROMPackage Reply;
    NamingFailures(Log, InitializeCommand, std::nullopt, [&] {
        DeviceManager->ExecuteCommand(InitializeCommand, 0, PageCommandTimeout, Reply);
        if (Reply.GetCommand() != IdentificationReply) {
            RaiseDeviceError(Reply);
        }
    });
    // The controller's text, one character per byte, taken as it comes.
    const TByteArray& Data = Reply.GetData();
    Answer.assign(Data.begin(), Data.end());
    LogResult(Log, FormatText(SInitializeResult, Answer.c_str()));
}

bool TProtocolManager::TransferPage(int PageNumber, const TMemoryPage& Page) {
    const TByteArray& Data = Page.GetData();
    const auto TimeoutMs = static_cast<std::uint32_t>(Data.size()) * TransferMsPerByte;
    return RunPageCommand(*DeviceManager, Log, TransferPageCommand, PageNumber, TimeoutMs, Data,
                          STransferPageRequest, STransferPageResult);
}

bool TProtocolManager::WritePage(int PageNumber) {
    return RunPageCommand(*DeviceManager, Log, WritePageCommand, PageNumber, PageCommandTimeout, {},
                          SWritePageRequest, SWritePageResult);
}

bool TProtocolManager::ReadPage(int PageNumber) {
    return RunPageCommand(*DeviceManager, Log, ReadPageCommand, PageNumber, PageCommandTimeout, {},
                          SReadPageRequest, SReadPageResult);
}

void TProtocolManager::RequestPage(std::shared_ptr<IMemoryPage>& Page) {
    LogRequest(Log, SRequestPageRequest);
    Page.reset();
    TROMPackage Reply;
    // The page asked for is the one read before; the head manager names it.
    NamingFailures(Log, RequestPageCommand, std::nullopt, [&] {
        RequestPageReply(*DeviceManager, Log, Reply);
        if (Reply.GetCommand() != PageDataReply) {
            RaiseDeviceError(Reply);
        }
    });
    const std::uint16_t PageNumber = Reply.GetPageNumber();
    if (PageNumber == UnknownPageNumber) {
        throw EUnknuwnPageNumber();
    }
    auto Received = std::make_shared<TMemoryPage>();
    const std::uint32_t Address = std::uint32_t{PageNumber} * PageLength;
    Received->Fill(PageNumber, static_cast<std::int32_t>(Address), Reply.GetData());
    Page = std::move(Received);
    LogResult(Log, SRequestPageResult);
}

bool TProtocolManager::ComparePage(int PageNumber) {
    // The programmer's compare error is its answer that the chip page differs from its buffer.
    return RunPageCommand(*DeviceManager, Log, ComparePageCommand, PageNumber, PageCommandTimeout,
                          {}, SComparePageRequest, SComparePageResult, TDifference::IsAnswer);
}

bool TProtocolManager::DeletePage(int PageNumber) {
    return RunPageCommand(*DeviceManager, Log, DeletePageCommand, PageNumber, PageCommandTimeout,
                          {}, SDeletePageRequest, SDeletePageResult);
}
