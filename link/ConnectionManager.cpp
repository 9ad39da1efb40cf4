#include "link/ConnectionManager.h"

#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "package/PackageComposer.h"
#include "package/PackageExtractor.h"
#include "serial/AnisochronousCommReadThread.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

TConnectionManager::TConnectionManager(const std::string& PortName,
                                       std::unique_ptr<ISerialPort> Port, TLogManager& Log)
    : TConnectionManager(Port ? std::move(Port) : MakeSerialPort(), Log) {
    // A port that cannot be opened is not an error here: the next command times out.
    OpenNamed(PortName);
}

TConnectionManager::TConnectionManager(std::unique_ptr<ISerialPort> SerialPort, TLogManager& Log)
    : Log(Log), Port(std::move(SerialPort)) {
    ReadThread = std::make_unique<TAnisochronousCommReadThread>(*Port, Log);

    Composer = std::make_unique<TPackageComposer>(StartMarker, EndMarker, Terminator);
    Composer->OnPackageComposed = [this](void* Sender, const TByteArray& Frame) {
        PackageComposed(Sender, Frame);
    };

    Extractor = std::make_unique<TPackageExtractor>(StartMarker, EndMarker, Log);
    Extractor->OnPackageExtracted = [this](void* Sender, const TByteArray& Package) {
        PackageExtracted(Sender, Package);
    };
    Extractor->TakeAtOnce = [this](const TByteArray& Package) {
        return TakeAwaitedPackage(Package);
    };

    // Installed last: until the extractor exists the read thread drops what it reads.
    ReadThread->SetOnBytesReceived(
        [this](void* Sender, const TByteArray& Bytes) { BytesReceived(Sender, Bytes); },
        [this] { return BytesWorthWaitingFor(); });
}

TConnectionManager::~TConnectionManager() {
    // Closing the port ends a read in progress; the read thread is then stopped and joined
    // before the extractor it feeds goes, and the extractor before the reply buffer and event
    // its handler touches.
    Port->Close();
    ReadThread->Stop();
    ReadThread.reset();
    Extractor.reset();
    Composer.reset();
    Port.reset();
}

TConnectionManager::TWaitEnd TConnectionManager::SendAndWait(const TByteArray& Package,
                                                             std::uint32_t TimeoutMs,
                                                             TByteArray& Reply,
                                                             const TReplyFilter& Judge) {
    using TClock = std::chrono::steady_clock;
    const TPortLoan Loan(*ReadThread);
    if (!RequestSent) {
        // Bytes still queued from before this run (a late answer to another program's request,
        // say) never reach the first request.
        RequestSent = true;
        Port->Purge();
    }
    ReceiveEarlierBytes();
    DropEarlierPackages();
    const auto Deadline = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    const TAwaitedReply Awaited(*this);
    Composer->Compose(Package);
    const std::uint8_t Command = CommandOf(Package);
    LookAtExpectedMoment(Command, Deadline);
    // A damaged package is held back while the line stays busy: the sound answer may follow.
    std::optional<TByteArray> Damaged;
    const auto Grace = std::chrono::milliseconds(DamagedReplyGraceMs);
    auto WaitUntil = Deadline;
    std::size_t BytesAtGraceStart = 0;
    TByteArray Candidate;
    for (;;) {
        const TWaitEnd Taken = TakePackage(WaitUntil, Candidate);
        if (Taken == TWaitEnd::Stopped) {
            return Taken;
        }
        if (Taken == TWaitEnd::TimedOut) {
            if (!Damaged) {
                return Taken;
            }
            const std::size_t Bytes = ReplyBytesSoFar();
            if (WaitUntil < Deadline && Bytes != BytesAtGraceStart) {
                BytesAtGraceStart = Bytes;
                WaitUntil = std::min(Deadline, TClock::now() + Grace);
                continue;
            }
            // A reply among noise teaches the pacing nothing.
            Reply = std::move(*Damaged);
            return TWaitEnd::Replied;
        }
        const TVerdict Verdict = Judge ? Judge(Candidate) : TVerdict::Answer;
        if (Verdict == TVerdict::Answer) {
            if (Damaged) {
                Log.WriteBytes(*Damaged, SDamagedPackagePassedOver);
            } else {
                NoteAnswered(Command);
            }
            Reply = std::move(Candidate);
            return TWaitEnd::Replied;
        }
        if (Verdict == TVerdict::Damaged && !Damaged) {
            Damaged = std::move(Candidate);
            BytesAtGraceStart = ReplyBytesSoFar();
            WaitUntil = std::min(Deadline, TClock::now() + Grace);
        }
    }
}

std::size_t TConnectionManager::ReplyBytesSoFar() const {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    return ReplyBytes;
}

// The byte that follows the package number.
std::uint8_t TConnectionManager::CommandOf(const TByteArray& Package) {
    return Package.size() > 1 ? Package[1] : 0;
}

