#include "serial/AnisochronousCommPort.h"

#include "common/ResourseStrings.h"
#include "serial/PortNames.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A write that the driver does not accept a single byte of for this long is given up, so that
// a stalled line cannot hang the operation thread.
constexpr int WriteStallMs = Programmer::WriteStallMs;
// Longest finite read wait (about 35 years); keeps the deadline arithmetic from overflowing.
constexpr std::uint64_t MaxReadWaitMs = std::uint64_t{1} << 40;

using TClock = std::chrono::steady_clock;

// Applies Settings at once and reads back what the terminal holds then into Actual. Returns the
// error of the call that failed, empty when both went through. tcsetattr succeeds when any part
// of the settings was applied, so the caller compares Actual with what it asked for.
std::string SetAndReadBack(int Descriptor, const termios& Settings, termios& Actual) {
    if (tcsetattr(Descriptor, TCSANOW, &Settings) != 0 || tcgetattr(Descriptor, &Actual) != 0) {
        return std::strerror(errno);
    }
    return {};
}

// Adds Name to the list of settings that did not take, unless Applied.
void NoteNotApplied(std::string& NotApplied, bool Applied, const char* Name) {
    if (!Applied) {
        NotApplied += NotApplied.empty() ? "" : ", ";
        NotApplied += Name;
    }
}

// Why the settings did not take, from that list; empty when all took.
std::string NotAppliedText(const std::string& NotApplied) {
    return NotApplied.empty() ? std::string()
                              : FormatText(SCommPortSettingsNotApplied, NotApplied.c_str());
}

// Milliseconds left until Deadline, rounded up, for poll.
int RemainingMs(TClock::time_point Deadline) {
    const auto Left = Deadline - TClock::now();
    if (Left <= TClock::duration::zero()) {
        return 0;
    }
    const auto Ms = std::chrono::ceil<std::chrono::milliseconds>(Left).count();
    return static_cast<int>(std::min<decltype(Ms)>(Ms, INT_MAX));
}

} // namespace

TAnisochronousComm::TDescriptorUse::TDescriptorUse(TAnisochronousComm& Comm) : Comm(Comm) {
    std::lock_guard<std::mutex> Guard(Comm.StateLock);
    if (Comm.Handle >= 0) {
        Descriptor = Comm.Handle;
        ++Comm.ActiveUsers;
    }
}

TAnisochronousComm::TDescriptorUse::~TDescriptorUse() {
    if (Descriptor < 0) {
        return;
    }
    std::lock_guard<std::mutex> Guard(Comm.StateLock);
    if (--Comm.ActiveUsers == 0) {
        Comm.UsersGone.notify_all();
    }
}

TAnisochronousComm::TAnisochronousComm()
    : CloseWakeUp(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      ReaderWakeUp(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TAnisochronousComm::~TAnisochronousComm() {
    Close();
    for (const int WakeUp : {CloseWakeUp, ReaderWakeUp}) {
        if (WakeUp >= 0) {
            close(WakeUp);
        }
    }
}

TCommOpenResult TAnisochronousComm::Open() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    CloseLocked();

    const std::string Name = GetPortName();
    const std::string Path = ResolveDeviceName(Name);
    if (CloseWakeUp < 0 || ReaderWakeUp < 0) {
        return FailOpen(
            -1, TCommOpenError::Other,
            FormatText(SCommPortOpenError, Name.c_str(), Path.c_str(), std::strerror(EMFILE)));
    }
    const int Descriptor = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Descriptor < 0) {
        const int Error = errno;
        switch (Error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return FailOpen(-1, TCommOpenError::NoSuchDevice,
                            FormatText(SCommPortNotFound, Name.c_str(), Path.c_str()));
        case EACCES:
        case EPERM:
        case EROFS:
            return FailOpen(-1, TCommOpenError::PermissionDenied,
                            FormatText(SCommPortAccessDenied, Name.c_str(), Path.c_str()));
        case EBUSY: // the port is in exclusive use
            return FailOpen(-1, TCommOpenError::Busy,
                            FormatText(SCommPortBusy, Name.c_str(), Path.c_str()));
        default:
            return FailOpen(
                -1, TCommOpenError::Other,
                FormatText(SCommPortOpenError, Name.c_str(), Path.c_str(), std::strerror(Error)));
        }
    }
    if (!isatty(Descriptor)) {
        return FailOpen(Descriptor, TCommOpenError::NotASerialPort,
                        FormatText(SCommPortNotSerial, Name.c_str(), Path.c_str()));
    }
    // The lock keeps out other programs that honour it, and exclusive mode every further
    // open of the device by an unprivileged user.
    if (flock(Descriptor, LOCK_EX | LOCK_NB) != 0) {
        return FailOpen(Descriptor, TCommOpenError::Busy,
                        FormatText(SCommPortBusy, Name.c_str(), Path.c_str()));
    }
    if (ioctl(Descriptor, TIOCEXCL) != 0) {
        const int Error = errno;
        return FailOpen(
            Descriptor, TCommOpenError::Other,
            FormatText(SCommPortExclusiveFailed, Name.c_str(), Path.c_str(), std::strerror(Error)));
    }

    // A port that does not take the line settings would garble every byte, and one that does
    // not take the read mode would make Read see an end of file: either fails the open.
    std::string Settings = FormatText(SCommPortLineSettings, static_cast<unsigned>(BaudRate));
    std::string Refusal = ConfigureLine(Descriptor);
    if (Refusal.empty()) {
        Settings = SCommPortReadSettings;
        Refusal = ConfigureTimeouts(Descriptor);
    }
    if (!Refusal.empty()) {
        // Exclusive mode outlives the descriptor on some devices (pseudo-terminals): take it
        // back so that the device can be opened again.
        ioctl(Descriptor, TIOCNXCL);
        return FailOpen(Descriptor, TCommOpenError::SettingsRefused,
                        FormatText(SCommPortSettingsRefused, Name.c_str(), Path.c_str(),
                                   Settings.c_str(), Refusal.c_str()));
    }
    tcflush(Descriptor, TCIOFLUSH);
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        Handle = Descriptor;
    }
    OpenedEvent.Set();
    return {};
}

