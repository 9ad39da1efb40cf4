#include "package/PackageExtractor.h"

#include "app/ResourseStrings.h"
#include "logging/LogManager.h"

#include <algorithm>
#include <exception>

namespace {

constexpr std::size_t InitialBufferLength = 100;

// The extractor thread has no caller to report to: a failure while handling one frame (a log
// write error, an exception of the handler) is logged if possible and the thread goes on.
void ReportFailure(const std::exception& Error) {
    try {
        LogMessage(Error.what());
    } catch (...) {
    }
}

} // namespace

TPackageExtractor::TPackageExtractor(std::uint8_t StartMarker, std::uint8_t EndMarker)
    : StartMarker(StartMarker), EndMarker(EndMarker),
      Unstuffer(std::make_unique<TReceiveStaffer>(StartMarker, EndMarker)),
      Buffer(InitialBufferLength) {
    Thread = std::thread(&TPackageExtractor::Execute, this);
}

TPackageExtractor::~TPackageExtractor() {
    Terminated = true;
    WakeUp.Set();
    Thread.join();
    try {
        LogMessage(SPackageExtractorDestroyed);
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
    }
    LogMessage(SPackageExtractorStarted);
    WakeUp.Set();
}

void TPackageExtractor::Execute() {
    while (!Terminated) {
        try {
            if (HasBytesToExamine()) {
                ExamineNextByte();
            } else {
                LogMessage(SPackageExtractorSuspended);
                // Auto-reset: a Set given after the check above is kept until this wait.
                WakeUp.Wait();
            }
        } catch (const std::exception& Error) {
            ReportFailure(Error);
        } catch (...) {
        }
    }
    try {
        LogMessage(SPackageExtractorBreak);
    } catch (...) {
    }
}

bool TPackageExtractor::HasBytesToExamine() {
    std::lock_guard<std::mutex> Guard(BufferLock);
    return ReadIndex < WriteIndex;
}

void TPackageExtractor::ExamineNextByte() {
    std::uint8_t Byte = 0;
    std::size_t Index = 0;
    {
        std::lock_guard<std::mutex> Guard(BufferLock);
        Index = ReadIndex;
        Byte = Buffer[ReadIndex];
    }
    switch (State) {
    case TScanState::Searching:
        // Bytes before a start marker are skipped.
        if (Byte == StartMarker) {
            State = TScanState::InFrame;
            StartIndex = Index;
        }
        AdvanceReadIndex();
        break;
    case TScanState::InFrame:
        // A start marker inside a frame is data.
        if (Byte == EndMarker) {
            State = TScanState::AfterEndMarker;
        }
        AdvanceReadIndex();
        break;
    case TScanState::AfterEndMarker:
        if (Byte == EndMarker) {
            // A doubled end marker is a data byte.
            State = TScanState::InFrame;
            AdvanceReadIndex();
        } else {
            // The byte after a single end marker ends the frame; it is examined again while
            // searching, so a start marker right here opens the next frame.
            EndFrame();
        }
        break;
    }
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
            ReadIndex = 0;
            WriteIndex = 0;
            Zeroed = true;
        } else {
            CompactBuffer();
        }
    }
    if (Zeroed) {
        LogMessage(SPackageExtractorIndexesZeroed);
        LogMessage("");
    }
    if (Deliver) {
        DeliverPackage(Frame);
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
    LogBytes(Package, SPackageReceived);
    OnPackageExtracted(this, Package);
}
