#include "simulator/ProgrammerSimulator.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string SystemErrorText(const std::string& What) {
    return What + ": " + std::strerror(errno);
}

// Raw mode: no echo, no line editing, no translation of any byte.
bool MakeRaw(int Fd) {
    termios Settings{};
    if (tcgetattr(Fd, &Settings) != 0) {
        return false;
    }
    cfmakeraw(&Settings);
    Settings.c_cc[VMIN] = 1;
    Settings.c_cc[VTIME] = 0;
    return tcsetattr(Fd, TCSANOW, &Settings) == 0;
}

void CloseFd(int& Fd) {
    if (Fd != -1) {
        close(Fd);
        Fd = -1;
    }
}

std::string HexText(std::uint8_t Value) {
    char Text[8];
    std::snprintf(Text, sizeof Text, "%02X", Value);
    return Text;
}

} // namespace

TProgrammerSimulator::TProgrammerSimulator(TSimulatorOptions Options)
    : Options(std::move(Options)),
      Board(this->Options, [this](const std::string& Line) { Trace(Line); }) {}

TProgrammerSimulator::~TProgrammerSimulator() {
    Stop();
}

std::string TProgrammerSimulator::Start() {
    if (Server.joinable() || MasterFd != -1 || StopRequested) {
        throw ESimulatorError("the simulator has been started before");
    }
    try {
        {
            std::lock_guard<std::mutex> Guard(StateLock);
            Board.OpenChipFile();
        }
        OpenTerminal();
        int WakePipe[2];
        if (pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            throw ESimulatorError(SystemErrorText("cannot create the wake-up pipe"));
        }
        WakeReadFd = WakePipe[0];
        WakeWriteFd = WakePipe[1];
    } catch (...) {
        CloseAll();
        throw;
    }
    Serving = true;
    Server = std::thread(&TProgrammerSimulator::Serve, this);
    return PortPath;
}

void TProgrammerSimulator::Stop() {
    StopRequested = true;
    if (WakeWriteFd != -1) {
        const char Wake = 1;
        [[maybe_unused]] const ssize_t Written = write(WakeWriteFd, &Wake, 1);
    }
    if (Server.joinable()) {
        Server.join();
    }
    CloseAll();
}

bool TProgrammerSimulator::IsServing() const {
    return Serving;
}

bool TProgrammerSimulator::HasHungUp() const {
    return HungUp;
}

