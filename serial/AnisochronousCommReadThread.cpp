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
    Terminated = true;
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
        if (!Comm.IsOpen()) {
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
    }
}

void TAnisochronousCommReadThread::ReadBurst() {
    Count = Comm.ReadAvailable(Buffer.data(), BufferSize);
    if (Count == 0) {
        // Closed meanwhile (the next pass sleeps on the open event), interrupted, or failed on
        // an open port: then wait a little before trying again.
        if (!Terminated && Comm.IsOpen()) {
            ++FailedReads;
            TerminateEvent.Wait(FailedReadPauseMs);
        }
        return;
    }
    const std::uint32_t Due = DeliverBurst();
    if (Due > 0) {
        Comm.WaitWhileBytesCross(Due);
    }
}

std::uint32_t TAnisochronousCommReadThread::DeliverBurst() {
    std::lock_guard<std::mutex> Guard(Lock);
    if (!OnBytesReceived) {
        return 0;
    }
    const TByteArray Bytes(Buffer.begin(), Buffer.begin() + Count);
    Log.WriteBytes(Bytes, SReceivedFromCommPort);
    OnBytesReceived(this, Bytes);
    return BytesDue ? BytesDue() : 0;
}
