// A stand-in for the programmer board on a pseudo-terminal: it serves a TProgrammerBoard (page
// buffer, flash chip, the board's own faults) on the line, and can misbehave there on purpose
// (silence, noise, replies in pieces, late replies, hang-up) for tests. Tests start it
// in-process; the velmora-sim executable wraps it for development and benchmarks.
#pragma once

#include "common/ArrayTypes.h"
#include "platform/SyncEvent.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatorWire.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The board's options and the line's. The board part goes to TProgrammerBoard.
struct TSimulatorOptions : TBoardOptions {
    // Not 0: every request and reply takes its wire time at this rate (10 bits per byte).
    std::uint32_t BaudRate = 0;
    // Keep every request and reply for GetRequests and GetReplies. Off, those stay empty and
    // only the counters grow: a simulator serving a whole chip after another would otherwise
    // hold megabytes per operation for as long as it lives.
    bool RecordTraffic = false;

    // Faults.
    bool NeverAnswer = false;   // receive, never reply
    std::size_t NoiseBytes = 0; // bytes (never a start marker) sent before each reply
    // Not 0: a damaged frame of this many bytes (a start marker, noise, an end marker and one
    // more noise byte) goes out in the same write just before each reply, as noise that looks
    // like a frame. At least 4.
    std::size_t BrokenFrameBytes = 0;
    std::size_t ReplyPieceSize = 0;    // not 0: replies are written in pieces of this size
    std::uint32_t ReplyPieceGapMs = 2; // pause between two pieces
    std::uint32_t ReplyDelayMs = 0;    // pause between a request's arrival and its reply
    // The replies to these frames (numbered from 1) come late: held back until the next frame
    // has arrived and sent just before its reply, as from a board that answered after the
    // program had given up waiting.
    std::set<std::size_t> LateFrames;
    std::optional<std::size_t> StopAfter; // frames after the first N are received, not answered
    // After N answered frames the next frame makes the simulator close its side of the
    // pseudo-terminal (the board is unplugged) and stop serving.
    std::optional<std::size_t> HangUpAfter;

    // Called on the serving thread with one line per request and reply (diagnostics). It may
    // be called while the simulator holds its state lock: it must not call the simulator.
    std::function<void(const std::string& Line)> OnTrace;
};

struct TSimulatorCounters {
    std::size_t FramesReceived = 0;    // request frames cut out of the received bytes
    std::size_t MalformedRequests = 0; // answered with the connection error code
    std::size_t UnknownCommands = 0;
    std::size_t RepliesSent = 0;
    std::size_t BytesOutsideFrames = 0; // received bytes skipped while searching for a frame
    std::size_t PiecesWritten = 0;      // reply writes (one per reply unless cut in pieces)
};

class TProgrammerSimulator {
public:
    explicit TProgrammerSimulator(TSimulatorOptions Options = {});
    ~TProgrammerSimulator();
    TProgrammerSimulator(const TProgrammerSimulator&) = delete;
    TProgrammerSimulator& operator=(const TProgrammerSimulator&) = delete;

    // Opens the pseudo-terminal, loads the chip file and starts serving. Returns the path of
    // the terminal side the program opens. Raises ESimulatorError. A simulator starts once;
    // make a new one to serve again.
    std::string Start();
    // Ends serving at once and joins the serving thread. Safe to call repeatedly.
    void Stop();
    const std::string& GetPortPath() const { return PortPath; }
    // True while the serving thread runs (false after Stop or a hang-up).
    bool IsServing() const;
    bool HasHungUp() const;

    // With RecordTraffic, requests are recorded as soon as their frame is complete and replies
    // once written; without it both stay empty. A request counts as handled once its reply has
    // been written completely or the simulator decided not to answer.
    std::vector<TSimulatorRequest> GetRequests() const;
    // Request frames received so far, recorded or not.
    std::size_t GetRequestCount() const;
    std::vector<TSimulatorReply> GetReplies() const;
    // Waits until Count requests in all have been handled; false on time-out, or when serving
    // ended before that.
    bool WaitForHandledRequests(std::size_t Count, std::uint32_t TimeoutMs = INFINITE_WAIT) const;
    TSimulatorCounters GetCounters() const;

    // The board's chip and buffer; see TProgrammerBoard.
    TByteArray GetPage(std::uint16_t PageNumber) const;
    void SetPage(std::uint16_t PageNumber, const TByteArray& Data);
    TByteArray GetBuffer() const;
    void SetBuffer(const TByteArray& Data, std::uint16_t PageNumber);
    std::uint16_t GetBufferPageNumber() const;

private:
    using TClock = std::chrono::steady_clock;

    void OpenTerminal();
    void CloseAll();
    void Serve();
    // Returns false when serving has to end.
    bool ReceiveBytes(const std::uint8_t* Bytes, std::size_t Count);
    // Returns false when serving has to end.
    bool HandleFrame(const TSimReceivedFrame& Frame, TClock::time_point Arrived);
    TSimulatorReply Answer(const TSimulatorRequest& Request);
    bool TransmitReply(const TByteArray& Wire, TClock::time_point LineStart);
    bool WriteAll(const std::uint8_t* Bytes, std::size_t Count);
    // Sleeps until Deadline; false when Stop interrupted the wait.
    bool WaitUntil(TClock::time_point Deadline);
    TByteArray MakeNoise(std::size_t Count);
    // Count bytes that the program cuts out as one frame whose package is damaged.
    TByteArray MakeBrokenFrame(std::size_t Count);
    void HangUp();
    void MarkHandled();
    // Time that Bytes bytes take on the wire at the paced rate.
    TClock::duration WireTime(std::size_t Bytes) const;
    void Trace(const std::string& Line) const;

    const TSimulatorOptions Options;
    std::string PortPath;
    int MasterFd = -1;
    int KeeperFd = -1; // the simulator's own handle on the terminal side, see OpenTerminal
    int WakeReadFd = -1;
    int WakeWriteFd = -1;
    std::thread Server;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Serving{false};
    std::atomic<bool> HungUp{false};

    // Touched by the serving thread only.
    TSimFrameCutter Cutter;
    TClock::time_point ReceiveBurstStart{}; // paced: when the current received burst began
    std::size_t ReceiveBurstBytes = 0;
    std::uint32_t NoiseSeed = 0x2545F491u;
    std::vector<TByteArray> HeldReplies; // wire bytes of late replies not yet sent

    // Guards everything below; never held while waiting or writing to the terminal.
    mutable std::mutex StateLock;
    mutable std::condition_variable HandledChanged;
    TProgrammerBoard Board;
    std::vector<TSimulatorRequest> Requests;
    std::vector<TSimulatorReply> Replies;
    TSimulatorCounters Counters;
    std::size_t HandledCount = 0;
};
