#include "serial/AnisochronousCommPort.h"

#include "common/ResourseStrings.h"
#include "serial/NotAppliedSettings.h"
#include "serial/ReadDeadline.h"

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

// Applies Settings at once and reads back what the terminal holds then into Actual. Returns the
// error of the call that failed, empty when both went through. tcsetattr succeeds when any part
// of the settings was applied, so the caller compares Actual with what it asked for.
std::string SetAndReadBack(int Descriptor, const termios& Settings, termios& Actual) {
    if (tcsetattr(Descriptor, TCSANOW, &Settings) != 0 || tcgetattr(Descriptor, &Actual) != 0) {
        return std::strerror(errno);
    }
    return {};
}

// The time poll waits for Ms of a read's deadline: -1 without limit.
int PollTimeout(std::uint32_t Ms) {
    return Ms == INFINITE_WAIT ? -1 : static_cast<int>(std::min<std::uint32_t>(Ms, INT_MAX));
}

} // namespace

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

TCommOpenResult TAnisochronousComm::OpenDevice(const std::string& Name, const std::string& Path) {
    if (CloseWakeUp < 0 || ReaderWakeUp < 0) {
        return OpenFailure(Name, Path, EMFILE);
    }
    const int Descriptor = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Descriptor < 0) {
        return OpenFailure(Name, Path, errno);
    }
    TCommOpenResult Result = Configure(Descriptor, Name, Path);
    if (Result.Opened()) {
        tcflush(Descriptor, TCIOFLUSH);
        Device = Descriptor;
    }
    return Result;
}

