#include "serial/WindowsSerialPort.h"

#include "common/ResourseStrings.h"
#include "platform/SystemError.h"
#include "platform/WindowsText.h"
#include "serial/NotAppliedSettings.h"
#include "serial/ReadDeadline.h"
#include "serial/WindowsPortLock.h"

#include <algorithm>
#include <windows.h>

namespace {

// A write that the driver does not take a single further byte of for this long is given up,
// so that a stalled line cannot hang the operation thread.
constexpr DWORD WriteStallMs = Programmer::WriteStallMs;
// Sizes asked of the driver for its input and output queues: several whole frames each.
constexpr DWORD QueueSize = 4096;

// A read's deadline counts its milliseconds as Windows waits do.
static_assert(INFINITE == INFINITE_WAIT, "no limit is the same value for both");

bool IsSignalled(HANDLE Event) {
    return WaitForSingleObject(Event, 0) == WAIT_OBJECT_0;
}

// One overlapped transfer: its OVERLAPPED and the manual-reset event it completes.
class TOverlappedIo {
public:
    TOverlappedIo() { Overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~TOverlappedIo() {
        if (Overlapped.hEvent != nullptr) {
            CloseHandle(Overlapped.hEvent);
        }
    }
    TOverlappedIo(const TOverlappedIo&) = delete;
    TOverlappedIo& operator=(const TOverlappedIo&) = delete;

    explicit operator bool() const { return Overlapped.hEvent != nullptr; }
    OVERLAPPED* Get() { return &Overlapped; }
    HANDLE Event() const { return Overlapped.hEvent; }
    // The bytes the transfer moved, once it has completed, also when it failed or was
    // cancelled.
    DWORD Transferred() const { return static_cast<DWORD>(Overlapped.InternalHigh); }

private:
    OVERLAPPED Overlapped{};
};

// Raw 8N1 at the programmer's speed without flow control: the programmer uses none, and a
// driver waiting for CTS or DSR or for an XON would hold back its requests. DTR and RTS are
// raised, as adapters that power their level shifters from them expect. Errors on the line do
// not stop the driver (fAbortOnError off): the link above finds damaged frames itself. Returns
// why the port did not take the settings, empty when it did.
std::string ConfigureLine(HANDLE Device) {
    DCB Settings{};
    Settings.DCBlength = sizeof Settings;
    if (!GetCommState(Device, &Settings)) {
        return LastSystemError();
    }
    Settings.BaudRate = TWindowsSerialPort::BaudRate;
    Settings.ByteSize = 8;
    Settings.Parity = NOPARITY;
    Settings.StopBits = ONESTOPBIT;
    Settings.fBinary = TRUE;
    Settings.fParity = FALSE;
    Settings.fOutxCtsFlow = FALSE;
    Settings.fOutxDsrFlow = FALSE;
    Settings.fDtrControl = DTR_CONTROL_ENABLE;
    Settings.fDsrSensitivity = FALSE;
    Settings.fTXContinueOnXoff = TRUE;
    Settings.fOutX = FALSE;
    Settings.fInX = FALSE;
    Settings.fErrorChar = FALSE;
    Settings.fNull = FALSE;
    Settings.fRtsControl = RTS_CONTROL_ENABLE;
    Settings.fAbortOnError = FALSE;
    DCB Actual{};
    Actual.DCBlength = sizeof Actual;
    if (!SetCommState(Device, &Settings) || !GetCommState(Device, &Actual)) {
        return LastSystemError();
    }
    TNotAppliedSettings NotApplied;
    NotApplied.Check(Actual.BaudRate == Settings.BaudRate, SCommPortSettingSpeed);
    NotApplied.Check(Actual.ByteSize == Settings.ByteSize, SCommPortSettingByteSize);
    NotApplied.Check(Actual.Parity == Settings.Parity, SCommPortSettingParity);
    NotApplied.Check(Actual.StopBits == Settings.StopBits, SCommPortSettingStopBits);
    return NotApplied.Text();
}

// No driver time-outs at all: a read waits until it has every byte it asked for, a write until
// the driver took all of it. Read asks only for the bytes already queued, or for one byte while
// none is, and bounds that wait itself; this works alike on Windows and under Wine, whose
// interval and total read time-outs do not end a wait when the first byte arrives.
std::string ConfigureTimeouts(HANDLE Device) {
    COMMTIMEOUTS Timeouts{};
    if (!SetCommTimeouts(Device, &Timeouts)) {
        return LastSystemError();
    }
    return {};
}

// Bytes in the driver's input (Input) or output queue; nothing when the port does not answer.
bool QueuedBytes(HANDLE Device, bool Input, DWORD& Queued) {
    DWORD Errors = 0;
    COMSTAT Status{};
    if (!ClearCommError(Device, &Errors, &Status)) {
        return false;
    }
    Queued = Input ? Status.cbInQue : Status.cbOutQue;
    return true;
}

} // namespace

TWindowsSerialPort::TOwnedHandle::~TOwnedHandle() {
    if (Handle != nullptr) {
        CloseHandle(Handle);
    }
}

TWindowsSerialPort::TWindowsSerialPort()
    : ClosingEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      ReaderEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

TWindowsSerialPort::~TWindowsSerialPort() {
    Close();
}

TCommOpenResult TWindowsSerialPort::OpenDevice(const std::string& Name, const std::string& Path) {
    if (ClosingEvent.Get() == nullptr || ReaderEvent.Get() == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return OpenFailure(Name, Path);
    }
    // Windows itself refuses a second open of a COM port, but not every driver (nor wine) does:
    // a named mutex that lives as long as the port is open here makes sure that no other
    // program of this session (nor another port object of this one) writes into its exchanges.
    HANDLE Lock = CreateMutexW(nullptr, FALSE, PortLockName(Path).c_str());
    if (Lock != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(Lock);
        return FailOpen(nullptr, TCommOpenError::Busy,
                        FormatText(SCommPortBusy, Name.c_str(), Path.c_str()));
    }
    HANDLE Opened = CreateFileW(WidenUtf8(Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    TCommOpenResult Result =
        Opened == INVALID_HANDLE_VALUE ? OpenFailure(Name, Path) : Configure(Opened, Name, Path);
    if (!Result.Opened()) {
        if (Lock != nullptr) {
            CloseHandle(Lock);
        }
        return Result;
    }
    PurgeComm(Opened, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    Device = Opened;
    PortLock = Lock;
    return Result;
}

// Why CreateFileW failed, from the thread's last error.
TCommOpenResult TWindowsSerialPort::OpenFailure(const std::string& Name, const std::string& Path) {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return FailOpen(nullptr, TCommOpenError::NoSuchDevice,
                        FormatText(SCommPortNotFound, Name.c_str(), Path.c_str()));
    // Windows opens a COM port for one program at a time: a port that another program holds
    // answers with "access denied" (or, for some drivers, a sharing violation), so both mean
    // busy here. Ports have no access rights of their own to refuse a user.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return FailOpen(nullptr, TCommOpenError::Busy,
                        FormatText(SCommPortBusy, Name.c_str(), Path.c_str()));
    default:
        return FailOpen(
            nullptr, TCommOpenError::Other,
            FormatText(SCommPortOpenError, Name.c_str(), Path.c_str(), LastSystemError().c_str()));
    }
}

// Makes the opened device a raw line without driver time-outs; closes it when that fails.
TCommOpenResult TWindowsSerialPort::Configure(THandle Opened, const std::string& Name,
                                              const std::string& Path) {
    // A file or another device opens too, but has no line state.
    DCB Probe{};
    Probe.DCBlength = sizeof Probe;
    if (!GetCommState(Opened, &Probe)) {
        return FailOpen(Opened, TCommOpenError::NotASerialPort,
                        FormatText(SCommPortNotSerial, Name.c_str(), Path.c_str()));
    }
    // Only a recommendation to the driver; one that keeps its own sizes still works.
    SetupComm(Opened, QueueSize, QueueSize);

    // A port that does not take the line settings would garble every byte, and one that keeps
    // its own read time-outs would end reads early: either fails the open.
    std::string Settings = FormatText(SCommPortLineSettings, static_cast<unsigned>(BaudRate));
    std::string Refusal = ConfigureLine(Opened);
    if (Refusal.empty()) {
        Settings = SCommPortReadTimeoutSettings;
        Refusal = ConfigureTimeouts(Opened);
    }
    if (Refusal.empty()) {
        return {};
    }
    return FailOpen(Opened, TCommOpenError::SettingsRefused,
                    FormatText(SCommPortSettingsRefused, Name.c_str(), Path.c_str(),
                               Settings.c_str(), Refusal.c_str()));
}

TCommOpenResult TWindowsSerialPort::FailOpen(THandle Opened, TCommOpenError Error,
                                             const std::string& Text) {
    if (Opened != nullptr) {
        CloseHandle(Opened);
    }
    return {Error, Text};
}

void TWindowsSerialPort::SignalClosing(bool Closing) {
    if (!Closing) {
        ResetEvent(ClosingEvent.Get());
        return;
    }
    // The users see the event in their waits and cancel their own transfers; cancelling every
    // transfer on the handle as well ends one that has not reached its wait yet.
    SetEvent(ClosingEvent.Get());
    CancelIoEx(Device, nullptr);
}

void TWindowsSerialPort::CloseDevice() {
    CloseHandle(Device);
    Device = nullptr;
    if (PortLock != nullptr) {
        CloseHandle(PortLock);
        PortLock = nullptr;
    }
}

void TWindowsSerialPort::SignalReaderInterrupt(bool Interrupted) {
    if (Interrupted) {
        SetEvent(ReaderEvent.Get());
    } else {
        ResetEvent(ReaderEvent.Get());
    }
}

std::uint32_t TWindowsSerialPort::Write(const void* Buffer, std::uint32_t Count) {
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    TOverlappedIo Io;
    const auto* Bytes = static_cast<const std::uint8_t*>(Buffer);
    std::uint32_t Sent = 0;
    while (Io && Sent < Count && !IsSignalled(ClosingEvent.Get())) {
        bool Stalled = false;
        if (!WriteFile(Device, Bytes + Sent, Count - Sent, nullptr, Io.Get())) {
            if (GetLastError() != ERROR_IO_PENDING) {
                break;
            }
            // The driver is still taking the bytes: wait as long as its output queue keeps
            // shrinking, so that only a line that takes nothing for WriteStallMs gives up.
            DWORD LastQueued = MAXDWORD;
            QueuedBytes(Device, false, LastQueued);
            const HANDLE Waits[2] = {Io.Event(), ClosingEvent.Get()};
            for (;;) {
                const DWORD Which = WaitForMultipleObjects(2, Waits, FALSE, WriteStallMs);
                if (Which == WAIT_OBJECT_0) {
                    break;
                }
                DWORD Queued = 0;
                if (Which == WAIT_TIMEOUT && QueuedBytes(Device, false, Queued) &&
                    Queued < LastQueued) {
                    LastQueued = Queued;
                    continue;
                }
                Stalled = true;
                CancelIoEx(Device, Io.Get());
                break;
            }
        }
        DWORD Done = 0;
        GetOverlappedResult(Device, Io.Get(), &Done, TRUE);
        Sent += Io.Transferred();
        if (Stalled || Io.Transferred() == 0) {
            break;
        }
    }
    return Sent;
}

void TWindowsSerialPort::PauseReading(std::chrono::microseconds /*Duration*/) {}

std::uint32_t TWindowsSerialPort::Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                                       std::uint32_t MsPerByte, std::uint32_t Count) {
    TimedOut = false;
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    Count = std::min(Count, BufferSize);
    TOverlappedIo Io;
    if (Count == 0 || !Io) {
        return 0;
    }
    const TReadDeadline Deadline(MsPerByte, Count);

    auto* Bytes = static_cast<std::uint8_t*>(Buffer);
    std::uint32_t Received = 0;
    const HANDLE Waits[3] = {Io.Event(), ClosingEvent.Get(), ReaderEvent.Get()};
    for (;;) {
        if (IsSignalled(ClosingEvent.Get()) || IsSignalled(ReaderEvent.Get())) {
            return Received; // closing, or the reader is asked to leave
        }
        // What is queued comes at once; while nothing is, one byte is waited for. Asking for
        // more than is queued would wait for all of it (no driver time-outs).
        DWORD Queued = 0;
        if (!QueuedBytes(Device, true, Queued)) {
            return Received; // the device has gone
        }
        const DWORD Wanted = std::clamp<DWORD>(Queued, 1, Count - Received);
        DWORD Which = WAIT_OBJECT_0;
        if (!ReadFile(Device, Bytes + Received, Wanted, nullptr, Io.Get())) {
            if (GetLastError() != ERROR_IO_PENDING) {
                return Received; // a failed line
            }
            Which = WaitForMultipleObjects(3, Waits, FALSE, Deadline.RemainingMs());
            if (Which != WAIT_OBJECT_0) {
                CancelIoEx(Device, Io.Get());
            }
        }
        DWORD Done = 0;
        const bool Completed = GetOverlappedResult(Device, Io.Get(), &Done, TRUE) != FALSE;
        // Purge aborts a waiting read; the port is still open, so the read goes on.
        const bool Purged =
            !Completed && GetLastError() == ERROR_OPERATION_ABORTED && Which == WAIT_OBJECT_0;
        Received += Io.Transferred();
        if (Received == Count) {
            return Received;
        }
        if (Which == WAIT_TIMEOUT) {
            TimedOut = true;
            return Received;
        }
        if (Which != WAIT_OBJECT_0 || (!Completed && !Purged) ||
            (Completed && Io.Transferred() == 0)) {
            return Received; // closing, interrupted, a failed line or an end of the device
        }
        if (Deadline.RemainingMs() == 0) {
            TimedOut = true; // purged again and again, or bytes that came too slowly
            return Received;
        }
    }
}

std::uint32_t TWindowsSerialPort::BytesInQueue() {
    const TDeviceUse Use(*this);
    DWORD Queued = 0;
    if (!Use || !QueuedBytes(Device, true, Queued)) {
        return 0;
    }
    return Queued;
}

void TWindowsSerialPort::Purge() {
    const TDeviceUse Use(*this);
    if (Use) {
        PurgeComm(Device, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
    }
}

std::unique_ptr<ISerialPort> MakeSerialPort() {
    return std::make_unique<TWindowsSerialPort>();
}
