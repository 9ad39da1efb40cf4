// The serial port of POSIX systems: a terminal device in raw mode, opened non-blocking, with
// its waits done by poll. Failures are reported by results (an open result, zero counts), never
// by exceptions.
#pragma once

#include "common/ProgrammerConstants.h"
#include "serial/SerialPortBase.h"

#include <cstdint>
#include <string>

class TAnisochronousComm : public TSerialPortBase {
public:
    // The line settings applied at every Open.
    static constexpr std::uint32_t BaudRate = Programmer::BaudRate;
    static constexpr std::uint8_t Parity = 0;   // none
    static constexpr std::uint8_t StopBits = 0; // one stop bit
    static constexpr std::uint8_t ByteSize = 8;

    TAnisochronousComm();
    // Closes the port. Whoever reads the port must be finished with it before.
    ~TAnisochronousComm() override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    std::uint32_t ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                std::uint32_t TimeoutMs) override;
    // One ppoll on the wake-up descriptors, timed to the nanosecond.
    void PauseReading(std::chrono::microseconds Duration) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

    // Steps of Open, usable alone: true when the port is open and took all of them (read back
    // after they were set); false while the port is closed.
    bool ApplySettings(); // raw 8N1 at BaudRate, no flow control, receiver on, modem lines ignored
    bool ApplyTimeouts(); // no inter-byte timer: reads are timed by Read itself

private:
    TCommOpenResult OpenDevice(const std::string& Name, const std::string& Path) override;
    void SignalClosing(bool Closing) override;
    void CloseDevice() override;
    void SignalReaderInterrupt(bool Interrupted) override;

    static TCommOpenResult OpenFailure(const std::string& Name, const std::string& Path, int Error);
    static TCommOpenResult Configure(int Descriptor, const std::string& Name,
                                     const std::string& Path);
    static TCommOpenResult FailOpen(int Descriptor, TCommOpenError Error, const std::string& Text);
    bool WaitForOutput(int Descriptor);

    // Set the line and the read mode on Descriptor. Each returns why the terminal did not take
    // them (the error of the call that failed, or the settings that stayed as they were); empty
    // when all took.
    static std::string ConfigureLine(int Descriptor);
    static std::string ConfigureTimeouts(int Descriptor);
    static void SignalWakeUp(int WakeUp);
    static void DrainWakeUp(int WakeUp);

    // The open terminal; set by OpenDevice and CloseDevice, read by the others only while they
    // hold a TDeviceUse.
    int Device = -1;

    // Wake-up descriptors (eventfd) that live as long as the object: CloseWakeUp ends every
    // wait on the port while Close runs, ReaderWakeUp ends the reader's wait while it is
    // interrupted.
    int CloseWakeUp = -1;
    int ReaderWakeUp = -1;
};
