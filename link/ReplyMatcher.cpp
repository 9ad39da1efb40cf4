#include "link/ReplyMatcher.h"

#include <cstdio>

namespace {

std::uint8_t Family(std::uint8_t Command) {
    return static_cast<std::uint8_t>(Command >> 4);
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
    if (!IsFamilyOfAnswer(Current.Command, Command)) {
        Reason = DroppedReplyText(Number, Command, PageNumber);
        return false;
    }
    if (AbandonedRequests.empty()) {
        return true;
    }
    if (LooksLikeAnswer(Current, Number, Command, PageNumber)) {
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

bool TReplyMatcher::IsFamilyOfAnswer(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) const {
    constexpr std::uint8_t ComplaintFamily = 0x0;
    const std::uint8_t ReplyFamily = Family(ReplyCommand);
    return !FamilyEchoes || !NamesPage(RequestCommand) || ReplyFamily == Family(RequestCommand) ||
           ReplyFamily == ComplaintFamily;
}

void TReplyMatcher::LearnFamily(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) {
    constexpr std::uint8_t EraseFamily = 0x5;
    if (FamilyEchoes || AnswersWithOneCode || !NamesPage(RequestCommand)) {
        return;
    }
    const std::uint8_t RequestFamily = Family(RequestCommand);
    const std::uint8_t ReplyFamily = Family(ReplyCommand);
    if (ReplyFamily == EraseFamily && RequestFamily != EraseFamily) {
        AnswersWithOneCode = true;
        return;
    }
    if (ReplyFamily != RequestFamily) {
        return;
    }
    ++OwnFamilyReplies;
    OwnFamilyBesidesErase = OwnFamilyBesidesErase || RequestFamily != EraseFamily;
    FamilyEchoes = OwnFamilyReplies >= EchoesToTrustNumbers && OwnFamilyBesidesErase;
}

void TReplyMatcher::Abandoned(const TRequestIdentity& Current) {
    if (AbandonedRequests.size() == MaxAbandoned) {
        AbandonedRequests.pop_front();
    }
    AbandonedRequests.push_back(Current);
}

bool TReplyMatcher::LooksLikeAnswer(const TRequestIdentity& Request, std::uint8_t Number,
                                    std::uint8_t Command, std::uint16_t PageNumber) const {
    if (EchoState == TEchoState::Echoes) {
        return Number == Request.Number;
    }
    if (Family(Command) != Family(Request.Command)) {
        return false;
    }
    return !NamesPage(Request.Command) || PageNumber == Request.PageNumber;
}
