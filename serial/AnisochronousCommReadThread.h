// The background thread that reads everything the programmer sends: it waits for the port to
// be open, blocks for a first byte, takes every byte already queued behind it, logs the burst
// and hands it to its handler. When the handler says it still needs more bytes before it can
// do anything with them, the thread lets that many cross the line before it reads again: the
// line brings them one at a time, and waking for each would cost a thread switch a byte.
//
// A thread that sends requests and waits for their answers can borrow the port (BorrowPort) and
// read the answers itself, which saves a thread switch and a hand-off per exchange. The thread
// steps back at once and takes the port back only once it has been returned and not borrowed
// again for LoanGraceMs, so a run of exchanges costs the thread no wake-up per exchange.
#pragma once

#include "common/ArrayTypes.h"
#include "common/ProgrammerConstants.h"
#include "platform/SyncEvent.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
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

    // How long after the port is returned the thread leaves it alone, in case it is borrowed
    // again: the time between the exchanges of one operation is far shorter. While the port
    // is lent the thread looks once each LoanGrace whether it came back.
    static constexpr std::chrono::milliseconds LoanGrace{250};

    // Makes the thread step back from the port: returns once it no longer reads it (at once
    // when it was not reading). Until ReturnPort the caller alone reads the port, delivering
    // what it reads itself. One borrower at a time.
    void BorrowPort();
    // Ends the loan; the thread reads the port again after LoanGrace unless it is borrowed
    // again before.
    void ReturnPort();

    // What one read took in: the bytes read, and those the handler still needs after them.
    struct TBurst {
        std::uint32_t Count = 0;
        std::uint32_t Due = 0;
    };
    // For the borrower, while it holds the port: reads what the port has, waiting up to
    // TimeoutMs for a first byte, and logs and delivers it as the thread does.
    TBurst ReadBorrowed(std::uint32_t TimeoutMs);

    // Reads that ended without a byte while the port stayed open (for diagnostics).
    std::uint64_t GetFailedReadCount() const { return FailedReads.load(); }

private:
    void Execute();
    // Waits while the port is lent; then marks the thread as reading. False when terminated.
    bool TakeTurn();
    // The thread no longer reads: a borrower waiting for it may go on.
    void EndTurn();
    bool IsLent();
    void ReadBurst();
    // Reads, waiting up to TimeoutMs for a first byte, and hands on what came.
    TBurst ReadAndDeliver(std::uint32_t TimeoutMs);
    // Hands the burst on; the bytes still due after it.
    std::uint32_t DeliverBurst();

    ISerialPort& Comm;
    TLogManager& Log;
    // Guards OnBytesReceived and BytesDue; held around each delivery.
    std::mutex Lock;
    TBytesEvent OnBytesReceived;
    TBytesDueProc BytesDue;
    // Used by whoever reads the port: the thread, or a borrower while the port is lent.
    std::array<std::uint8_t, BufferSize> Buffer{};
    std::uint32_t Count = 0;
    // The burst handed on, kept so that its storage is reused.
    TByteArray Burst;

    // Guards the loan: whether the port is lent, borrowed right now, until when the loan lasts
    // once returned, and whether the thread is reading.
    using TClock = std::chrono::steady_clock;
    std::mutex LoanLock;
    std::condition_variable LoanEnds;
    std::condition_variable ReaderSteppedBack;
    bool Lent = false;
    bool Borrowed = false;
    TClock::time_point LentUntil;
    bool Reading = false;

    std::atomic<bool> Terminated{false};
    TEvent TerminateEvent{TEvent::TResetMode::Manual};
    std::atomic<std::uint64_t> FailedReads{0};
    std::thread Thread;
};
