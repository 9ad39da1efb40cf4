// The bookkeeping that the serial ports of every platform share: the port's name, whether it
// is open, the users of its device that Close waits for, the reader interrupt and the event
// the read thread waits on until the port is open. A platform's port derives from it and
// brings its system calls only: opening and configuring its device, ending its users' waits
// and closing its handle.
#pragma once

#include "platform/SyncEvent.h"
#include "serial/SerialPort.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

class TSerialPortBase : public ISerialPort {
public:
    TCommOpenResult Open() final;
    void Close() final;
    TCommOpenResult SetPortName(const std::string& Name) final;
    std::string GetPortName() const final;
    bool IsOpen() const final;

    bool WaitUntilOpen(std::uint32_t TimeoutMs) final;
    // One byte waited for, then the bytes the queue holds; a port that can do better says so.
    std::uint32_t ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                std::uint32_t TimeoutMs) override;
    // A wait on a condition the port's closing and the reader interrupt end; a platform that
    // can sleep more cheaply says so.
    void PauseReading(std::chrono::microseconds Duration) override;
    void InterruptReader() final;
    void EndReaderInterrupt() final;

protected:
    TSerialPortBase() = default;
    // Closing needs the platform's calls, which are gone here: the platform's port closes
    // itself in its own destructor.
    ~TSerialPortBase() override = default;

    // Marks one Read, Write or query as using the device, so that Close waits for it to leave
    // before the device's handle is closed. False while the port is closed: the handle must
    // not be touched then.
    class TDeviceUse {
    public:
        explicit TDeviceUse(TSerialPortBase& Port);
        ~TDeviceUse();
        TDeviceUse(const TDeviceUse&) = delete;
        TDeviceUse& operator=(const TDeviceUse&) = delete;
        explicit operator bool() const { return InUse; }

    private:
        TSerialPortBase& Port;
        bool InUse = false;
    };

    // The platform's system calls, made one at a time under the open/close lock.
    //
    // Opens the device at Path (Name as the user gave it, for the texts), configures it and
    // keeps its handle; on failure it keeps nothing and says why. The port is closed meanwhile.
    virtual TCommOpenResult OpenDevice(const std::string& Name, const std::string& Path) = 0;
    // Closing: ends every wait and transfer of the device's users at once, and keeps ending
    // them until the signal is taken back (Closing false) once they have left. Called with the
    // state lock held.
    virtual void SignalClosing(bool Closing) = 0;
    // Closes the handle that OpenDevice kept; no user is left.
    virtual void CloseDevice() = 0;
    // Interrupted: ends the reader's wait at once and keeps ending it until taken back.
    virtual void SignalReaderInterrupt(bool Interrupted) = 0;

private:
    void CloseLocked();

    // Signalled while the port is open, and while the reader is interrupted.
    TEvent OpenedEvent{TEvent::TResetMode::Manual};

    // Serialises Open, Close and the reader interrupt.
    std::mutex OpenCloseLock;

    // Guards the fields below.
    mutable std::mutex StateLock;
    std::condition_variable UsersGone;
    // Ends the reader's PauseReading when the port closes or the reader is interrupted.
    std::condition_variable ReaderPauseEnds;
    bool Opened = false;
    int ActiveUsers = 0;
    bool ReaderInterrupted = false;
    std::string PortName = "COM1";
};
