// A stand-in for the programmer board on a pseudo-terminal: it answers the program's requests
// from a simulated 528-byte page buffer and a 4096-page flash chip, and can misbehave on
// purpose (silence, error codes, noise, cut or late replies, hang-up) for tests. Tests start it
// in-process; the velmora-sim executable wraps it for development and benchmarks.
#pragma once

#include "app/Exception.h"
#include "image/ArrayTypes.h"
#include "platform/SyncEvent.h"
#include "simulator/SimulatorWire.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

inline constexpr std::size_t SimPageLength = 528;
inline constexpr std::size_t SimChipPageCount = 4096;
inline constexpr std::uint16_t SimUnknownPageNumber = 0xFFFF;

// Command codes the programmer understands.
enum : std::uint8_t {
    SimCmdTransfer = 0x10,
    SimCmdWrite = 0x20,
    SimCmdRead = 0x30,
    SimCmdCompare = 0x40,
    SimCmdErase = 0x50,
    SimCmdRequest = 0x60,
    SimCmdInitialize = 0xF0,
};

// Reply codes beyond "command + 1" (the success code of the page commands).
enum : std::uint8_t {
    SimReplyConnectionError = 0x02,
    SimReplyPageData = 0x65,
    SimReplyCompareDifferent = 0x44,
    SimReplyIdentification = 0xF6,
    // Added to a command's high nibble for a refused command (unknown command, page number
    // beyond the chip, transfer of other than one page of data).
    SimReplyOperationErrorNibble = 0x03,
};

class ESimulatorError : public Exception {
public:
    using Exception::Exception;
};

struct TSimulatorOptions {
    // File that keeps the chip between runs: loaded at Start when it exists (it must hold
    // exactly one chip image), created erased otherwise; every changed page is written to it
    // at once. Empty: the chip lives in memory only.
    std::string ChipFile;
    // Text of the answer to the initialise command.
    std::string IdentificationText = "Velmora simulator 1.0";
    // Not 0: every request and reply takes its wire time at this rate (10 bits per byte).
    std::uint32_t BaudRate = 0;

    // Faults.
    bool NeverAnswer = false;                           // receive and record, never reply
    std::map<std::uint8_t, std::uint8_t> ForcedReplies; // command -> reply code, not carried out
    std::set<std::uint16_t> UnknownPages; // request replies for these buffer pages carry 0xFFFF
    std::size_t NoiseBytes = 0;           // bytes (never a start marker) sent before each reply
    std::size_t ReplyPieceSize = 0;       // not 0: replies are written in pieces of this size
    std::uint32_t ReplyPieceGapMs = 2;    // pause between two pieces
    std::uint32_t ReplyDelayMs = 0;       // pause between a request's arrival and its reply
    // The replies to these frames (numbered from 1) come late: held back until the next frame
    // has arrived and sent just before its reply, as from a board that answered after the
    // program had given up waiting.
    std::set<std::size_t> LateFrames;
    bool EchoNumbers = true; // false: replies carry the board's own running number instead
    // Not 0: every N-th reply package has one bit flipped before it is framed, as a reply
    // damaged on the line (its checksum no longer agrees).
    std::size_t DamageEvery = 0;
    std::optional<std::size_t> StopAfter; // frames after the first N are recorded, not answered
    // Every reply package is cut to its first N bytes before it is framed (N below 7 makes a
    // reply too short to be a package).
    std::optional<std::size_t> CutRepliesTo;
    // After N answered frames the next frame makes the simulator close its side of the
    // pseudo-terminal (the board is unplugged) and stop serving.
    std::optional<std::size_t> HangUpAfter;

    // Called on the serving thread with one line per request and reply (diagnostics). It may
    // be called while the simulator holds its state lock: it must not call the simulator.
    std::function<void(const std::string& Line)> OnTrace;
};

// One request frame as received.
struct TSimulatorRequest {
    TByteArray Frame;   // raw bytes, start marker to terminator
    TByteArray Package; // unstuffed package
    bool StuffingValid = true;
    bool LengthValid = false;   // at least a package head and checksum, data length field agrees
    bool CheckSumValid = false; // checksum byte agrees with the package
    std::uint8_t Number = 0;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
    std::uint16_t DataLength = 0;
    TByteArray Data;
    std::uint8_t CheckSum = 0;

