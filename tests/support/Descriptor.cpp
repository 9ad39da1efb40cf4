#include "tests/support/Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

void WriteAllBytes(int Fd, const TByteArray& Bytes) {
    std::size_t Sent = 0;
    while (Sent < Bytes.size()) {
        const ssize_t Written = write(Fd, Bytes.data() + Sent, Bytes.size() - Sent);
        if (Written < 0 && errno == EINTR) {
            continue;
        }
        ASSERT_GT(Written, 0) << "writing to descriptor " << Fd << ": " << std::strerror(errno);
        Sent += static_cast<std::size_t>(Written);
    }
}

TByteArray ReadBytes(int Fd, std::size_t Count, std::chrono::milliseconds Timeout) {
    using TClock = std::chrono::steady_clock;
    const auto Deadline = TClock::now() + Timeout;
    TByteArray Bytes(Count);
    std::size_t Got = 0;
    while (Got < Count) {
        const auto Left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now());
        pollfd Wait{Fd, POLLIN, 0};
        const int Ready = poll(&Wait, 1, static_cast<int>(std::max<long long>(Left.count(), 0)));
        if (Ready < 0 && errno == EINTR) {
            continue;
        }
        if (Ready <= 0) {
            break; // the time is up, or the descriptor failed
        }
        const ssize_t Read = read(Fd, Bytes.data() + Got, Count - Got);
        if (Read < 0 && errno == EINTR) {
            continue;
        }
        if (Read <= 0) {
            break; // the line has ended
        }
        Got += static_cast<std::size_t>(Read);
    }
    Bytes.resize(Got);
    return Bytes;
}