TCommOpenResult TAnisochronousComm::FailOpen(int Descriptor, TCommOpenError Error,
                                             const std::string& Text) {
    if (Descriptor >= 0) {
        close(Descriptor);
    }
    return {Error, Text};
}

void TAnisochronousComm::Close() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    CloseLocked();
}

void TAnisochronousComm::CloseLocked() {
    int Descriptor = -1;
    {
        std::unique_lock<std::mutex> Guard(StateLock);
        if (Handle < 0) {
            return;
        }
        // Reset before the handle goes, so that a reader seeing the port closed also finds
        // the event reset and sleeps on it. An interrupted reader must find it signalled.
        if (!ReaderInterrupted) {
            OpenedEvent.Reset();
        }
        Descriptor = Handle;
        Handle = -1;
        SignalWakeUp(CloseWakeUp);
        UsersGone.wait(Guard, [this] { return ActiveUsers == 0; });
        DrainWakeUp(CloseWakeUp);
    }
    ioctl(Descriptor, TIOCNXCL);
    close(Descriptor);
}

TCommOpenResult TAnisochronousComm::SetPortName(const std::string& Name) {
    {
        std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
        CloseLocked();
        std::lock_guard<std::mutex> Guard(StateLock);
        PortName = Name;
    }
    return Open();
}

std::string TAnisochronousComm::GetPortName() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return PortName;
}

bool TAnisochronousComm::IsOpen() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Handle >= 0;
}

std::uint32_t TAnisochronousComm::Write(const void* Buffer, std::uint32_t Count) {
    TDescriptorUse Port(*this);
    if (!Port) {
        return 0;
    }
    const auto* Bytes = static_cast<const std::uint8_t*>(Buffer);
    std::uint32_t Sent = 0;
    while (Sent < Count) {
        const ssize_t Written = write(Port.Get(), Bytes + Sent, Count - Sent);
        if (Written > 0) {
            Sent += static_cast<std::uint32_t>(Written);
            continue;
        }
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        if (Written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitForOutput(Port.Get())) {
            continue;
        }
        break;
    }
    return Sent;
}

// Waits until the driver takes more output. False when the port is being closed, has failed,
// or took nothing for WriteStallMs.
bool TAnisochronousComm::WaitForOutput(int Descriptor) {
    for (;;) {
        pollfd Waits[2] = {{Descriptor, POLLOUT, 0}, {CloseWakeUp, POLLIN, 0}};
        const int Ready = poll(Waits, 2, WriteStallMs);
        if (Ready < 0 && errno == EINTR) {
            continue;
        }
        if (Ready <= 0 || Waits[1].revents != 0) {
            return false;
        }
        return (Waits[0].revents & POLLOUT) != 0;
    }
}

