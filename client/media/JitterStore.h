// The two-slot jitter store between the receive thread and the playback thread, and the
// rules by which a received datagram is placed into it.
//
// Everything here is guarded by the softphone's VoiceLock: the receive thread places under
// the writing side, the playback thread refills (and advances PlaySeq and HighestSeq) under
// the reading side. The playback thread is the lock's only reader, so the two never change
// the positions at the same time.
#pragma once

#include "client/media/VoiceConstants.h"
#include "common/ZeltUtils.h"

#include <array>
#include <cstdint>

namespace parlino {

struct JitterStore {
    std::array<std::array<std::uint8_t, SamplesPerPacket>, JitterSlotCount> JitterSlots{};
    // The Sequence held by each slot; -1: empty.
    std::array<std::int32_t, JitterSlotCount> JitterSlotSeq{};
    // The Sequence of the datagram being placed.
    std::int32_t ReceivedSeq = 0;
    // The highest sequence placed or played so far.
    std::int32_t HighestSeq = 0;
    // The sequence the player takes next.
    std::int32_t PlaySeq = 0;

    JitterStore() { reset(); }
    // Silent slots, no tags, positions at 0: the state at the start of every talk.
    void reset();

    static int slotOf(std::int32_t sequence)
    {
        return static_cast<int>(static_cast<std::uint32_t>(sequence) & (JitterSlotCount - 1));
    }
    // Whether the datagram the player takes next is in its slot.
    bool holdsPlaySeq() const
    {
        return JitterSlotSeq[static_cast<std::size_t>(slotOf(PlaySeq))] == PlaySeq;
    }
};

// Which rule placed a datagram (or dropped it).
enum class PlacementRule {
    Synchronise = 1,  // first datagram near the playback position
    Recent = 2,       // one of the newest JitterSlotCount datagrams
    Next = 3,         // the datagram after the highest
    Young = 4,        // younger than MaxVoiceAgeSeconds on the call clock
    Dropped = 5,
};

// Places the decoded datagram `values` (Sequence, Samples, SendTime) into `store`, whose
// ReceivedSeq the caller has set to its Sequence. `synchronised` belongs to the receive
// thread of one talk. `callNow` is the receiver's call clock when the datagram arrived.
PlacementRule PlaceDatagram(JitterStore& store, bool& synchronised, const MessageValues& values,
                            double callNow);

// Refills the played playback buffers from the store at PlaySeq, advancing PlaySeq (and
// HighestSeq with it) by one per refilled buffer. A buffer whose datagram the store does not
// hold keeps its own audio when both were played, or takes a copy of the other one, which
// the device plays now, when it was played alone.
void RefillPlayedBuffers(JitterStore& store, std::uint8_t* buffer0, bool played0,
                         std::uint8_t* buffer1, bool played1);

}  // namespace parlino
