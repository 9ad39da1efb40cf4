// One serial port, used by two threads at once: the operation thread opens, closes and writes
// it, the read thread waits for it to be open and reads from it. Failures are reported by
// results (false, zero counts), never by exceptions.
#pragma once

#include "platform/SyncEvent.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// Why the last Open failed.
enum class TCommOpenError {
    None,             // the last Open succeeded (or none was tried yet)
    NoSuchDevice,     // the device node does not exist
    PermissionDenied, // the user may not open the device (not in the dialout group)
    Busy,             // another program holds the port
    NotASerialPort,   // the path exists but is no terminal device
    Other             // any other failure; the reason is in GetLastOpenErrorText
};

class TAnisochronousComm {
public:
    // The line settings applied at every Open.
    static constexpr std::uint32_t BaudRate = 115200;
    static constexpr std::uint8_t Parity = 0;   // none
    static constexpr std::uint8_t StopBits = 0; // one stop bit
    static constexpr std::uint8_t ByteSize = 8;

    TAnisochronousComm();
    // Closes the port. Whoever reads the port must be finished with it before.
    ~TAnisochronousComm();
    TAnisochronousComm(const TAnisochronousComm&) = delete;
    TAnisochronousComm& operator=(const TAnisochronousComm&) = delete;

    // Opens the port named by GetPortName (closing it first if it is open), applies the line
    // settings, empties both driver buffers and signals OpenedEvent. On failure the port stays
    // closed, the reason is logged and kept for GetLastOpenError.
    bool Open();
    // Closes the port if it is open and resets OpenedEvent. A Read or Write in progress on
    // another thread returns at once with what it had done so far.
    void Close();
    // Closes the port, takes Name (kept exactly as given) and opens it.
    bool SetPortName(const std::string& Name);
    std::string GetPortName() const;
    bool IsOpen() const;

    // Hands all Count bytes to the driver and returns how many it took (Count unless the port
    // was closed meanwhile, failed, or took nothing for a long time). Does not wait for the
    // bytes to leave the line. 0 when the port is closed.
    std::uint32_t Write(const void* Buffer, std::uint32_t Count);
    // Reads up to Count bytes (at most BufferSize) into Buffer, waiting at most MsPerByte * Count
    // milliseconds for all of them (INFINITE_WAIT: no limit). Returns as soon as Count bytes
    // are there; otherwise returns what arrived when the wait ended, with TimedOut set. Returns
    // early without TimedOut when the port is closed, fails (device gone) or the reader is
    // interrupted. 0 when the port is closed.
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count);
    // Bytes waiting in the driver's input queue; 0 when the port is closed.
    std::uint32_t BytesInQueue();

    // Steps of Open, usable alone; each does nothing while the port is closed.
    void ApplySettings(); // raw 8N1 at BaudRate, no flow control, receiver on, modem lines ignored
    void ApplyTimeouts(); // no inter-byte timer: reads are timed by Read itself
    void Purge();         // discards both driver buffers

    // Makes the reader of this port leave: the Read in progress (or the next one) returns 0 at
    // once, and OpenedEvent is signalled even while the port is closed, until
    // EndReaderInterrupt. Used by the owner of the read thread to stop it.
    void InterruptReader();
    // Called once the reader has left: reads behave normally again and OpenedEvent again
    // follows the open state.
    void EndReaderInterrupt();

    TCommOpenError GetLastOpenError() const;
    // The logged text of the last failed Open; empty after a successful one.
    std::string GetLastOpenErrorText() const;

    // The device path a port name stands for: "COMn" is /dev/ttyS(n-1), a name without "/" is
    // a node in /dev (ttyUSB0, ttyACM0), anything else is a path used as it stands.
    static std::string ResolveDeviceName(const std::string& PortName);

    // Signalled while the port is open; the read thread waits on it before it reads.
    TEvent OpenedEvent{TEvent::TResetMode::Manual};

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
    bool FailOpen(int Descriptor, TCommOpenError Error, const std::string& Text);
    bool WaitForOutput(int Descriptor);

    static void ConfigureLine(int Descriptor);
    static void ConfigureTimeouts(int Descriptor);
    static void SignalWakeUp(int WakeUp);
    static void DrainWakeUp(int WakeUp);

    // Serialises Open, Close and the reader interrupt.
    std::mutex OpenCloseLock;

    // Guards the fields below.
    mutable std::mutex StateLock;
    std::condition_variable UsersGone;
    int Handle = -1;
    int ActiveUsers = 0;
    bool ReaderInterrupted = false;
    std::string PortName = "COM1";
    TCommOpenError LastOpenError = TCommOpenError::None;
    std::string LastOpenErrorText;

    // Wake-up descriptors (eventfd) that live as long as the object: CloseWakeUp ends every
    // wait on the port while Close runs, ReaderWakeUp ends the reader's wait while it is
    // interrupted.
    int CloseWakeUp = -1;
    int ReaderWakeUp = -1;
};
