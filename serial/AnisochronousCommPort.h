// The serial port of POSIX systems: a terminal device in raw mode, opened non-blocking, with
// its waits done by poll. Failures are reported by results (false, zero counts), never by
// exceptions.
#pragma once

#include "common/ProgrammerConstants.h"
#include "platform/SyncEvent.h"
#include "serial/SerialPort.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class TAnisochronousComm : public ISerialPort {
public:
    // The line settings applied at every Open.
    static constexpr std::uint32_t BaudRate = Programmer::BaudRate;
    static constexpr std::uint8_t Parity = 0;   // none
    static constexpr std::uint8_t StopBits = 0; // one stop bit
    static constexpr std::uint8_t ByteSize = 8;

    TAnisochronousComm();
    // Closes the port. Whoever reads the port must be finished with it before.
    ~TAnisochronousComm() override;

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

    // Steps of Open, usable alone: true when the port is open and took all of them (read back
    // after they were set); false while the port is closed.
    bool ApplySettings(); // raw 8N1 at BaudRate, no flow control, receiver on, modem lines ignored
    bool ApplyTimeouts(); // no inter-byte timer: reads are timed by Read itself

    bool WaitUntilOpen(std::uint32_t TimeoutMs) override;
    void InterruptReader() override;
    void EndReaderInterrupt() override;

private:
    // Marks one Read, Write or query as using the port's descriptor, so that Close waits for
    // it to leave before the descriptor is closed (and its number reused).
    class TDescriptorUse {
    public:
        explicit TDescriptorUse(TAnisochronousComm& Comm);
        ~TDescriptorUse();
        TDescriptorUse(const TDescriptorUse&) = delete;
        TDescriptorUse& operator=(const TDescriptorUse&) = delete;
        explicit operator bool() const { return Descriptor >= 0; }
        int Get() const { return Descriptor; }

    private:
        TAnisochronousComm& Comm;
        int Descriptor = -1;
    };

    void CloseLocked();
    static TCommOpenResult FailOpen(int Descriptor, TCommOpenError Error, const std::string& Text);
    bool WaitForOutput(int Descriptor);

    // Set the line and the read mode on Descriptor. Each returns why the terminal did not take
    // them (the error of the call that failed, or the settings that stayed as they were); empty
    // when all took.
    static std::string ConfigureLine(int Descriptor);
    static std::string ConfigureTimeouts(int Descriptor);
    static void SignalWakeUp(int WakeUp);
    static void DrainWakeUp(int WakeUp);

    // Signalled while the port is open, and while the reader is interrupted.
    TEvent OpenedEvent{TEvent::TResetMode::Manual};

    // Serialises Open, Close and the reader interrupt.
    std::mutex OpenCloseLock;

    // Guards the fields below.
    mutable std::mutex StateLock;
    std::condition_variable UsersGone;
    int Handle = -1;
    int ActiveUsers = 0;
    bool ReaderInterrupted = false;
    std::string PortName = "COM1";

    // Wake-up descriptors (eventfd) that live as long as the object: CloseWakeUp ends every
    // wait on the port while Close runs, ReaderWakeUp ends the reader's wait while it is
    // interrupted.
    int CloseWakeUp = -1;
    int ReaderWakeUp = -1;
};
