// How a request waits for its answer with the fewest wake-ups.
//
// A board that starts answering the moment a request has crossed the line, and answers at the
// line's own pace, has its answer whole at a moment known in advance: the request's and the
// answer's wire time after the request went out. A request to such a board sleeps once, until
// then, instead of waking for the answer's first byte and again once the rest has crossed.
// Whether a board answers so is learnt for each command from its answers: their length, whether
// they came in parts at the line's pace, and how late after the expected moment they tend to be
// whole. A board that takes its time (it works first, or its adapter hands bytes over in
// bursts) is waited for by its answer's first byte, as before anything is learnt.
#pragma once

#include "common/ProgrammerConstants.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

class TReplyPacing {
public:
    using TClock = std::chrono::steady_clock;

    // What a look at the expected moment found of the answer.
    enum class TFound {
        Nothing, // not a byte of it: the board takes its time
        Part,    // its beginning: the look came early
        Whole,   // all of it
    };

    // The largest lateness learnt. Answers later than that (a busy computer, a board slow to
    // start) are waited for by their first byte until one comes in parts again: a look that
    // found the answer whole may have slept that long beside it.
    static constexpr std::chrono::microseconds MaxMargin = Programmer::WireTime(2);

    // When the answer to Command, requested by RequestBytes that went on the line at SentAt,
    // should be looked for first; none: wait for its first byte.
    std::optional<TClock::time_point> FirstLook(std::uint8_t Command, TClock::time_point SentAt,
                                                std::size_t RequestBytes) const;
    // What the look at that moment found.
    void Looked(std::uint8_t Command, TFound Found);
    // Command was answered by ReplyBytes bytes; InParts when its first bytes came at the line's
    // pace, before the rest had crossed.
    void Answered(std::uint8_t Command, std::size_t ReplyBytes, bool InParts);

private:
    struct TCommandPacing {
        std::size_t ReplyBytes = 0;
        bool Timed = false;
        // Looked for at the expected moment and found nothing: waited for by its first byte
        // from then on.
        bool TakesItsTime = false;
        int LooksFindingNothing = 0;
        std::chrono::microseconds Margin{0};
    };

    std::array<TCommandPacing, 256> Commands{};
};
