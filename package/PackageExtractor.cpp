#include "package/PackageExtractor.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"

#include <algorithm>
#include <exception>

namespace {

constexpr std::size_t InitialBufferLength = 100;
// An emptied buffer holding more memory than this gives it back: a burst of noise or a long
// frame must not keep its memory for the life of the extractor.
constexpr std::size_t RetainedBufferCapacity = 4096;
// The longest frame a package can make: start marker, the longest package (a head and checksum
// of 7 bytes and 65535 data bytes) with every byte doubled, end marker, one more byte.
constexpr std::size_t MaxFrameLength = 2 * (7 + 65535) + 3;

// The extractor thread has no caller to report to: a failure while handling one frame (a log
// write error, an exception of the handler) is logged if possible and the thread goes on.
void ReportFailure(TLogManager& Log, const std::exception& Error) {
    try {
        Log.WriteMessage(Error.what());
    } catch (...) {
    }
}

} // namespace

TPackageExtractor::TPackageExtractor(std::uint8_t StartMarker, std::uint8_t EndMarker,
                                     TLogManager& Log)
    : StartMarker(StartMarker), EndMarker(EndMarker), Log(Log),
      Unstuffer(std::make_unique<TReceiveStaffer>(StartMarker, EndMarker)),
      Buffer(InitialBufferLength) {
    Thread = std::thread(&TPackageExtractor::Execute, this);
}

TPackageExtractor::~TPackageExtractor() {
    Terminated = true;
    WakeUp.Set();
    Thread.join();
    try {
        Log.WriteMessage(SPackageExtractorDestroyed);
    } catch (...) {
    }
}

void TPackageExtractor::AddBytes(const TByteArray& Bytes) {
    {
        std::lock_guard<std::mutex> Guard(BufferLock);
        const std::size_t Needed = WriteIndex + Bytes.size();
        const bool TooShort = Buffer.size() < Needed;
        // A buffer that grew beyond its initial length is cut back to what is needed.
        const bool TooLong =
            Bytes.size() < Buffer.size() - WriteIndex && Buffer.size() > InitialBufferLength;
        if (TooShort || TooLong) {
            Buffer.resize(Needed);
        }
        std::copy(Bytes.begin(), Bytes.end(), Buffer.begin() + WriteIndex);
        WriteIndex = Needed;
        if (!ShouldWake(Bytes)) {
            return;
        }
    }
    Log.WriteMessage(SPackageExtractorStarted);
    WakeUp.Set();
}

// A frame ends with a single end marker and one more byte, so bytes that hold no end marker and
// do not follow one cannot complete a frame: the thread sleeps on through them (a reply at a low
// baud rate comes in several pieces) until such a byte comes, or until enough has come that
// examining it would give memory back.
bool TPackageExtractor::ShouldWake(const TByteArray& Bytes) {
    const bool MayEndFrame =
        AfterEndMarker || std::find(Bytes.begin(), Bytes.end(), EndMarker) != Bytes.end();
    AfterEndMarker = !Bytes.empty() && Bytes.back() == EndMarker;
    BytesSinceWake += Bytes.size();
    if (!MayEndFrame && BytesSinceWake < RetainedBufferCapacity) {
        return false;
    }
    BytesSinceWake = 0;
    return true;
}

std::size_t TPackageExtractor::GetBufferCapacity() const {
    std::lock_guard<std::mutex> Guard(BufferLock);
    return Buffer.capacity();
}

void TPackageExtractor::Execute() {
    while (!Terminated) {
        try {
            if (HasBytesToExamine()) {
                ExamineNextByte();
            } else {
                Log.WriteMessage(SPackageExtractorSuspended);
                // Auto-reset: a Set given after the check above is kept until this wait.
                WakeUp.Wait();
            }
        } catch (const std::exception& Error) {
            ReportFailure(Log, Error);
        } catch (...) {
        }
    }
    try {
        Log.WriteMessage(SPackageExtractorBreak);
    } catch (...) {
    }
}

bool TPackageExtractor::HasBytesToExamine() {
    std::lock_guard<std::mutex> Guard(BufferLock);
    return ReadIndex < WriteIndex;
}

