// The background thread that reads everything the programmer sends: it waits for the port to
// be open, blocks for a first byte, takes every byte already queued behind it, logs the burst
// and hands it to its handler. When the handler says it still needs more bytes before it can
// do anything with them, the thread lets that many cross the line before it reads again: the
// line brings them one at a time, and waking for each would cost a thread switch a byte.
#pragma once

#include "common/ArrayTypes.h"
#include "common/ProgrammerConstants.h"
#include "platform/SyncEvent.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class ISerialPort;
class TLogManager;

class TAnisochronousCommReadThread {
public:
    // Largest number of bytes taken in one read.
    static constexpr std::uint32_t BufferSize = 65536;
    // Pause after a read that failed at once on an open port (device gone, line hung up), so
    // that the loop does not spin until the port is closed.
    static constexpr std::uint32_t FailedReadPauseMs = Programmer::FailedReadPauseMs;
    // How many bytes the handler still needs at least before the bytes it has make sense; 0
    // when it waits for nothing in particular. Asked on this thread after each delivery.
    using TBytesDueProc = std::function<std::uint32_t()>;

    // Starts the thread at once, delivering to Handler (which may also be installed later with
    // SetOnBytesReceived) and recording each burst into Log. Comm and Log must outlive the
    // thread (the owner stops the thread before it destroys the port).
    TAnisochronousCommReadThread(ISerialPort& Comm, TLogManager& Log, TBytesEvent Handler = {});
    // Stops and joins the thread.
    ~TAnisochronousCommReadThread();
    TAnisochronousCommReadThread(const TAnisochronousCommReadThread&) = delete;
    TAnisochronousCommReadThread& operator=(const TAnisochronousCommReadThread&) = delete;

    // Installs the handler that receives each burst on this thread (Sender = this object), and
    // what it still waits for. An empty handler makes the thread drop what it reads. Safe while
    // the thread runs.
    void SetOnBytesReceived(TBytesEvent Handler, TBytesDueProc BytesDue = {});

    // Requests termination, wakes the thread wherever it waits and joins it. Called by the
    // owner's thread; a second call does nothing.
    void Stop();

    // Reads that ended without a byte while the port stayed open (for diagnostics).
    std::uint64_t GetFailedReadCount() const { return FailedReads.load(); }

private:
    void Execute();
    void ReadBurst();
    // Hands the burst on; the bytes still due after it.
    std::uint32_t DeliverBurst();

    ISerialPort& Comm;
    TLogManager& Log;
    // Guards OnBytesReceived and BytesDue; held around each delivery.
    std::mutex Lock;
    TBytesEvent OnBytesReceived;
    TBytesDueProc BytesDue;
    // Used by the thread alone.
    std::array<std::uint8_t, BufferSize> Buffer{};
    std::uint32_t Count = 0;

    std::atomic<bool> Terminated{false};
    TEvent TerminateEvent{TEvent::TResetMode::Manual};
    std::atomic<std::uint64_t> FailedReads{0};
    std::thread Thread;
};