void TProgrammerSimulator::OpenTerminal() {
    MasterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (MasterFd == -1) {
        throw ESimulatorError(SystemErrorText("cannot open a pseudo-terminal"));
    }
    char Name[256];
    if (grantpt(MasterFd) != 0 || unlockpt(MasterFd) != 0 ||
        ptsname_r(MasterFd, Name, sizeof Name) != 0) {
        throw ESimulatorError(SystemErrorText("cannot prepare the pseudo-terminal"));
    }
    PortPath = Name;
    MakeRaw(MasterFd);
    // The simulator holds the terminal side open itself: the program may close and reopen the
    // port at any time, and while no one holds it open the master side reports errors instead
    // of waiting. The same handle makes the terminal side raw before the program opens it, so
    // the line discipline never echoes or translates a byte.
    KeeperFd = open(PortPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (KeeperFd == -1 || !MakeRaw(KeeperFd)) {
        throw ESimulatorError(SystemErrorText("cannot set up " + PortPath));
    }
    const int Flags = fcntl(MasterFd, F_GETFL);
    if (Flags == -1 || fcntl(MasterFd, F_SETFL, Flags | O_NONBLOCK) != 0) {
        throw ESimulatorError(SystemErrorText("cannot set up the pseudo-terminal"));
    }
}

void TProgrammerSimulator::CloseAll() {
    CloseFd(MasterFd);
    CloseFd(KeeperFd);
    CloseFd(WakeReadFd);
    CloseFd(WakeWriteFd);
    std::lock_guard<std::mutex> Guard(StateLock);
    Board.CloseChipFile();
}

void TProgrammerSimulator::Serve() {
    if (Options.BaudRate != 0) {
        // Wake from timed waits as close to the deadline as the kernel allows.
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    std::uint8_t Chunk[4096];
    while (!StopRequested) {
        pollfd Fds[2] = {{MasterFd, POLLIN, 0}, {WakeReadFd, POLLIN, 0}};
        if (poll(Fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Trace(SystemErrorText("poll failed"));
            break;
        }
        if (Fds[1].revents != 0) {
            break;
        }
        if ((Fds[0].revents & POLLIN) != 0) {
            const ssize_t Count = read(MasterFd, Chunk, sizeof Chunk);
            if (Count > 0) {
                if (!ReceiveBytes(Chunk, static_cast<std::size_t>(Count))) {
                    break;
                }
                continue;
            }
            if (Count < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
        }
        // Hang-up or error on the master side: nobody holds the terminal side open. Try again
        // shortly instead of spinning.
        if (!WaitUntil(TClock::now() + std::chrono::milliseconds(10))) {
            break;
        }
    }
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        Serving = false;
    }
    HandledChanged.notify_all();
}

bool TProgrammerSimulator::ReceiveBytes(const std::uint8_t* Bytes, std::size_t Count) {
    const TClock::time_point Now = TClock::now();
    if (Options.BaudRate != 0 && Now > ReceiveBurstStart + WireTime(ReceiveBurstBytes)) {
        // The line was idle: this burst starts arriving now.
        ReceiveBurstStart = Now;
        ReceiveBurstBytes = 0;
    }
    for (std::size_t i = 0; i < Count; ++i) {
        TClock::time_point Arrived = Now;
        if (Options.BaudRate != 0) {
            ++ReceiveBurstBytes;
            Arrived = ReceiveBurstStart + WireTime(ReceiveBurstBytes);
        }
        std::optional<TSimReceivedFrame> Frame = Cutter.Feed(Bytes[i]);
        if (Frame && !HandleFrame(*Frame, Arrived)) {
            return false;
        }
    }
    std::lock_guard<std::mutex> Guard(StateLock);
    Counters.BytesOutsideFrames = Cutter.GetSkippedBytes();
    return true;
}

bool TProgrammerSimulator::HandleFrame(const TSimReceivedFrame& Frame, TClock::time_point Arrived) {
    TSimulatorRequest Request = SimParseRequest(Frame.Package, Frame.StuffingValid);
    Request.Frame = Frame.Raw;
    std::size_t Index = 0;
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        if (Options.RecordTraffic) {
            Requests.push_back(Request);
        }
        Index = ++Counters.FramesReceived;
        Counters.BytesOutsideFrames = Cutter.GetSkippedBytes();
    }
    Trace("<- #" + std::to_string(Index) + " command " + HexText(Request.Command) + " page " +
          std::to_string(Request.PageNumber) + " data " + std::to_string(Request.Data.size()) +
          (Request.IsWellFormed() ? "" : " (malformed)"));

    if (Options.HangUpAfter && Index > *Options.HangUpAfter) {
        HangUp();
        return false;
    }
    if (Options.NeverAnswer || (Options.StopAfter && Index > *Options.StopAfter)) {
        Trace("   not answered");
        MarkHandled();
        return true;
    }
    // The request is complete only when its last byte has crossed the wire.
    if (!WaitUntil(Arrived)) {
        return false;
    }
    TSimulatorReply Reply = Answer(Request);
    Reply.Frame = SimComposeFrame(Reply.Package);
    // On a paced line the board starts answering the moment the request has arrived; counting
    // from then rather than from this thread's wake-up keeps scheduling delay off the wire time.
    TClock::time_point ReplyStart = Options.BaudRate != 0 ? Arrived : TClock::now();
    if (Options.ReplyDelayMs != 0) {
        ReplyStart = TClock::now() + std::chrono::milliseconds(Options.ReplyDelayMs);
        if (!WaitUntil(ReplyStart)) {
            return false;
        }
    }
    TByteArray Wire = MakeNoise(Options.NoiseBytes);
    const TByteArray Broken = MakeBrokenFrame(Options.BrokenFrameBytes);
    Wire.insert(Wire.end(), Broken.begin(), Broken.end());
    Wire.insert(Wire.end(), Reply.Frame.begin(), Reply.Frame.end());
    if (Options.LateFrames.count(Index) != 0) {
        HeldReplies.push_back(std::move(Wire));
        Trace("   reply held back");
        MarkHandled();
        return true;
    }
    if (!HeldReplies.empty()) {
        TByteArray Late;
        for (const TByteArray& Held : HeldReplies) {
            Late.insert(Late.end(), Held.begin(), Held.end());
        }
        Wire.insert(Wire.begin(), Late.begin(), Late.end());
        HeldReplies.clear();
    }
    if (!TransmitReply(Wire, ReplyStart)) {
        if (StopRequested) {
            return false;
        }
        Trace("   reply could not be written");
    } else {
        std::lock_guard<std::mutex> Guard(StateLock);
        if (Options.RecordTraffic) {
            Replies.push_back(Reply);
        }
        ++Counters.RepliesSent;
    }
    Trace(
        "-> #" + std::to_string(Index) + " reply " + HexText(Reply.Command) + " page " +
        std::to_string(Reply.PageNumber) + " data " +
        std::to_string(Reply.Package.size() - std::min(Reply.Package.size(), SimPackageOverhead)));
    MarkHandled();
    return true;
}

TSimulatorReply TProgrammerSimulator::Answer(const TSimulatorRequest& Request) {
    std::lock_guard<std::mutex> Guard(StateLock);
    TSimulatorReply Reply = Board.Answer(Request);
    Counters.MalformedRequests = Board.GetMalformedRequests();
    Counters.UnknownCommands = Board.GetUnknownCommands();
    return Reply;
}

bool TProgrammerSimulator::TransmitReply(const TByteArray& Wire, TClock::time_point LineStart) {
    const std::size_t PieceSize =
        Options.ReplyPieceSize != 0 ? Options.ReplyPieceSize : Wire.size();
    // Paced: the moment the line is free again; each byte is handed over when it has fully
    // crossed the wire, counted from one start so that rounding never accumulates.
    TClock::time_point LineFree = LineStart;
    for (std::size_t Start = 0; Start < Wire.size(); Start += PieceSize) {
        const std::size_t Count = std::min(PieceSize, Wire.size() - Start);
        if (Start != 0) {
            const TClock::time_point GapFrom = Options.BaudRate != 0 ? LineFree : TClock::now();
            LineFree = GapFrom + std::chrono::milliseconds(Options.ReplyPieceGapMs);
            if (!WaitUntil(LineFree)) {
                return false;
            }
        }
        if (Options.BaudRate == 0) {
            if (!WriteAll(Wire.data() + Start, Count)) {
                return false;
            }
        } else {
            std::size_t Sent = 0;
            while (Sent < Count) {
                if (!WaitUntil(LineFree + WireTime(Sent + 1))) {
                    return false;
                }
                const TClock::duration Elapsed = TClock::now() - LineFree;
                const std::size_t Due = std::clamp<std::size_t>(
                    static_cast<std::size_t>(Elapsed / WireTime(1)), Sent + 1, Count);
                if (!WriteAll(Wire.data() + Start + Sent, Due - Sent)) {
                    return false;
                }
                Sent = Due;
            }
            LineFree += WireTime(Count);
        }
        std::lock_guard<std::mutex> Guard(StateLock);
        ++Counters.PiecesWritten;
    }
    return true;
}

bool TProgrammerSimulator::WriteAll(const std::uint8_t* Bytes, std::size_t Count) {
    while (Count > 0) {
        const ssize_t Written = write(MasterFd, Bytes, Count);
        if (Written > 0) {
            Bytes += Written;
            Count -= static_cast<std::size_t>(Written);
            continue;
        }
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        if (Written < 0 && errno == EAGAIN) {
            // The program is not reading fast enough: wait for room.
            pollfd Fds[2] = {{MasterFd, POLLOUT, 0}, {WakeReadFd, POLLIN, 0}};
            if (poll(Fds, 2, -1) < 0 && errno != EINTR) {
                return false;
            }
            if (Fds[1].revents != 0) {
                return false;
            }
            continue;
        }
        Trace(SystemErrorText("write failed"));
        return false;
    }
    return true;
}

bool TProgrammerSimulator::WaitUntil(TClock::time_point Deadline) {
    while (!StopRequested) {
        const TClock::time_point Now = TClock::now();
        if (Now >= Deadline) {
            return true;
        }
        const auto Left = std::chrono::duration_cast<std::chrono::nanoseconds>(Deadline - Now);
        timespec Timeout{};
        Timeout.tv_sec = static_cast<time_t>(Left.count() / 1000000000);
        Timeout.tv_nsec = static_cast<long>(Left.count() % 1000000000);
        pollfd Wake{WakeReadFd, POLLIN, 0};
        if (ppoll(&Wake, 1, &Timeout, nullptr) > 0) {
            return false;
        }
    }
    return false;
}

TByteArray TProgrammerSimulator::MakeNoise(std::size_t Count) {
    TByteArray Noise;
    Noise.reserve(Count);
    while (Noise.size() < Count) {
        // xorshift32: cheap, repeatable noise.
        NoiseSeed ^= NoiseSeed << 13;
        NoiseSeed ^= NoiseSeed >> 17;
        NoiseSeed ^= NoiseSeed << 5;
        const auto Byte = static_cast<std::uint8_t>(NoiseSeed >> 24);
        // A start marker would open a frame on the program's side.
        if (Byte != SimStartMarker) {
            Noise.push_back(Byte);
        }
    }
    return Noise;
}

TByteArray TProgrammerSimulator::MakeBrokenFrame(std::size_t Count) {
    // Start marker, noise, a single end marker and a byte after it that ends the frame.
    constexpr std::size_t Framing = 3;
    if (Count == 0) {
        return {};
    }
    TByteArray Noise = MakeNoise(std::max(Count, Framing + 1) - Framing);
    for (std::uint8_t& Byte : Noise) {
        // A doubled end marker would be data; a single one would end the frame early.
        Byte = Byte == SimEndMarker ? static_cast<std::uint8_t>(SimEndMarker + 1) : Byte;
    }
    // Too short for a package, or a length field that disagrees: damaged either way.
    if (Noise.size() >= 6) {
        Noise[4] = 0xFF;
        Noise[5] = 0xFF;
    }
    TByteArray Frame{SimStartMarker};
    Frame.insert(Frame.end(), Noise.begin(), Noise.end() - 1);
    Frame.push_back(SimEndMarker);
    Frame.push_back(Noise.back());
    return Frame;
}

void TProgrammerSimulator::HangUp() {
    // Closing the master hangs up the terminal side: the program's reads end and its poll
    // reports a hang-up, as when the board is unplugged.
    CloseFd(MasterFd);
    CloseFd(KeeperFd);
    HungUp = true;
    Trace("   hung up");
}

void TProgrammerSimulator::MarkHandled() {
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        ++HandledCount;
    }
    HandledChanged.notify_all();
}

TProgrammerSimulator::TClock::duration TProgrammerSimulator::WireTime(std::size_t Bytes) const {
    constexpr std::uint64_t BitsPerByte = 10;
    constexpr std::uint64_t NanosecondsPerSecond = 1000000000;
    return std::chrono::nanoseconds(Bytes * BitsPerByte * NanosecondsPerSecond / Options.BaudRate);
}

void TProgrammerSimulator::Trace(const std::string& Line) const {
    if (Options.OnTrace) {
        Options.OnTrace(Line);
    }
}

std::vector<TSimulatorRequest> TProgrammerSimulator::GetRequests() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Requests;
}

