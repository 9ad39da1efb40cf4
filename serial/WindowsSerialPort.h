// The serial port of Windows: a COM device opened for overlapped I/O, with every wait done by
// WaitForMultipleObjects on the I/O's own event and the port's close and reader events, so
// that Close and InterruptReader end any wait at once. Failures are reported by results (an
// open result, zero counts), never by exceptions.
#pragma once

#include "common/ProgrammerConstants.h"
#include "platform/SyncEvent.h"
#include "serial/SerialPort.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class TWindowsSerialPort : public ISerialPort {
public:
    // The line settings applied at every Open.
    static constexpr std::uint32_t BaudRate = Programmer::BaudRate;

    TWindowsSerialPort();
    // Closes the port. Whoever reads the port must be finished with it before.
    ~TWindowsSerialPort() override;

    TCommOpenResult Open() override;
    void Close() override;
    TCommOpenResult SetPortName(const std::string& Name) override;
    std::string GetPortName() const override;
    bool IsOpen() const override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

    bool WaitUntilOpen(std::uint32_t TimeoutMs) override;
    void InterruptReader() override;
    void EndReaderInterrupt() override;

private:
    // A Windows handle (void* in <windows.h>) kept without the header, closed by its owner.
    using THandle = void*;

    // A Win32 event handle owned by the port (CloseHandle on destruction).
    class TOwnedHandle {
    public:
        explicit TOwnedHandle(THandle Handle = nullptr) : Handle(Handle) {}
        ~TOwnedHandle();
        TOwnedHandle(const TOwnedHandle&) = delete;
        TOwnedHandle& operator=(const TOwnedHandle&) = delete;
        THandle Get() const { return Handle; }

    private:
        THandle Handle;
    };

    // Marks one Read, Write or query as using the port's handle, so that Close waits for it to
    // leave before the handle is closed.
    class THandleUse {
    public:
        explicit THandleUse(TWindowsSerialPort& Port);
        ~THandleUse();
        THandleUse(const THandleUse&) = delete;
        THandleUse& operator=(const THandleUse&) = delete;
        explicit operator bool() const { return Handle != nullptr; }
        THandle Get() const { return Handle; }

    private:
        TWindowsSerialPort& Port;
        THandle Handle = nullptr;
    };

    void CloseLocked();
    static TCommOpenResult FailOpen(THandle Device, TCommOpenError Error, const std::string& Text);

    // Signalled while the port is open, and while the reader is interrupted.
    TEvent OpenedEvent{TEvent::TResetMode::Manual};

    // Serialises Open, Close and the reader interrupt.
    std::mutex OpenCloseLock;

    // Guards the fields below.
    mutable std::mutex StateLock;
    std::condition_variable UsersGone;
    THandle Handle = nullptr;
    int ActiveUsers = 0;
    bool ReaderInterrupted = false;
    std::string PortName = "COM1";

    // Manual-reset events that live as long as the object: ClosingEvent ends every wait on the
    // port while Close runs, ReaderEvent ends the reader's wait while it is interrupted.
    TOwnedHandle ClosingEvent;
    TOwnedHandle ReaderEvent;
};