void TConnectionManager::LookAtExpectedMoment(std::uint8_t Command,
                                              std::chrono::steady_clock::time_point Deadline) {
    std::chrono::steady_clock::time_point SentAt;
    std::size_t Sent = 0;
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        SentAt = RequestOnLineAt;
        Sent = RequestBytes;
    }
    const auto Look = Sent != 0 ? Pacing.FirstLook(Command, SentAt, Sent) : std::nullopt;
    if (!Look) {
        return;
    }
    const auto Until = std::min(*Look, Deadline);
    Port->PauseReading(std::chrono::duration_cast<std::chrono::microseconds>(
        Until - std::chrono::steady_clock::now()));
    ReceiveFromPort(0);
    Pacing.Looked(Command, WhatCame());
}

TReplyPacing::TFound TConnectionManager::WhatCame() const {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    if (!ReceivedPackages.empty()) {
        return TReplyPacing::TFound::Whole;
    }
    return ReplyBytes == 0 ? TReplyPacing::TFound::Nothing : TReplyPacing::TFound::Part;
}

void TConnectionManager::NoteAnswered(std::uint8_t Command) {
    std::size_t Bytes = 0;
    bool InParts = false;
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        Bytes = ReplyBytes;
        InParts = ReplyCameInParts;
    }
    Pacing.Answered(Command, Bytes, InParts);
}

TConnectionManager::TPortLoan::TPortLoan(TAnisochronousCommReadThread& Reader) : Reader(Reader) {
    Reader.BorrowPort();
}

TConnectionManager::TPortLoan::~TPortLoan() {
    Reader.ReturnPort();
}

void TConnectionManager::ReceiveEarlierBytes() {
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        TakingInEarlier = true;
    }
    while (ReceiveFromPort(0) > 0) {
    }
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        TakingInEarlier = false;
    }
    // Packages cut before the loan may still be on their way through the extractor thread:
    // they must be queued, and dropped below, before the request goes out.
    Extractor->WaitUntilDelivered();
}

std::uint32_t TConnectionManager::ReceiveFromPort(std::uint32_t TimeoutMs) {
    return ReadThread->ReadBorrowed(TimeoutMs).Count;
}

void TConnectionManager::SetReplyAwaited(bool Awaited) {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    ReplyAwaited = Awaited;
    RequestBytes = 0;
    ReplyBytes = 0;
    LineFasterThanItsSpeed = false;
    ReplyCameInParts = false;
}

void TConnectionManager::NoteRequestOnLine(std::size_t Bytes) {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    RequestOnLineAt = std::chrono::steady_clock::now();
    RequestBytes = Bytes;
    ReplyBytes = 0;
    LineFasterThanItsSpeed = false;
    ReplyCameInParts = false;
}

void TConnectionManager::NoteReplyInParts() {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    ReplyCameInParts = true;
}

void TConnectionManager::NoteReplyBytes(std::size_t Bytes) {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    if (!ReplyAwaited || RequestBytes == 0) {
        return;
    }
    ReplyBytes += Bytes;
    // At the line's speed the request crosses first, then the reply; a byte's time of leeway
    // for the clocks.
    const auto Earliest = RequestOnLineAt + Programmer::WireTime(RequestBytes + ReplyBytes - 1);
    if (std::chrono::steady_clock::now() < Earliest) {
        LineFasterThanItsSpeed = true;
    }
}

bool TConnectionManager::TakeAwaitedPackage(const TByteArray& Package) {
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        // A package taken in before the request goes out is stored to be dropped with the
        // others that came before it.
        if (!ReplyAwaited && !TakingInEarlier) {
            return false;
        }
        StorePackage(Package);
    }
    PackageArrived.notify_all();
    return true;
}

std::uint32_t TConnectionManager::BytesWorthWaitingFor() {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    if (!ReplyAwaited || RequestBytes == 0 || LineFasterThanItsSpeed || !ReceivedPackages.empty()) {
        return 0;
    }
    // One byte is waited for as it comes: the wait wakes when it is there, where a pause timed
    // in whole bytes could only end later.
    const std::size_t Due = Extractor->GetBytesStillDue();
    return Due > 1 ? static_cast<std::uint32_t>(std::min<std::size_t>(Due, MaxBytesWaitedFor)) : 0;
}

void TConnectionManager::DropEarlierPackages() {
    std::deque<TByteArray> Earlier;
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        Earlier.swap(ReceivedPackages);
    }
    // Whatever arrived before this request cannot be its answer.
    for (const TByteArray& Package : Earlier) {
        Log.WriteBytes(Package, SPackageBeforeRequestDropped);
    }
}