std::size_t TProgrammerSimulator::GetRequestCount() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Counters.FramesReceived;
}

std::vector<TSimulatorReply> TProgrammerSimulator::GetReplies() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Replies;
}

bool TProgrammerSimulator::WaitForHandledRequests(std::size_t Count,
                                                  std::uint32_t TimeoutMs) const {
    std::unique_lock<std::mutex> Lock(StateLock);
    const auto Done = [&] { return HandledCount >= Count || !Serving; };
    if (TimeoutMs == INFINITE_WAIT) {
        HandledChanged.wait(Lock, Done);
    } else {
        HandledChanged.wait_for(Lock, std::chrono::milliseconds(TimeoutMs), Done);
    }
    return HandledCount >= Count;
}

TSimulatorCounters TProgrammerSimulator::GetCounters() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Counters;
}

TByteArray TProgrammerSimulator::GetPage(std::uint16_t PageNumber) const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Board.GetPage(PageNumber);
}

void TProgrammerSimulator::SetPage(std::uint16_t PageNumber, const TByteArray& Data) {
    std::lock_guard<std::mutex> Guard(StateLock);
    Board.SetPage(PageNumber, Data);
}

TByteArray TProgrammerSimulator::GetBuffer() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Board.GetBuffer();
}

void TProgrammerSimulator::SetBuffer(const TByteArray& Data, std::uint16_t PageNumber) {
    std::lock_guard<std::mutex> Guard(StateLock);
    Board.SetBuffer(Data, PageNumber);
}

std::uint16_t TProgrammerSimulator::GetBufferPageNumber() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Board.GetBufferPageNumber();
}
