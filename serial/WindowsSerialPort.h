// The serial port of Windows: a COM device opened for overlapped I/O, with every wait done by
// WaitForMultipleObjects on the I/O's own event and the port's close and reader events, so
// that Close and InterruptReader end any wait at once. Failures are reported by results (an
// open result, zero counts), never by exceptions.
#pragma once

#include "common/ProgrammerConstants.h"
#include "serial/SerialPortBase.h"

#include <chrono>
#include <cstdint>
#include <string>

class TWindowsSerialPort : public TSerialPortBase {
public:
    // The line settings applied at every Open.
    static constexpr std::uint32_t BaudRate = Programmer::BaudRate;

    TWindowsSerialPort();
    // Closes the port. Whoever reads the port must be finished with it before.
    ~TWindowsSerialPort() override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    // Returns at once: a timed wait here lasts whole scheduler ticks (15.6 ms by default), far
    // longer than the bytes it would let cross, so the reader takes them as they come instead.
    void PauseReading(std::chrono::microseconds Duration) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

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

    TCommOpenResult OpenDevice(const std::string& Name, const std::string& Path) override;
    void SignalClosing(bool Closing) override;
    void CloseDevice() override;
    void SignalReaderInterrupt(bool Interrupted) override;

    static TCommOpenResult OpenFailure(const std::string& Name, const std::string& Path);
    static TCommOpenResult Configure(THandle Opened, const std::string& Name,
                                     const std::string& Path);
    static TCommOpenResult FailOpen(THandle Opened, TCommOpenError Error, const std::string& Text);

    // The open COM device; set by OpenDevice and CloseDevice, read by the others only while
    // they hold a TDeviceUse.
    THandle Device = nullptr;
    // The mutex named after the port, held as long as the device is open.
    THandle PortLock = nullptr;

    // Manual-reset events that live as long as the object: ClosingEvent ends every wait on the
    // port while Close runs, ReaderEvent ends the reader's wait while it is interrupted.
    TOwnedHandle ClosingEvent;
    TOwnedHandle ReaderEvent;
};
