#include "link/ReplyMatcher.h"

#include <cstdio>

namespace {

constexpr std::uint8_t SuccessNibble = 0x01;
// The family of the board's complaints about the frame itself (0x02): any request's answer.
constexpr std::uint8_t ComplaintFamily = 0x0;

std::uint8_t Family(std::uint8_t Command) {
    return static_cast<std::uint8_t>(Command >> 4);
}

bool IsSuccess(std::uint8_t ReplyCommand) {
    return (ReplyCommand & 0x0F) == SuccessNibble;
}

// Transfer, write, read, compare and erase name a page; their answers carry it back.
bool NamesPage(std::uint8_t Command) {
    const std::uint8_t CommandFamily = Family(Command);
    return CommandFamily >= 0x1 && CommandFamily <= 0x5;
}

std::string DroppedReplyText(std::uint8_t Number, std::uint8_t Command, std::uint16_t PageNumber) {
    char Text[96];
    std::snprintf(Text, sizeof Text, "number %u, command %02X, page %u", unsigned{Number},
                  unsigned{Command}, unsigned{PageNumber});
    return Text;
}

} // namespace

bool TReplyMatcher::Accepts(const TRequestIdentity& Current, const std::uint8_t* Reply,
                            std::size_t Length, std::string& Reason) {
    // A reply too short to carry a page number cannot be told apart; it fails as damaged.
    constexpr std::size_t IdentifyingBytes = 4;
    if (Length < IdentifyingBytes) {
        return true;
    }
    const std::uint8_t Number = Reply[0];
    const std::uint8_t Command = Reply[1];
    const auto PageNumber = static_cast<std::uint16_t>(Reply[2] << 8 | Reply[3]);
    if (IsStaleSuccess(Current.Command, Command)) {
        Reason = DroppedReplyText(Number, Command, PageNumber);
        return false;
    }
    if (AbandonedRequests.empty() || LooksLikeAnswer(Current, Number, Command, PageNumber)) {
        return true;
    }
    for (auto Request = AbandonedRequests.begin(); Request != AbandonedRequests.end(); ++Request) {
        if (LooksLikeAnswer(*Request, Number, Command, PageNumber)) {
            AbandonedRequests.erase(Request);
            Reason = DroppedReplyText(Number, Command, PageNumber);
            return false;
        }
    }
    return true;
}

void TReplyMatcher::Answered(const TRequestIdentity& Current, std::uint8_t ReplyNumber,
                             std::uint8_t ReplyCommand) {
    LearnFamily(Current.Command, ReplyCommand);
    if (EchoState == TEchoState::DoesNotEcho) {
        return;
    }
    if (ReplyNumber != Current.Number) {
        EchoState = TEchoState::DoesNotEcho;
        return;
    }
    if (++EchoesInARow >= EchoesToTrustNumbers) {
        EchoState = TEchoState::Echoes;
    }
}

bool TReplyMatcher::TrustsFamilyOf(std::uint8_t Command) const {
    const TFamilyEchoes& Echoes = Families[Family(Command)];
    return NamesPage(Command) && Echoes.OwnFamily >= OwnFamilySuccessesToTrust &&
           !Echoes.OtherFamily;
}

bool TReplyMatcher::IsStaleSuccess(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) const {
    const std::uint8_t ReplyFamily = Family(ReplyCommand);
    return IsSuccess(ReplyCommand) && ReplyFamily != Family(RequestCommand) &&
           ReplyFamily != ComplaintFamily && TrustsFamilyOf(RequestCommand);
}

// Only successes teach: a refusal is taken whatever its family, so its family tells nothing
// about which answers are stale.
void TReplyMatcher::LearnFamily(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) {
    if (!NamesPage(RequestCommand) || !IsSuccess(ReplyCommand)) {
        return;
    }
    TFamilyEchoes& Echoes = Families[Family(RequestCommand)];
    const std::uint8_t ReplyFamily = Family(ReplyCommand);
    if (ReplyFamily == Family(RequestCommand)) {
        ++Echoes.OwnFamily;
    } else if (ReplyFamily != ComplaintFamily) {
        Echoes.OtherFamily = true;
    }
}

void TReplyMatcher::Abandoned(const TRequestIdentity& Current) {
    if (AbandonedRequests.size() == MaxAbandoned) {
        AbandonedRequests.pop_front();
    }
    AbandonedRequests.push_back(Current);
}

// A reply that carries the request's own number and page is its answer, unless the board has
// shown that its numbers are its own; otherwise the family and page tell.
bool TReplyMatcher::LooksLikeAnswer(const TRequestIdentity& Request, std::uint8_t Number,
                                    std::uint8_t Command, std::uint16_t PageNumber) const {
    if (EchoState == TEchoState::Echoes) {
        return Number == Request.Number;
    }
    const bool SamePage = !NamesPage(Request.Command) || PageNumber == Request.PageNumber;
    if (EchoState == TEchoState::Unknown && Number == Request.Number && SamePage) {
        return true;
    }
    return Family(Command) == Family(Request.Command) && SamePage;
}
