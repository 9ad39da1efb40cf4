#include "serial/AnisochronousCommReadThread.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "serial/SerialPort.h"

#include <algorithm>
#include <exception>
#include <utility>

TAnisochronousCommReadThread::TAnisochronousCommReadThread(ISerialPort& Comm, TLogManager& Log,
                                                           TBytesEvent Handler)
    : Comm(Comm), Log(Log), OnBytesReceived(std::move(Handler)) {
    Thread = std::thread([this] { Execute(); });
}

TAnisochronousCommReadThread::~TAnisochronousCommReadThread() {
    Stop();
}

void TAnisochronousCommReadThread::SetOnBytesReceived(TBytesEvent Handler,
                                                      TBytesDueProc BytesDueProc) {
    std::lock_guard<std::mutex> Guard(Lock);
    OnBytesReceived = std::move(Handler);
    BytesDue = std::move(BytesDueProc);
}

void TAnisochronousCommReadThread::Stop() {
    if (!Thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> Guard(LoanLock);
        Terminated = true;
    }
    LoanEnds.notify_all();
    TerminateEvent.Set();
    Comm.InterruptReader();
    Thread.join();
    Comm.EndReaderInterrupt();
}

void TAnisochronousCommReadThread::Execute() {
    while (!Terminated) {
        Comm.WaitUntilOpen(INFINITE_WAIT);
        if (Terminated) {
            break;
        }
        if (!Comm.IsOpen() || !TakeTurn()) {
            continue;
        }
        try {
            ReadBurst();
        } catch (const std::exception& Error) {
            // A failing handler or log must not end reading.
            try {
                Log.WriteMessage(FormatText(SCommReadThreadError, Error.what()));
            } catch (...) {
            }
        } catch (...) {
        }
        EndTurn();
    }
}

bool TAnisochronousCommReadThread::TakeTurn() {
    std::unique_lock<std::mutex> Guard(LoanLock);
    while (Lent && !Terminated) {
        const auto Now = TClock::now();
        if (!Borrowed && Now >= LentUntil) {
            Lent = false;
            break;
        }
        // A borrower returns the port without waking this thread: it looks again when the
        // loan would have ended, and again each LoanGrace while the port stays borrowed.
        LoanEnds.wait_until(Guard, Borrowed ? Now + LoanGrace : LentUntil);
    }
    Reading = !Terminated;
    return Reading;
}

void TAnisochronousCommReadThread::EndTurn() {
    {
        std::lock_guard<std::mutex> Guard(LoanLock);
        Reading = false;
        if (!Lent) {
            return;
        }
    }
    ReaderSteppedBack.notify_all();
}

bool TAnisochronousCommReadThread::IsLent() {
    std::lock_guard<std::mutex> Guard(LoanLock);
    return Lent;
}

void TAnisochronousCommReadThread::BorrowPort() {
    std::unique_lock<std::mutex> Guard(LoanLock);
    Lent = true;
    Borrowed = true;
    if (!Reading) {
        return;
    }
    Guard.unlock();
    // Ends the thread's wait for bytes (or for them to cross the line) at once.
    Comm.InterruptReader();
    Guard.lock();
    ReaderSteppedBack.wait(Guard, [this] { return !Reading; });
    Guard.unlock();
    Comm.EndReaderInterrupt();
}

void TAnisochronousCommReadThread::ReturnPort() {
    std::lock_guard<std::mutex> Guard(LoanLock);
    Borrowed = false;
    LentUntil = TClock::now() + LoanGrace;
}

TAnisochronousCommReadThread::TBurst
TAnisochronousCommReadThread::ReadBorrowed(std::uint32_t TimeoutMs) {
    return ReadAndDeliver(TimeoutMs);
}

TAnisochronousCommReadThread::TBurst
TAnisochronousCommReadThread::ReadAndDeliver(std::uint32_t TimeoutMs) {
    Count = Comm.ReadAvailable(Buffer.data(), BufferSize, TimeoutMs);
    return {Count, Count > 0 ? DeliverBurst() : 0};
}

void TAnisochronousCommReadThread::ReadBurst() {
    const TBurst Read = ReadAndDeliver(INFINITE_WAIT);
    if (Read.Count == 0) {
        // Closed meanwhile (the next pass sleeps on the open event), interrupted (stopped or
        // borrowed), or failed on an open port: then wait a little before trying again.
        if (!Terminated && Comm.IsOpen() && !IsLent()) {
            ++FailedReads;
            TerminateEvent.Wait(FailedReadPauseMs);
        }
        return;
    }
    if (Read.Due > 0) {
        Comm.PauseReading(Programmer::WireTime(Read.Due));
    }
}

std::uint32_t TAnisochronousCommReadThread::DeliverBurst() {
    std::lock_guard<std::mutex> Guard(Lock);
    if (!OnBytesReceived) {
        return 0;
    }
    Burst.assign(Buffer.begin(), Buffer.begin() + Count);
    Log.WriteBytes(Burst, SReceivedFromCommPort);
    OnBytesReceived(this, Burst);
    return BytesDue ? BytesDue() : 0;
}