TConnectionManager::TWaitEnd
TConnectionManager::TakePackage(std::chrono::steady_clock::time_point Deadline,
                                TByteArray& Package) {
    // The wait is cut in slices when someone is to be asked between them.
    const bool Sliced = WhileWaiting || StopCheck;
    for (;;) {
        if (TakeStoredPackage(Package)) {
            return TWaitEnd::Replied;
        }
        const auto Now = std::chrono::steady_clock::now();
        if (Now >= Deadline) {
            return TWaitEnd::TimedOut;
        }
        const auto SliceEnd =
            Sliced ? std::min(Deadline, Now + std::chrono::milliseconds(WaitSliceMs)) : Deadline;
        if (ReceiveUntil(SliceEnd)) {
            continue;
        }
        if (WhileWaiting && std::chrono::steady_clock::now() < Deadline) {
            WhileWaiting();
        }
        if (IsStopAsked()) {
            return TWaitEnd::Stopped;
        }
    }
}

bool TConnectionManager::TakeStoredPackage(TByteArray& Package) {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    if (ReceivedPackages.empty()) {
        return false;
    }
    Package = std::move(ReceivedPackages.front());
    ReceivedPackages.pop_front();
    return true;
}

bool TConnectionManager::ReceiveUntil(std::chrono::steady_clock::time_point SliceEnd) {
    const auto Left = SliceEnd - std::chrono::steady_clock::now();
    const auto WaitMs =
        std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(Left).count());
    const auto Read = ReadThread->ReadBorrowed(static_cast<std::uint32_t>(WaitMs));
    if (Read.Count > 0) {
        // The reply's first bytes are in: let the rest cross the line rather than waking for
        // each byte.
        if (Read.Due > 0) {
            NoteReplyInParts();
            Port->PauseReading(Programmer::WireTime(Read.Due));
            ReceiveFromPort(0);
        }
        return true;
    }
    if (std::chrono::steady_clock::now() >= SliceEnd) {
        return false;
    }
    // The port gave nothing at once (closed or failed): whatever still comes is a package the
    // extractor thread hands over.
    std::unique_lock<std::mutex> Lock(ReplyLock);
    return PackageArrived.wait_until(Lock, SliceEnd, [this] { return !ReceivedPackages.empty(); });
}

std::string TConnectionManager::GetPortName() const {
    return Port->GetPortName();
}

TCommOpenResult TConnectionManager::SetPortName(const std::string& Name) {
    return OpenNamed(Name);
}

const TCommOpenResult& TConnectionManager::OpenNamed(const std::string& Name) {
    // Another port may lead to another board, whose answers are learnt anew.
    Pacing = TReplyPacing();
    LastOpenResult = Port->SetPortName(Name);
    if (!LastOpenResult.Text.empty()) {
        Log.WriteMessage(LastOpenResult.Text);
    }
    return LastOpenResult;
}

bool TConnectionManager::IsPortOpen() const {
    return Port->IsOpen();
}

std::uint64_t TConnectionManager::GetPackagesReceived() const {
    std::lock_guard<std::mutex> Guard(ReplyLock);
    return PackagesReceived;
}

bool TConnectionManager::WaitForPackagesReceived(std::uint64_t Count,
                                                 std::uint32_t TimeoutMs) const {
    std::unique_lock<std::mutex> Lock(ReplyLock);
    const auto Reached = [&] { return PackagesReceived >= Count; };
    if (TimeoutMs == INFINITE_WAIT) {
        PackageArrived.wait(Lock, Reached);
        return true;
    }
    return PackageArrived.wait_for(Lock, std::chrono::milliseconds(TimeoutMs), Reached);
}

std::uint64_t TConnectionManager::GetFailedReadCount() const {
    return ReadThread->GetFailedReadCount();
}

void TConnectionManager::BytesReceived(void* /*Sender*/, const TByteArray& Bytes) {
    NoteReplyBytes(Bytes.size());
    Extractor->AddBytes(Bytes);
}

void TConnectionManager::PackageComposed(void* /*Sender*/, const TByteArray& Frame) {
    Log.WriteBytes(Frame, SWrittenToCommPort);
    // A closed port or a failed write is only logged: no reply comes and the wait times out.
    const auto Count = static_cast<std::uint32_t>(Frame.size());
    NoteRequestOnLine(Frame.size());
    const std::uint32_t Sent = Port->Write(Frame.data(), Count);
    if (Sent < Count && Port->IsOpen()) {
        Log.WriteMessage(FormatText(SCommPortWriteIncomplete, Port->GetPortName().c_str(),
                                    static_cast<unsigned>(Sent), static_cast<unsigned>(Count)));
    }
}

void TConnectionManager::PackageExtracted(void* /*Sender*/, const TByteArray& Package) {
    {
        std::lock_guard<std::mutex> Guard(ReplyLock);
        StorePackage(Package);
    }
    PackageArrived.notify_all();
}

void TConnectionManager::StorePackage(const TByteArray& Package) {
    if (ReceivedPackages.size() == MaxQueuedPackages) {
        ReceivedPackages.pop_front();
    }
    ReceivedPackages.push_back(Package);
    ++PackagesReceived;
}
