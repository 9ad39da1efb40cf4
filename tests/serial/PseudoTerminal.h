// Test helpers: a pseudo-terminal pair standing in for a serial line (the port under test opens
// the slave side, the test plays the device on the master side).
#pragma once

#include "common/ArrayTypes.h"
#include "common/ProgrammerConstants.h"
#include "tests/support/Descriptor.h"
#include "tests/support/Wait.h"

#include <string>
#include <sys/types.h>
#include <termios.h>

// Bytes whose wire time at the line's speed is the test's wait bound: a reader's pause for them
// that nothing ends makes a bounded wait for its end fail, and still ends by itself.
inline constexpr std::uint32_t BoundsWorthOfBytes =
    TestWaitBoundMs / 1000 * (Programmer::BaudRate / Programmer::BitsPerByte);

class TPseudoTerminal {
public:
    TPseudoTerminal();
    ~TPseudoTerminal();
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    // The path of the slave side, e.g. /dev/pts/3.
    const std::string& SlavePath() const { return Slave; }
    // Sends bytes to the port under test.
    void Send(const TByteArray& Bytes) { WriteAllBytes(Master, Bytes); }
    // Receives Count bytes from the port under test (fewer if the line hangs up or the rest
    // does not come within the test's wait bound).
    TByteArray Receive(std::size_t Count) { return ReadBytes(Master, Count); }
    // Hangs the line up, as when the device is unplugged.
    void CloseMaster();

    // The settings of the port's side of the line.
    termios GetSettings() const;
    // Gives the port's side the settings Settings and locks the fields that are set in Locked
    // (a zero Locked unlocks all): the port under test then cannot change them, although its
    // tcsetattr reports success. False when locking is not permitted (needs CAP_SYS_ADMIN).
    bool LockSettings(const termios& Settings, const termios& Locked);

private:
    int Master = -1;
    std::string Slave;
};

// Waits until the thread Tid sleeps inside poll (so a test can act on a blocked call).
testing::AssertionResult WaitUntilBlockedInPoll(pid_t Tid);
// Waits until some other thread of the process sleeps inside poll.
testing::AssertionResult WaitUntilAnotherThreadBlockedInPoll();
