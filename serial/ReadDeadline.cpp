#include "serial/ReadDeadline.h"

#include "common/ProgrammerConstants.h"
#include "platform/SyncEvent.h"

#include <algorithm>

using Programmer::MaxReadWaitMs;

TReadDeadline::TReadDeadline(std::uint32_t MsPerByte, std::uint32_t Count)
    : Infinite(MsPerByte == INFINITE_WAIT),
      End(TClock::now() + std::chrono::milliseconds(std::min<std::uint64_t>(
                              std::uint64_t{MsPerByte} * Count, MaxReadWaitMs))) {}

std::uint32_t TReadDeadline::RemainingMs() const {
    if (Infinite) {
        return INFINITE_WAIT;
    }
    const auto Left = End - TClock::now();
    if (Left <= TClock::duration::zero()) {
        return 0;
    }
    const auto Ms = std::chrono::ceil<std::chrono::milliseconds>(Left).count();
    return static_cast<std::uint32_t>(std::min<decltype(Ms)>(Ms, INFINITE_WAIT - 1));
}
