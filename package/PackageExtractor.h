// The background thread that collects the bytes read from the serial port and cuts whole
// frames (start marker, stuffed package, single end marker, one more byte) out of them. Each
// frame's package is unstuffed, logged and handed to OnPackageExtracted. A frame growing longer
// than the longest package can make is dropped, and the search for a start marker goes on from
// the byte after its own.
#pragma once

#include "common/ArrayTypes.h"
#include "package/ByteStaffing.h"
#include "platform/SyncEvent.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class TLogManager;

class TPackageExtractor {
public:
    // Starts the thread at once; with nothing received it sleeps until the first AddBytes.
    // Every package cut out, and whatever goes wrong on the thread, is recorded into Log.
    TPackageExtractor(std::uint8_t StartMarker, std::uint8_t EndMarker, TLogManager& Log);
    // Requests termination, wakes the thread and joins it before anything it uses goes.
    ~TPackageExtractor();
    TPackageExtractor(const TPackageExtractor&) = delete;
    TPackageExtractor& operator=(const TPackageExtractor&) = delete;

    // Appends received bytes and wakes the thread when they may complete a frame (or when much
    // has come since the last wake). Called on the serial read thread.
    void AddBytes(const TByteArray& Bytes);

    // Receives each package on the extractor thread; no lock of the extractor is held while it
    // runs. Assign it before the first AddBytes; an empty handler makes frames be dropped.
    TBytesEvent OnPackageExtracted;

    // The memory the receive buffer holds, in bytes; for diagnostics.
    std::size_t GetBufferCapacity() const;

private:
    enum class TScanState : std::uint8_t { Searching = 0, InFrame = 1, AfterEndMarker = 3 };

    void Execute();
    bool ShouldWake(const TByteArray& Bytes);
    bool HasBytesToExamine();
    void ExamineNextByte();
    void SearchStartMarker();
    void AdvanceReadIndex();
    void EndFrame();
    void DropFrame();
    void CompactBuffer();
    void EmptyBuffer();
    void DeliverPackage(const TByteArray& Frame);

    const std::uint8_t StartMarker;
    const std::uint8_t EndMarker;
    TLogManager& Log;
    std::unique_ptr<TReceiveStaffer> Unstuffer;

    // Guards Buffer and both indices: the serial read thread appends while this thread scans,
    // resets and compacts.
    mutable std::mutex BufferLock;
    TByteArray Buffer;
    std::size_t ReadIndex = 0;
    std::size_t WriteIndex = 0;
    // What AddBytes has seen since it last woke the thread (guarded by BufferLock too).
    bool AfterEndMarker = false;
    std::size_t BytesSinceWake = 0;

    // Touched only by the extractor thread.
    TScanState State = TScanState::Searching;
    std::size_t StartIndex = 0;
    std::size_t EndIndex = 0;

    TEvent WakeUp{TEvent::TResetMode::Auto};
    std::atomic<bool> Terminated{false};
    std::thread Thread;
};