    bool IsWellFormed() const { return StuffingValid && LengthValid && CheckSumValid; }
};

// One reply as sent (without noise).
struct TSimulatorReply {
    TByteArray Package;
    TByteArray Frame;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
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

    // Requests are recorded as soon as their frame is complete; a request counts as handled
    // once its reply has been written completely or the simulator decided not to answer.
    std::vector<TSimulatorRequest> GetRequests() const;
    std::size_t GetRequestCount() const;
    std::vector<TSimulatorReply> GetReplies() const;
    // Waits until Count requests in all have been handled; false on time-out, or when serving
    // ended before that.
    bool WaitForHandledRequests(std::size_t Count, std::uint32_t TimeoutMs = INFINITE_WAIT) const;
    TSimulatorCounters GetCounters() const;

    TByteArray GetPage(std::uint16_t PageNumber) const;
    // Data shorter than a page is padded with 0xFF. Raises ESimulatorError for a page beyond
    // the chip. Written through to the chip file.
    void SetPage(std::uint16_t PageNumber, const TByteArray& Data);
    TByteArray GetBuffer() const;
    void SetBuffer(const TByteArray& Data, std::uint16_t PageNumber);
    // Page number of the page last read or transferred into the buffer (0xFFFF at start).
    std::uint16_t GetBufferPageNumber() const;

private:
    using TClock = std::chrono::steady_clock;

    void OpenTerminal();
    void OpenChipFile();
    void CloseAll();
    void Serve();
    // Returns false when serving has to end.
    bool ReceiveBytes(const std::uint8_t* Bytes, std::size_t Count);
    // Returns false when serving has to end.
    bool HandleFrame(const TSimReceivedFrame& Frame, TClock::time_point Arrived);
    TSimulatorRequest ParseRequest(const TSimReceivedFrame& Frame) const;
    TSimulatorReply Answer(const TSimulatorRequest& Request);
    TSimulatorReply MakeReply(const TSimulatorRequest& Request, std::uint8_t Code,
                              std::uint16_t PageNumber, const TByteArray& Data = {});
    bool TransmitReply(const TByteArray& Wire, TClock::time_point LineStart);
    bool WriteAll(const std::uint8_t* Bytes, std::size_t Count);
    // Sleeps until Deadline; false when Stop interrupted the wait.
    bool WaitUntil(TClock::time_point Deadline);
    TByteArray MakeNoise(std::size_t Count);
    void HangUp();
    void MarkHandled();
    void StorePage(std::uint16_t PageNumber, const std::uint8_t* Data);
    // Time that Bytes bytes take on the wire at the paced rate.
    TClock::duration WireTime(std::size_t Bytes) const;
    void Trace(const std::string& Line) const;

    const TSimulatorOptions Options;
    std::string PortPath;
    int MasterFd = -1;
    int KeeperFd = -1; // the simulator's own handle on the terminal side, see OpenTerminal
    int WakeReadFd = -1;
    int WakeWriteFd = -1;
    int ChipFd = -1;
    std::thread Server;
    std::atomic<bool> StopRequested{false};
    std::atomic<bool> Serving{false};
    std::atomic<bool> HungUp{false};

    // Touched by the serving thread only.
    TSimFrameCutter Cutter;
    TClock::time_point ReceiveBurstStart{}; // paced: when the current received burst began
    std::size_t ReceiveBurstBytes = 0;
    std::uint32_t NoiseSeed = 0x2545F491u;

    // Guards everything below; never held while waiting or writing to the terminal.
    mutable std::mutex StateLock;
    mutable std::condition_variable HandledChanged;
    TByteArray Chip;
    TByteArray Buffer;
    std::uint16_t BufferPageNumber = SimUnknownPageNumber;
    std::vector<TSimulatorRequest> Requests;
    std::vector<TSimulatorReply> Replies;
    TSimulatorCounters Counters;
    std::size_t HandledCount = 0;
    std::size_t RepliesMade = 0;
    std::vector<TByteArray> HeldReplies; // wire bytes of late replies not yet sent
    std::uint8_t OwnReplyNumber = 0x80;  // the running number of a board that does not echo
};
