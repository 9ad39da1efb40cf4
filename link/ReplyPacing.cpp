#include "link/ReplyPacing.h"

#include <algorithm>

namespace {

// A look that came early moves the expected moment on by one byte's time; one that found the
// answer whole brings it back by a sixteenth of that, so that about one look in sixteen comes
// early: rarely a second wake-up, and never long asleep beside a whole answer.
constexpr std::chrono::microseconds EarlyStep = Programmer::WireTime(1);
constexpr std::chrono::microseconds WholeStep = Programmer::WireTime(1) / 16;
// Looks in a row that found nothing of the answer before its command is waited for by the
// answer's first byte.
constexpr int LooksBeforeGivingUp = 3;

} // namespace

std::optional<TReplyPacing::TClock::time_point>
TReplyPacing::FirstLook(std::uint8_t Command, TClock::time_point SentAt,
                        std::size_t RequestBytes) const {
    const TCommandPacing& Pacing = Commands[Command];
    if (!Pacing.Timed || Pacing.ReplyBytes == 0) {
        return std::nullopt;
    }
    return SentAt + Programmer::WireTime(RequestBytes + Pacing.ReplyBytes) + Pacing.Margin;
}

void TReplyPacing::Looked(std::uint8_t Command, TFound Found) {
    TCommandPacing& Pacing = Commands[Command];
    Pacing.LooksFindingNothing = Found == TFound::Nothing ? Pacing.LooksFindingNothing + 1 : 0;
    switch (Found) {
    case TFound::Whole:
        Pacing.Margin = std::max(Pacing.Margin - WholeStep, std::chrono::microseconds::zero());
        return;
    case TFound::Part:
        if (Pacing.Margin + EarlyStep <= MaxMargin) {
            Pacing.Margin += EarlyStep;
        } else {
            Pacing.Timed = false;
            Pacing.Margin = std::chrono::microseconds::zero();
        }
        return;
    case TFound::Nothing:
        // Once may be this computer's hiccup; a board that takes its time does so each time.
        if (Pacing.LooksFindingNothing < LooksBeforeGivingUp) {
            return;
        }
        break;
    }
    Pacing.Timed = false;
    Pacing.TakesItsTime = true;
}

void TReplyPacing::Answered(std::uint8_t Command, std::size_t ReplyBytes, bool InParts) {
    TCommandPacing& Pacing = Commands[Command];
    Pacing.ReplyBytes = ReplyBytes;
    if (InParts && !Pacing.TakesItsTime) {
        Pacing.Timed = true;
    }
}
