#include "PseudoTerminal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
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

// The system call the thread Tid is blocked in right now; -1 while it runs.
long BlockingCall(pid_t Tid) {
    std::ifstream File("/proc/self/task/" + std::to_string(Tid) + "/syscall");
    long Call = -1;
    if (!(File >> Call)) {
        return -1; // "running"
    }
    return Call;
}

// True when the thread Tid is blocked in poll or ppoll right now.
bool IsBlockedInPoll(pid_t Tid) {
    const long Call = BlockingCall(Tid);
#ifdef SYS_poll
    if (Call == SYS_poll) {
        return true;
    }
#endif
    return Call == SYS_ppoll;
}

} // namespace

testing::AssertionResult WaitUntilBlockedInPoll(pid_t Tid) {
    return WaitUntil([Tid] { return IsBlockedInPoll(Tid); })
           << " (thread " << Tid << " blocked in poll)";
}

testing::AssertionResult WaitUntilAnotherThreadBlockedInPoll() {
    const pid_t Self = gettid();
    return WaitUntil([Self] {
               for (const auto& Task : std::filesystem::directory_iterator("/proc/self/task")) {
                   const pid_t Tid = static_cast<pid_t>(std::stol(Task.path().filename().string()));
                   if (Tid != Self && IsBlockedInPoll(Tid)) {
                       return true;
                   }
               }
               return false;
           })
           << " (another thread blocked in poll)";
}
