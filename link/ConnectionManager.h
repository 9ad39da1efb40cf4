// One blocking request/reply exchange over the serial line: owns the port, the thread that reads
// it, the package composer and the package extractor thread, and wires them together.
//
// A request borrows the port from the read thread and reads its answer itself: it first takes
// in whatever came before it (never its answer), sends, sleeps until the answer's first bytes
// arrive, then lets the bytes the answer still lacks cross the line instead of waking for each
// byte: two wake-ups of the waiting thread. A board that answers at the line's pace is looked
// at once, when its answer must be whole (see TReplyPacing): one wake-up. The other threads
// wake for none: the read thread takes the port back once no request has borrowed it for a
// while, and the extractor thread hands on only the packages nobody waits for.
#pragma once

#include "common/ArrayTypes.h"
#include "common/ProgrammerConstants.h"
#include "link/ReplyPacing.h"
#include "platform/SyncEvent.h"
#include "serial/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class TAnisochronousCommReadThread;
class TPackageComposer;
class TPackageExtractor;
class TLogManager;

class TConnectionManager {
public:
    // What a filter makes of a received package.
    enum class TVerdict {
        Answer,   // the answer: the wait ends with it
        NoAnswer, // dropped (the filter logs why); the wait goes on
        // Damaged on the way: taken only when no sound answer follows it while the line stays
        // busy (noise that looked like a frame can come just before the answer).
        Damaged,
    };
    // Judges each received package for the request being waited for.
    using TReplyFilter = std::function<TVerdict(const TByteArray& Package)>;
    // Runs on the waiting thread, with no lock held, every WaitSliceMs while a reply is awaited:
    // lets a front end keep handling its input through a long time-out.
    using TWaitingProc = std::function<void()>;
    // Asked on the waiting thread after each slice of a wait: true ends the wait at once.
    using TStopCheck = std::function<bool()>;
    static constexpr std::uint32_t WaitSliceMs = Programmer::WaitSliceMs;
    // How long a damaged package is held back while a sound answer may still follow it, and
    // again as long as bytes keep coming (within the request's time-out).
    static constexpr std::uint32_t DamagedReplyGraceMs = Programmer::DamagedReplyGraceMs;

    // How a wait for a reply ended.
    enum class TWaitEnd { Replied, TimedOut, Stopped };

    static constexpr std::uint8_t StartMarker = Programmer::StartMarker;
    static constexpr std::uint8_t EndMarker = Programmer::EndMarker;
    static constexpr std::uint8_t Terminator = Programmer::Terminator;

    // Opens the platform's serial port (or Port, when given) under PortName (a port that cannot
    // be opened leaves the link closed, not failed, and says why in the log) and starts the
    // read thread and the
    // extractor thread. Everything sent, received and concluded is recorded into Log.
    TConnectionManager(const std::string& PortName, std::unique_ptr<ISerialPort> Port,
                       TLogManager& Log);
    // Works over SerialPort, a port made elsewhere (not null), as it is: open or closed, under
    // the name it has. Starts the read thread and the extractor thread.
    TConnectionManager(std::unique_ptr<ISerialPort> SerialPort, TLogManager& Log);
    // Closes the port, then stops and joins both threads before anything they use goes.
    ~TConnectionManager();
    TConnectionManager(const TConnectionManager&) = delete;
    TConnectionManager& operator=(const TConnectionManager&) = delete;

    // Frames and sends Package, then waits up to TimeoutMs for the next package the extractor
    // cuts out of the received bytes that Judge takes for the answer (every package when Judge
    // is empty). Replied with a copy of it in Reply: a sound answer, or else the first damaged
    // one. TimedOut when none came in time, Stopped when the stop check asked to end the wait
    // first; Reply is then untouched. A package received before this call is never taken for
    // the answer. Exceptions of the composer, the log, the port and the filter pass through.
    TWaitEnd SendAndWait(const TByteArray& Package, std::uint32_t TimeoutMs, TByteArray& Reply,
                         const TReplyFilter& Judge = {});

    // Proc runs while SendAndWait waits (see TWaitingProc); empty: the wait only sleeps. Proc
    // must not send a request of its own.
    void SetWhileWaiting(TWaitingProc Proc) { WhileWaiting = std::move(Proc); }
    // Check is asked after every slice of a wait, after the waiting proc (see TStopCheck);
    // empty: a wait ends only with an answer or its time-out.
    void SetStopCheck(TStopCheck Check) { StopCheck = std::move(Check); }
    // True when the stop check asks to end the operation.
    bool IsStopAsked() const { return StopCheck && StopCheck(); }

    std::string GetPortName() const;
    // Closes the port, takes Name and opens it; the result says whether it opened, and why not.
    TCommOpenResult SetPortName(const std::string& Name);
    bool IsPortOpen() const;
    // What the last attempt to open the port gave, at construction or by SetPortName: kept
    // here from the port's answer. Opened when none was made (a port taken as it is).
    const TCommOpenResult& GetLastOpenResult() const { return LastOpenResult; }

    // Packages delivered by the extractor since construction, and a wait for that count to
    // reach Count (false when TimeoutMs passed first). For diagnostics and measurements.
    std::uint64_t GetPackagesReceived() const;
    bool WaitForPackagesReceived(std::uint64_t Count, std::uint32_t TimeoutMs) const;
    // Reads that failed at once on an open port (a device that hung up), from the read thread.
    std::uint64_t GetFailedReadCount() const;

private:
    // The read thread's handler: hands received bytes to the extractor.
    void BytesReceived(void* Sender, const TByteArray& Bytes);
    // The composer's handler: logs the frame and writes it to the port.
    void PackageComposed(void* Sender, const TByteArray& Frame);
    // The extractor's handler: queues the package for the waiter and signals it.
    void PackageExtracted(void* Sender, const TByteArray& Package);
    // Queues Package for the waiter; ReplyLock held.
    void StorePackage(const TByteArray& Package);
    // Forgets, with a log record each, the packages that came before the request now sent.
    void DropEarlierPackages();
    // Borrows the port from the read thread for as long as it lives.
    class TPortLoan {
    public:
        explicit TPortLoan(TAnisochronousCommReadThread& Reader);
        ~TPortLoan();
        TPortLoan(const TPortLoan&) = delete;
        TPortLoan& operator=(const TPortLoan&) = delete;

