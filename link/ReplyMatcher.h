// Keeps a late reply from being taken for the answer to a later request. A request that timed
// out is remembered as abandoned; a reply that arrives while another request waits is dropped
// when it is recognisably the abandoned request's answer and not the current one's.
//
// What identifies an answer is what the board gives: the reply's command family (its high
// nibble, which the board's answer codes share with their command) and, for the page commands,
// the page number. The package number counts only once the board has shown that it echoes it:
// the protocol does not promise that it does.
//
// The family counts alike once the board has shown that it names it: a board may answer every
// page command with the same code (0x51), so a reply of another family is taken as the answer
// (its low nibble tells success) until the board has answered three page commands with their
// own family, one of them not an erase, and never a page command of another family with 0x5X.
// From then on a page command's reply of another family (but 0, the board's complaints about
// the frame itself) is no answer but a stale one: taking it would report work as done that was
// not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

struct TRequestIdentity {
    std::uint8_t Number = 0;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
};

class TReplyMatcher {
public:
    // Replies in a row that echoed their request's number before the number is trusted.
    static constexpr int EchoesToTrustNumbers = 3;
    // Abandoned requests remembered at most; the oldest is forgotten first.
    static constexpr std::size_t MaxAbandoned = 8;

    // True when Reply (a received package, possibly damaged) may be the answer to Current.
    // False when it is the late answer to an abandoned request; that request is then forgotten
    // and Reason says what was dropped.
    bool Accepts(const TRequestIdentity& Current, const std::uint8_t* Reply, std::size_t Length,
                 std::string& Reason);
    // Current got the reply with number ReplyNumber and command ReplyCommand: learns whether
    // the board echoes numbers and families.
    void Answered(const TRequestIdentity& Current, std::uint8_t ReplyNumber,
                  std::uint8_t ReplyCommand);
    // Current got no answer in time: its answer may still come.
    void Abandoned(const TRequestIdentity& Current);

    bool TrustsNumbers() const { return EchoState == TEchoState::Echoes; }
    bool TrustsFamilies() const { return FamilyEchoes; }

private:
    enum class TEchoState { Unknown, Echoes, DoesNotEcho };

    bool LooksLikeAnswer(const TRequestIdentity& Request, std::uint8_t Number, std::uint8_t Command,
                         std::uint16_t PageNumber) const;

    void LearnFamily(std::uint8_t RequestCommand, std::uint8_t ReplyCommand);
    bool IsFamilyOfAnswer(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) const;

    std::deque<TRequestIdentity> AbandonedRequests;
    TEchoState EchoState = TEchoState::Unknown;
    int EchoesInARow = 0;
    // Page commands answered with their own family; whether one of them was no erase; whether
    // the board answered another family with the erase family, as a one-code board does.
    int OwnFamilyReplies = 0;
    bool OwnFamilyBesidesErase = false;
    bool AnswersWithOneCode = false;
    bool FamilyEchoes = false;
};
