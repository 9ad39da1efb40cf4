// Cuts whole frames (start marker, stuffed package, single end marker, one more byte) out of the
// bytes read from the serial port and hands their packages to OnPackageExtracted on a thread of
// its own. The frames are cut on the thread that adds the bytes, burst by burst, each byte looked
// at once (see TFrameScanner), and each package is logged there; only complete packages go over
// to the extractor's thread, which hands them on.
//
// A package that someone is waiting for can skip the thread: TakeAtOnce, when installed, is
// offered each package on the adding thread first, so that a request reading its own answer
// takes it there, with no thread switch in between.
#pragma once

#include "common/ArrayTypes.h"
#include "package/FrameScanner.h"
#include "platform/SyncEvent.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TLogManager;

class TPackageExtractor {
public:
    // Starts the thread at once; with nothing received it sleeps until a package is cut out.
    // Every package cut out, and whatever goes wrong on the thread, is recorded into Log.
    TPackageExtractor(std::uint8_t StartMarker, std::uint8_t EndMarker, TLogManager& Log);
    // Requests termination, wakes the thread and joins it before anything it uses goes.
    ~TPackageExtractor();
    TPackageExtractor(const TPackageExtractor&) = delete;
    TPackageExtractor& operator=(const TPackageExtractor&) = delete;

    // Cuts the frames that Bytes complete and wakes the thread when a package is ready. Called
    // on one thread at a time (the serial read thread, or a request that borrowed the port),
    // each handing over to the next under a lock.
    void AddBytes(const TByteArray& Bytes);
    // Returns once every package queued for the thread has been handed on (at once when none
    // is). Not on the extractor thread.
    void WaitUntilDelivered();

    // Receives each package on the extractor thread; no lock of the extractor is held while it
    // runs. Assign it before the first AddBytes; an empty handler makes frames be dropped.
    TBytesEvent OnPackageExtracted;
    // Offered each package on the thread that adds the bytes, while no earlier package waits
    // for the extractor thread (so packages keep their order): true when it took the package,
    // which then goes no further. Runs under no lock of the extractor; must be quick. Assign it
    // before the first AddBytes; empty: every package goes to the extractor thread.
    std::function<bool(const TByteArray& Package)> TakeAtOnce;

    // The memory the frame in progress holds, in bytes; for diagnostics.
    std::size_t GetBufferCapacity() const { return BufferCapacity; }
    // The fewest bytes still to come before the frame in progress can end (see
    // TFrameScanner::GetBytesStillDue). On the thread that adds the bytes only.
    std::size_t GetBytesStillDue() const { return Scanner.GetBytesStillDue(); }

private:
    void Execute();
    // A package just cut out: logged, then taken at once or queued for the thread.
    void PackageCut(TByteArray&& Package);
    // The packages cut out and not yet handed on; empty when none.
    std::deque<TByteArray> TakeReady();
    void DeliverPackage(const TByteArray& Package);

    TLogManager& Log;
    // Used only by the thread that adds bytes.
    TFrameScanner Scanner;
    TFrameScanner::TSink Sink;
    std::atomic<std::size_t> BufferCapacity{0};

    std::mutex ReadyLock;
    std::condition_variable AllDelivered;
    std::deque<TByteArray> Ready;
    // Packages queued for the thread and not yet handed on (taken out of Ready or not).
    std::atomic<std::size_t> Undelivered{0};

    TEvent WakeUp{TEvent::TResetMode::Auto};
    std::atomic<bool> Terminated{false};
    std::thread Thread;
};
