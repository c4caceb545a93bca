// The relay's view of a talk, and where it gets the talks from.
#pragma once

#include <cstdint>
#include <vector>

namespace parlino {

struct TTalkPair {
    std::int32_t Payer = 0;
    std::int32_t Peer = 0;

    bool operator==(const TTalkPair&) const = default;
};

// Implemented by the owner of the talk list (the operator window).
class TalkPairSource {
public:
    virtual ~TalkPairSource() = default;
    // Any thread: the talks in progress as (payer, peer), in talk-list order, as the owner
    // last published them. The relay calls it without waiting for the owner's thread, which
    // may be busy for a long time (the minute's charges write call logs).
    virtual std::vector<TTalkPair> currentTalkPairs() const = 0;
};

}  // namespace parlino
