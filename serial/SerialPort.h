// The serial port as the programmer link sees it: the connection manager opens, names and
// writes it, the read thread waits for it to be open and reads it. Each platform brings one
// implementation and a MakeSerialPort that makes it; nothing above this header names a platform
// port. Failures are reported by results (an open result, zero counts), never by exceptions.
//
// Who owns which time-out:
// - Read waits as long as its caller says (MsPerByte per requested byte, or without limit): the
//   caller owns every read wait. The port sets no inter-byte or total time-outs in the driver.
// - Write hands its bytes to the driver without waiting for them to leave the line; only a
//   driver that takes nothing at all for a while (a stalled line) makes it give up. That limit
//   belongs to the implementation, so that no writer can hang on a dead port.
// - The wait for the programmer's reply is not the port's: the link above owns it.
// - WaitUntilOpen waits as long as its caller says.
#pragma once

#include "platform/SyncEvent.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// Why an Open failed.
enum class TCommOpenError {
    None,             // it did not fail: the port opened
    NoSuchDevice,     // the device node does not exist
    PermissionDenied, // the user may not open the device (not in the dialout group)
    Busy,             // another program holds the port
    NotASerialPort,   // the path exists but is no terminal device
    SettingsRefused,  // the port did not take the line settings or the read mode
    Other             // any other failure; the reason is in the result's text
};

// What one Open did: opened (Error None, no text), or why not, with the text that tells the
// user (the port's name and path, and the system's words where it gave any).
struct TCommOpenResult {
    TCommOpenError Error = TCommOpenError::None;
    std::string Text;

    bool Opened() const { return Error == TCommOpenError::None; }
};

// One serial port used by two threads at once: the operation thread opens, closes and writes it,
// the read thread waits for it to be open and reads from it. Implementations coordinate the two
// themselves; the callers take no lock.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    ISerialPort(const ISerialPort&) = delete;
    ISerialPort& operator=(const ISerialPort&) = delete;

    // Opens the port named by GetPortName (closing it first if it is open), applies the line
    // settings (115200 baud, 8 data bits, no parity, one stop bit, raw bytes) and empties both
    // driver buffers. On failure the port stays closed and the result says why.
    virtual TCommOpenResult Open() = 0;
    // Closes the port if it is open. A Read or Write in progress on another thread returns at
    // once with what it had done so far. Harmless when the port is closed.
    virtual void Close() = 0;
    // Closes the port, takes Name (kept exactly as given) and opens it.
    virtual TCommOpenResult SetPortName(const std::string& Name) = 0;
    virtual std::string GetPortName() const = 0;
    virtual bool IsOpen() const = 0;

    // Hands all Count bytes to the driver and returns how many it took (Count unless the port
    // was closed meanwhile, failed or stalled). 0 when the port is closed.
    virtual std::uint32_t Write(const void* Buffer, std::uint32_t Count) = 0;
    // Reads up to Count bytes (at most BufferSize) into Buffer, waiting at most MsPerByte * Count
    // milliseconds for all of them (INFINITE_WAIT: no limit). Returns as soon as Count bytes
    // are there; otherwise returns what arrived when the wait ended, with TimedOut set. Returns
    // early without TimedOut when the port is closed, fails (device gone) or the reader is
    // interrupted. 0 when the port is closed.
    virtual std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                               std::uint32_t MsPerByte, std::uint32_t Count) = 0;
    // Waits up to TimeoutMs (INFINITE_WAIT: no limit; 0: not at all) until bytes arrive, then
    // takes every byte already there, up to BufferSize, in as few system calls as the port
    // allows: what a reader does each time it wakes. 0 when the time passed without a byte, and
    // at once when the port is closed, fails (device gone) or the reader is interrupted.
    virtual std::uint32_t ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                        std::uint32_t TimeoutMs) = 0;
    // Sleeps for Duration without waking for each byte that arrives meanwhile: the reader knows
    // the bytes it needs cannot have crossed the line before (Programmer::WireTime). Returns
    // early when the port closes or the reader is interrupted.
    virtual void PauseReading(std::chrono::microseconds Duration) = 0;
    // Bytes waiting in the driver's input queue; 0 when the port is closed.
    virtual std::uint32_t BytesInQueue() = 0;
    // Discards both driver buffers; nothing while the port is closed.
    virtual void Purge() = 0;

    // Waits until the port is open or the reader is interrupted, at most TimeoutMs
    // (INFINITE_WAIT: no limit), without using the processor. True when either is the case.
    // The read thread calls it before each read.
    virtual bool WaitUntilOpen(std::uint32_t TimeoutMs) = 0;
    // Makes the reader of this port leave: the Read in progress (or the next one) returns 0 at
    // once, and WaitUntilOpen returns true even while the port is closed, until
    // EndReaderInterrupt. Used by the owner of the read thread to stop it.
    virtual void InterruptReader() = 0;
    // Called once the reader has left: reads behave normally again and WaitUntilOpen again
    // follows the open state.
    virtual void EndReaderInterrupt() = 0;

protected:
    ISerialPort() = default;
};

// The platform's serial port, closed, named "COM1". Defined once per platform.
std::unique_ptr<ISerialPort> MakeSerialPort();