std::uint32_t TAnisochronousComm::Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                                       std::uint32_t MsPerByte, std::uint32_t Count) {
    TimedOut = false;
    TDescriptorUse Port(*this);
    if (!Port) {
        return 0;
    }
    Count = std::min(Count, BufferSize);
    if (Count == 0) {
        return 0;
    }
    const bool Infinite = MsPerByte == INFINITE_WAIT;
    const auto Deadline = TClock::now() + std::chrono::milliseconds(std::min<std::uint64_t>(
                                              std::uint64_t{MsPerByte} * Count, MaxReadWaitMs));

    auto* Bytes = static_cast<std::uint8_t*>(Buffer);
    std::uint32_t Received = 0;
    for (;;) {
        const ssize_t Got = read(Port.Get(), Bytes + Received, Count - Received);
        if (Got > 0) {
            Received += static_cast<std::uint32_t>(Got);
            if (Received == Count) {
                return Received;
            }
            continue;
        }
        if (Got == 0) {
            return Received; // end of file: the device has gone
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Received; // EIO and the like: a hung-up line
        }

        const int WaitMs = Infinite ? -1 : RemainingMs(Deadline);
        if (WaitMs == 0) {
            TimedOut = true;
            return Received;
        }
        pollfd Waits[3] = {
            {Port.Get(), POLLIN, 0}, {CloseWakeUp, POLLIN, 0}, {ReaderWakeUp, POLLIN, 0}};
        const int Ready = poll(Waits, 3, WaitMs);
        if (Ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Received;
        }
        if (Waits[1].revents != 0 || Waits[2].revents != 0) {
            return Received; // closing, or the reader is asked to leave
        }
        if ((Waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            (Waits[0].revents & POLLIN) == 0) {
            return Received;
        }
    }
}

std::uint32_t TAnisochronousComm::BytesInQueue() {
    TDescriptorUse Port(*this);
    if (!Port) {
        return 0;
    }
    int Queued = 0;
    if (ioctl(Port.Get(), FIONREAD, &Queued) != 0 || Queued < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(Queued);
}

bool TAnisochronousComm::ApplySettings() {
    TDescriptorUse Port(*this);
    return Port && ConfigureLine(Port.Get()).empty();
}

bool TAnisochronousComm::ApplyTimeouts() {
    TDescriptorUse Port(*this);
    return Port && ConfigureTimeouts(Port.Get()).empty();
}

void TAnisochronousComm::Purge() {
    TDescriptorUse Port(*this);
    if (Port) {
        tcflush(Port.Get(), TCIOFLUSH);
    }
}

bool TAnisochronousComm::WaitUntilOpen(std::uint32_t TimeoutMs) {
    return OpenedEvent.Wait(TimeoutMs);
}

void TAnisochronousComm::InterruptReader() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        ReaderInterrupted = true;
    }
    SignalWakeUp(ReaderWakeUp);
    OpenedEvent.Set();
}

void TAnisochronousComm::EndReaderInterrupt() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    std::lock_guard<std::mutex> Guard(StateLock);
    ReaderInterrupted = false;
    DrainWakeUp(ReaderWakeUp);
    if (Handle < 0) {
        OpenedEvent.Reset();
    }
}

// Raw 8N1: no echo, no line editing, no CR/LF translation, no signal characters, no software
// or hardware flow control (the programmer uses none), modem control lines ignored.
std::string TAnisochronousComm::ConfigureLine(int Descriptor) {
    termios Settings{};
    if (tcgetattr(Descriptor, &Settings) != 0) {
        return std::strerror(errno);
    }
    cfmakeraw(&Settings);
    cfsetispeed(&Settings, B115200);
    cfsetospeed(&Settings, B115200);
    Settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    Settings.c_cflag |= CS8 | CLOCAL | CREAD;
    Settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    termios Actual{};
    const std::string Failure = SetAndReadBack(Descriptor, Settings, Actual);
    if (!Failure.empty()) {
        return Failure;
    }
    // A driver takes what it can: a speed it cannot do, for one, it replaces or keeps.
    std::string NotApplied;
    NoteNotApplied(NotApplied,
                   cfgetospeed(&Actual) == cfgetospeed(&Settings) &&
                       cfgetispeed(&Actual) == cfgetispeed(&Settings),
                   SCommPortSettingSpeed);
    NoteNotApplied(NotApplied, (Actual.c_cflag & CSIZE) == (Settings.c_cflag & CSIZE),
                   SCommPortSettingByteSize);
    NoteNotApplied(NotApplied, (Actual.c_cflag & PARENB) == (Settings.c_cflag & PARENB),
                   SCommPortSettingParity);
    NoteNotApplied(NotApplied, (Actual.c_cflag & CSTOPB) == (Settings.c_cflag & CSTOPB),
                   SCommPortSettingStopBits);
    return NotAppliedText(NotApplied);
}

// A read returns whatever is there (the descriptor is non-blocking); how long to wait for more
// is decided by Read with poll, so the driver's inter-byte timer stays off. A minimum of 0
// would make a read without data return 0, which Read takes for a device that has gone.
std::string TAnisochronousComm::ConfigureTimeouts(int Descriptor) {
    termios Settings{};
    if (tcgetattr(Descriptor, &Settings) != 0) {
        return std::strerror(errno);
    }
    Settings.c_cc[VMIN] = 1;
    Settings.c_cc[VTIME] = 0;
    termios Actual{};
    const std::string Failure = SetAndReadBack(Descriptor, Settings, Actual);
    if (!Failure.empty()) {
        return Failure;
    }
    std::string NotApplied;
    NoteNotApplied(NotApplied, Actual.c_cc[VMIN] == Settings.c_cc[VMIN],
                   SCommPortSettingReadMinimum);
    NoteNotApplied(NotApplied, Actual.c_cc[VTIME] == Settings.c_cc[VTIME],
                   SCommPortSettingReadTimer);
    return NotAppliedText(NotApplied);
}

void TAnisochronousComm::SignalWakeUp(int WakeUp) {
    const std::uint64_t One = 1;
    [[maybe_unused]] const ssize_t Written = write(WakeUp, &One, sizeof One);
}

void TAnisochronousComm::DrainWakeUp(int WakeUp) {
    std::uint64_t Value = 0;
    [[maybe_unused]] const ssize_t Got = read(WakeUp, &Value, sizeof Value);
}
