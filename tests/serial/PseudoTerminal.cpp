#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

TPseudoTerminal::TPseudoTerminal() {
    Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    char Name[128];
    if (ptsname_r(Master, Name, sizeof Name) != 0) {
        throw std::runtime_error("cannot name the pseudo-terminal");
    }
    Slave = Name;
    termios Settings{};
    tcgetattr(Master, &Settings);
    cfmakeraw(&Settings);
    tcsetattr(Master, TCSANOW, &Settings);
}

TPseudoTerminal::~TPseudoTerminal() {
    CloseMaster();
}

void TPseudoTerminal::Send(const TByteArray& Bytes) {
    std::size_t Sent = 0;
    while (Sent < Bytes.size()) {
        const ssize_t Written = write(Master, Bytes.data() + Sent, Bytes.size() - Sent);
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        ASSERT_GT(Written, 0) << "writing to the pseudo-terminal failed";
        Sent += static_cast<std::size_t>(Written);
    }
}

TByteArray TPseudoTerminal::Receive(std::size_t Count) {
    TByteArray Bytes(Count);
    std::size_t Got = 0;
    while (Got < Count) {
        const ssize_t Read = read(Master, Bytes.data() + Got, Count - Got);
        if (Read < 0 && errno == EINTR) {
            continue;
        }
        if (Read <= 0) {
            break;
        }
        Got += static_cast<std::size_t>(Read);
    }
    Bytes.resize(Got);
    return Bytes;
}

void TPseudoTerminal::CloseMaster() {
    if (Master >= 0) {
        close(Master);
        Master = -1;
    }
}

// Terminal requests on the master side act on the slave side's settings.
termios TPseudoTerminal::GetSettings() const {
    termios Settings{};
    tcgetattr(Master, &Settings);
    return Settings;
}

bool TPseudoTerminal::LockSettings(const termios& Settings, const termios& Locked) {
    return tcsetattr(Master, TCSANOW, &Settings) == 0 &&
           ioctl(Master, TIOCSLCKTRMIOS, &Locked) == 0;
}

namespace {

// True when the thread Tid is blocked in poll or ppoll right now.
bool IsBlockedInPoll(pid_t Tid) {
    std::ifstream File("/proc/self/task/" + std::to_string(Tid) + "/syscall");
    long Call = -1;
    if (!(File >> Call)) {
        return false; // "running"
    }
#ifdef SYS_poll
    if (Call == SYS_poll) {
        return true;
    }
#endif
    return Call == SYS_ppoll;
}

} // namespace

void WaitUntilBlockedInPoll(pid_t Tid) {
    while (!IsBlockedInPoll(Tid)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void WaitUntilAnotherThreadBlockedInPoll() {
    const pid_t Self = gettid();
    for (;;) {
        for (const auto& Task : std::filesystem::directory_iterator("/proc/self/task")) {
            const pid_t Tid = static_cast<pid_t>(std::stol(Task.path().filename().string()));
            if (Tid != Self && IsBlockedInPoll(Tid)) {
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