    private:
        TAnisochronousCommReadThread& Reader;
    };
    // Takes in what the port holds before a request goes out, for DropEarlierPackages.
    void ReceiveEarlierBytes();
    // Reads what the borrowed port has, waiting up to TimeoutMs for a first byte, and hands it
    // on as the read thread does; the number of bytes read.
    std::uint32_t ReceiveFromPort(std::uint32_t TimeoutMs);
    // Receives until a package is stored or SliceEnd passes; false when the slice passed
    // without a package.
    bool ReceiveUntil(std::chrono::steady_clock::time_point SliceEnd);
    static std::uint8_t CommandOf(const TByteArray& Package);
    // When the board's answers to Command come at a moment known in advance (see
    // TReplyPacing), sleeps until then (at most until Deadline) and takes in what came.
    void LookAtExpectedMoment(std::uint8_t Command, std::chrono::steady_clock::time_point Deadline);
    // What the look found of the answer.
    TReplyPacing::TFound WhatCame() const;
    // Teaches the pacing how Command's answer came.
    void NoteAnswered(std::uint8_t Command);
    // The answer awaited came in parts at the line's pace.
    void NoteReplyInParts();
    // Takes the oldest stored package; false when none is.
    bool TakeStoredPackage(TByteArray& Package);
    // Whether a request waits for its answer: set by SendAndWait for the time it waits.
    void SetReplyAwaited(bool Awaited);
    class TAwaitedReply {
    public:
        explicit TAwaitedReply(TConnectionManager& Link) : Link(Link) {
            Link.SetReplyAwaited(true);
        }
        ~TAwaitedReply() { Link.SetReplyAwaited(false); }
        TAwaitedReply(const TAwaitedReply&) = delete;
        TAwaitedReply& operator=(const TAwaitedReply&) = delete;

    private:
        TConnectionManager& Link;
    };
    // The frame of Bytes bytes goes on the line now: the earliest moment its answer can come.
    void NoteRequestOnLine(std::size_t Bytes);
    // On the thread reading the port (the read thread, or a request that borrowed it): Bytes
    // more bytes came while the answer is awaited.
    void NoteReplyBytes(std::size_t Bytes);
    // On the thread reading the port: stores Package for the waiting request, or to be dropped
    // when it came before the request; false when neither is the case.
    bool TakeAwaitedPackage(const TByteArray& Package);
    // On the thread reading the port: how many bytes the reply in progress still lacks, when
    // the line has kept to its speed (a faster line, such as a pseudo-terminal at full speed, is
    // read as its bytes come) and more than one is missing; 0 while no request waits.
    std::uint32_t BytesWorthWaitingFor();
    // Takes the oldest queued package, receiving until one comes or Deadline: Replied when one
    // came, TimedOut at Deadline, Stopped when the stop check asked to end the wait.
    TWaitEnd TakePackage(std::chrono::steady_clock::time_point Deadline, TByteArray& Package);
    // Bytes received since the request went on the line.
    std::size_t ReplyBytesSoFar() const;

    // Opens the port under Name and keeps the result; when it does not open, the log says why.
    const TCommOpenResult& OpenNamed(const std::string& Name);

    TLogManager& Log;
    std::unique_ptr<ISerialPort> Port;
    std::unique_ptr<TAnisochronousCommReadThread> ReadThread;
    std::unique_ptr<TPackageComposer> Composer;
    std::unique_ptr<TPackageExtractor> Extractor;
    TWaitingProc WhileWaiting;
    TStopCheck StopCheck;
    // Set and read by the operation thread only.
    TCommOpenResult LastOpenResult;
    // How the board's answers come, learnt by the operation thread.
    TReplyPacing Pacing;
    // True once the first request went out (set by the operation thread only).
    bool RequestSent = false;

    // Packages the extractor delivered and nobody has taken yet, oldest first. A board that
    // sends more than it is asked for cannot grow the queue beyond MaxQueuedPackages: the
    // oldest go first. Emptied when a request is sent.
    static constexpr std::size_t MaxQueuedPackages = 64;

    // The most bytes the reader of the port lets cross the line at once: a reply to a page
    // request. A damaged length field cannot hold back a reply for long.
    static constexpr std::uint32_t MaxBytesWaitedFor = Programmer::PageLength + 16;

    // Guards the fields below: the read thread or the extractor thread stores while the waiting
    // thread takes.
    mutable std::mutex ReplyLock;
    mutable std::condition_variable PackageArrived;
    std::deque<TByteArray> ReceivedPackages;
    std::uint64_t PackagesReceived = 0;
    // The request being answered: whether one waits, when its frame went on the line and how
    // long it was, the bytes received since, and whether they came faster than the line's speed.
    bool ReplyAwaited = false;
    // Set while the bytes that came before a request are taken in: their packages are stored,
    // then dropped with the others before the request goes out.
    bool TakingInEarlier = false;
    std::chrono::steady_clock::time_point RequestOnLineAt;
    std::size_t RequestBytes = 0;
    std::size_t ReplyBytes = 0;
    bool LineFasterThanItsSpeed = false;
    bool ReplyCameInParts = false;
};
