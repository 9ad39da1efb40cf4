// Keeps a late reply from being taken for the answer to a later request. A request that timed
// out is remembered as abandoned; a reply that arrives while another request waits is dropped
// when it is recognisably the abandoned request's answer and not the current one's.
//
// What identifies an answer is what the board gives: the reply's command family (its high
// nibble, which the board's answer codes share with their command) and, for the page commands,
// the page number. The package number counts only once the board has shown that it echoes it:
// the protocol does not promise that it does.
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
    // Current got the reply with number ReplyNumber: learns whether the board echoes numbers.
    void Answered(const TRequestIdentity& Current, std::uint8_t ReplyNumber);
    // Current got no answer in time: its answer may still come.
    void Abandoned(const TRequestIdentity& Current);

    bool TrustsNumbers() const { return EchoState == TEchoState::Echoes; }

private:
    enum class TEchoState { Unknown, Echoes, DoesNotEcho };

    bool LooksLikeAnswer(const TRequestIdentity& Request, std::uint8_t Number, std::uint8_t Command,
                         std::uint16_t PageNumber) const;

    std::deque<TRequestIdentity> AbandonedRequests;
    TEchoState EchoState = TEchoState::Unknown;
    int EchoesInARow = 0;
};