// Why open failed with Error.
TCommOpenResult TAnisochronousComm::OpenFailure(const std::string& Name, const std::string& Path,
                                                int Error) {
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

// Makes the opened Descriptor the program's own terminal in raw mode; closes it when that
// fails.
TCommOpenResult TAnisochronousComm::Configure(int Descriptor, const std::string& Name,
                                              const std::string& Path) {
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
    if (Refusal.empty()) {
        return {};
    }
    // Exclusive mode outlives the descriptor on some devices (pseudo-terminals): take it back so
    // that the device can be opened again.
    ioctl(Descriptor, TIOCNXCL);
    return FailOpen(Descriptor, TCommOpenError::SettingsRefused,
                    FormatText(SCommPortSettingsRefused, Name.c_str(), Path.c_str(),
                               Settings.c_str(), Refusal.c_str()));
}

TCommOpenResult TAnisochronousComm::FailOpen(int Descriptor, TCommOpenError Error,
                                             const std::string& Text) {
    if (Descriptor >= 0) {
        close(Descriptor);
    }
    return {Error, Text};
}

void TAnisochronousComm::SignalClosing(bool Closing) {
    if (Closing) {
        SignalWakeUp(CloseWakeUp);
    } else {
        DrainWakeUp(CloseWakeUp);
    }
}

void TAnisochronousComm::CloseDevice() {
    ioctl(Device, TIOCNXCL);
    close(Device);
    Device = -1;
}

void TAnisochronousComm::SignalReaderInterrupt(bool Interrupted) {
    if (Interrupted) {
        SignalWakeUp(ReaderWakeUp);
    } else {
        DrainWakeUp(ReaderWakeUp);
    }
}

std::uint32_t TAnisochronousComm::Write(const void* Buffer, std::uint32_t Count) {
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    const auto* Bytes = static_cast<const std::uint8_t*>(Buffer);
    std::uint32_t Sent = 0;
    while (Sent < Count) {
        const ssize_t Written = write(Device, Bytes + Sent, Count - Sent);
        if (Written > 0) {
            Sent += static_cast<std::uint32_t>(Written);
            continue;
        }
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        if (Written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitForOutput(Device)) {
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
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    Count = std::min(Count, BufferSize);
    if (Count == 0) {
        return 0;
    }
    const TReadDeadline Deadline(MsPerByte, Count);

    auto* Bytes = static_cast<std::uint8_t*>(Buffer);
    std::uint32_t Received = 0;
    for (;;) {
        const ssize_t Got = read(Device, Bytes + Received, Count - Received);
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

        const std::uint32_t WaitMs = Deadline.RemainingMs();
        if (WaitMs == 0) {
            TimedOut = true;
            return Received;
        }
        pollfd Waits[3] = {
            {Device, POLLIN, 0}, {CloseWakeUp, POLLIN, 0}, {ReaderWakeUp, POLLIN, 0}};
        const int Ready = poll(Waits, 3, PollTimeout(WaitMs));
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

// Poll first, then one read of everything there: two system calls for each burst that arrives,
// one when none does.
std::uint32_t TAnisochronousComm::ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                                std::uint32_t TimeoutMs) {
    const TDeviceUse Use(*this);
    if (!Use || BufferSize == 0) {
        return 0;
    }
    if (TimeoutMs == 0) {
        // Nothing to wait for: the descriptor is non-blocking, a read says what is there.
        const ssize_t Got = read(Device, Buffer, BufferSize);
        return Got > 0 ? static_cast<std::uint32_t>(Got) : 0;
    }
    const TReadDeadline Deadline(TimeoutMs, 1);
    for (;;) {
        pollfd Waits[3] = {
            {Device, POLLIN, 0}, {CloseWakeUp, POLLIN, 0}, {ReaderWakeUp, POLLIN, 0}};
        const int Ready = poll(Waits, 3, PollTimeout(Deadline.RemainingMs()));
        if (Ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 0;
        }
        if (Ready == 0) {
            return 0; // the time is up
        }
        if (Waits[1].revents != 0 || Waits[2].revents != 0) {
            return 0; // closing, or the reader is asked to leave
        }
        const ssize_t Got = read(Device, Buffer, BufferSize);
        if (Got > 0) {
            return static_cast<std::uint32_t>(Got);
        }
        if (Got == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            return 0; // the device has gone, or the line hung up
        }
    }
}

void TAnisochronousComm::PauseReading(std::chrono::microseconds Duration) {
    const TDeviceUse Use(*this);
    if (!Use || Duration <= std::chrono::microseconds::zero()) {
        return;
    }
    const auto Nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(Duration).count();
    const timespec Timeout{static_cast<time_t>(Nanoseconds / 1000000000),
                           static_cast<long>(Nanoseconds % 1000000000)};
    pollfd Waits[2] = {{CloseWakeUp, POLLIN, 0}, {ReaderWakeUp, POLLIN, 0}};
    // An interrupting signal ends the pause early, which only costs a wake-up.
    ppoll(Waits, 2, &Timeout, nullptr);
}

std::uint32_t TAnisochronousComm::BytesInQueue() {
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    int Queued = 0;
    if (ioctl(Device, FIONREAD, &Queued) != 0 || Queued < 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(Queued);
}

bool TAnisochronousComm::ApplySettings() {
    const TDeviceUse Use(*this);
    return Use && ConfigureLine(Device).empty();
}

bool TAnisochronousComm::ApplyTimeouts() {
    const TDeviceUse Use(*this);
    return Use && ConfigureTimeouts(Device).empty();
}

void TAnisochronousComm::Purge() {
    const TDeviceUse Use(*this);
    if (Use) {
        tcflush(Device, TCIOFLUSH);
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
    TNotAppliedSettings NotApplied;
    NotApplied.Check(cfgetospeed(&Actual) == cfgetospeed(&Settings) &&
                         cfgetispeed(&Actual) == cfgetispeed(&Settings),
                     SCommPortSettingSpeed);
    NotApplied.Check((Actual.c_cflag & CSIZE) == (Settings.c_cflag & CSIZE),
                     SCommPortSettingByteSize);
    NotApplied.Check((Actual.c_cflag & PARENB) == (Settings.c_cflag & PARENB),
                     SCommPortSettingParity);
    NotApplied.Check((Actual.c_cflag & CSTOPB) == (Settings.c_cflag & CSTOPB),
                     SCommPortSettingStopBits);
    return NotApplied.Text();
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
    TNotAppliedSettings NotApplied;
    NotApplied.Check(Actual.c_cc[VMIN] == Settings.c_cc[VMIN], SCommPortSettingReadMinimum);
    NotApplied.Check(Actual.c_cc[VTIME] == Settings.c_cc[VTIME], SCommPortSettingReadTimer);
    return NotApplied.Text();
}

void TAnisochronousComm::SignalWakeUp(int WakeUp) {
    const std::uint64_t One = 1;
    [[maybe_unused]] const ssize_t Written = write(WakeUp, &One, sizeof One);
}

void TAnisochronousComm::DrainWakeUp(int WakeUp) {
    std::uint64_t Value = 0;
    [[maybe_unused]] const ssize_t Got = read(WakeUp, &Value, sizeof Value);
}
