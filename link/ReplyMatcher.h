// Keeps a late reply from being taken for the answer to a later request. A request that timed
// out (or whose wait was stopped) is remembered as abandoned; a reply that arrives while another
// request waits is dropped when it is recognisably the abandoned request's answer and not the
// current one's.
//
// What identifies an answer is what the board gives: the reply's command family (its high
// nibble, which the board's answer codes share with their command) and, for the page commands,
// the page number. The package number counts only once the board has shown that it echoes it:
// the protocol does not promise that it does.
//
// The family counts alike, command by command, once the board has shown that it names it: a
// board may answer every page command with one success code (0x11, 0x21, 0x51 for all, or
// families mixed), so a page command's success is taken whatever its family until that very
// command has succeeded several times with its own family and never with another. From then on
// a success of another family (but 0, the board's complaints about the frame itself) is no
// answer to that command but a stale one: taking it would report work as done that was not.
// A refusal (any other low nibble) is the board's answer whatever its family.
#pragma once

#include <array>
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
    // Successes of a page command in its own family, and none in another, before its family is
    // trusted.
    static constexpr int OwnFamilySuccessesToTrust = 3;
    // Abandoned requests remembered at most; the oldest is forgotten first.
    static constexpr std::size_t MaxAbandoned = 8;

    // True when Reply (a received package, possibly damaged) may be the answer to Current.
    // False when it is the late answer to an abandoned request (that request is then
    // forgotten) or a stale success of another family; Reason says what was dropped.
    bool Accepts(const TRequestIdentity& Current, const std::uint8_t* Reply, std::size_t Length,
                 std::string& Reason);
    // Current got the reply with number ReplyNumber and command ReplyCommand: learns whether
    // the board echoes numbers, and whether it names Current's family when it succeeds.
    void Answered(const TRequestIdentity& Current, std::uint8_t ReplyNumber,
                  std::uint8_t ReplyCommand);
    // Current got no answer it waited for: its answer may still come.
    void Abandoned(const TRequestIdentity& Current);

    bool TrustsNumbers() const { return EchoState == TEchoState::Echoes; }
    // Whether a success of another family is taken as stale for the page command Command.
    bool TrustsFamilyOf(std::uint8_t Command) const;

private:
    enum class TEchoState { Unknown, Echoes, DoesNotEcho };
    // How one page command's successes have named their family.
    struct TFamilyEchoes {
        int OwnFamily = 0;
        bool OtherFamily = false;
    };

    bool LooksLikeAnswer(const TRequestIdentity& Request, std::uint8_t Number, std::uint8_t Command,
                         std::uint16_t PageNumber) const;
    bool IsStaleSuccess(std::uint8_t RequestCommand, std::uint8_t ReplyCommand) const;
    void LearnFamily(std::uint8_t RequestCommand, std::uint8_t ReplyCommand);

    std::deque<TRequestIdentity> AbandonedRequests;
    TEchoState EchoState = TEchoState::Unknown;
    int EchoesInARow = 0;
    // Indexed by the request's family.
    std::array<TFamilyEchoes, 16> Families{};
};