void TPackageExtractor::ExamineNextByte() {
    if (State == TScanState::Searching) {
        SearchStartMarker();
        return;
    }
    std::uint8_t Byte = 0;
    std::size_t Index = 0;
    {
        std::lock_guard<std::mutex> Guard(BufferLock);
        Index = ReadIndex;
        Byte = Buffer[ReadIndex];
    }
    if (Index - StartIndex + 1 > MaxFrameLength) {
        DropFrame();
    } else if (State == TScanState::InFrame) {
        // A start marker inside a frame is data.
        if (Byte == EndMarker) {
            State = TScanState::AfterEndMarker;
        }
        AdvanceReadIndex();
    } else if (Byte == EndMarker) {
        // A doubled end marker is a data byte.
        State = TScanState::InFrame;
        AdvanceReadIndex();
    } else {
        // The byte after a single end marker ends the frame; it is examined again while
        // searching, so a start marker right here opens the next frame.
        EndFrame();
    }
}

// Skips the bytes before the next start marker in one go and opens a frame at the marker. The
// bytes skipped are never needed again: without a marker, everything received has been
// examined and the buffer is emptied.
void TPackageExtractor::SearchStartMarker() {
    std::lock_guard<std::mutex> Guard(BufferLock);
    const auto End = Buffer.begin() + static_cast<std::ptrdiff_t>(WriteIndex);
    const auto Marker =
        std::find(Buffer.begin() + static_cast<std::ptrdiff_t>(ReadIndex), End, StartMarker);
    if (Marker == End) {
        EmptyBuffer();
        return;
    }
    State = TScanState::InFrame;
    StartIndex = static_cast<std::size_t>(Marker - Buffer.begin());
    ReadIndex = StartIndex + 1;
}

void TPackageExtractor::AdvanceReadIndex() {
    std::lock_guard<std::mutex> Guard(BufferLock);
    ++ReadIndex;
}

void TPackageExtractor::EndFrame() {
    State = TScanState::Searching;
    const bool Deliver = static_cast<bool>(OnPackageExtracted);
    TByteArray Frame;
    bool Zeroed = false;
    {
        // The frame's bytes are copied out before the reset or the compaction, under the lock
        // that AddBytes takes, so that no appended byte can overwrite them.
        std::lock_guard<std::mutex> Guard(BufferLock);
        EndIndex = ReadIndex;
        if (Deliver) {
            Frame.assign(Buffer.begin() + StartIndex + 1, Buffer.begin() + EndIndex - 1);
        }
        // When the byte after the end marker is the last one received, the buffer is emptied,
        // unless that byte opens the next frame: it is then kept for the next scan.
        if (ReadIndex + 1 >= WriteIndex && Buffer[ReadIndex] != StartMarker) {
            EmptyBuffer();
            Zeroed = true;
        } else {
            CompactBuffer();
        }
    }
    if (Zeroed) {
        Log.WriteMessage(SPackageExtractorIndexesZeroed);
        Log.WriteMessage("");
    }
    if (Deliver) {
        DeliverPackage(Frame);
    }
}

// A frame longer than any package makes is noise that happened to hold a start marker: it is
// dropped, and the search goes on from the byte after that marker, so that a frame starting
// inside the dropped bytes is still found.
void TPackageExtractor::DropFrame() {
    State = TScanState::Searching;
    std::lock_guard<std::mutex> Guard(BufferLock);
    ReadIndex = StartIndex + 1;
    CompactBuffer();
}

// Forgets every byte received and gives back the memory the buffer grew to beyond a small size.
// Called with BufferLock held.
void TPackageExtractor::EmptyBuffer() {
    ReadIndex = 0;
    WriteIndex = 0;
    if (Buffer.capacity() > RetainedBufferCapacity) {
        TByteArray(InitialBufferLength).swap(Buffer);
    }
}

// Moves the bytes not yet examined to the start of the buffer. Called with BufferLock held.
void TPackageExtractor::CompactBuffer() {
    std::copy(Buffer.begin() + ReadIndex, Buffer.begin() + WriteIndex, Buffer.begin());
    WriteIndex -= ReadIndex;
    ReadIndex = 0;
}

void TPackageExtractor::DeliverPackage(const TByteArray& Frame) {
    TByteArray Package;
    Unstuffer->Unstuff(Frame, Package);
    Log.WriteBytes(Package, SPackageReceived);
    OnPackageExtracted(this, Package);
}
