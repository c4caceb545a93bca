#include "client/media/JitterStore.h"

#include "client/media/SampleCopy.h"

#include <cstring>
#include <variant>

namespace parlino {

namespace {

// Sequences come from the network: compare and step them without overflowing. Bounds are
// taken in 64 bits; a step past the largest sequence wraps as the 32-bit counter would.
std::int32_t nextSequence(std::int32_t sequence)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(sequence) + 1u);
}

void store(JitterStore& store, const MessageValues& values)
{
    const int slot = JitterStore::slotOf(store.ReceivedSeq);
    CopyByteSamples(store.JitterSlots[static_cast<std::size_t>(slot)].data(), SamplesPerPacket, 1,
                    values, 1);
    store.JitterSlotSeq[static_cast<std::size_t>(slot)] = store.ReceivedSeq;
}

bool youngEnough(double callNow, const MessageValues& values)
{
    const double* sendTime = values.size() > 2 ? std::get_if<double>(&values[2]) : nullptr;
    if (!sendTime)
        return false;
    // A difference that is not a number compares false and so does not pass.
    const long double age = static_cast<long double>(callNow) - static_cast<long double>(*sendTime);
    return age < static_cast<long double>(MaxVoiceAgeSeconds);
}

}  // namespace

void JitterStore::reset()
{
    for (auto& slot : JitterSlots)
        slot.fill(0);
    JitterSlotSeq.fill(-1);
    ReceivedSeq = 0;
    HighestSeq = 0;
    PlaySeq = 0;
}

PlacementRule PlaceDatagram(JitterStore& jitter, bool& synchronised, const MessageValues& values,
                            double callNow)
{
    const std::int64_t received = jitter.ReceivedSeq;
    const std::int64_t play = jitter.PlaySeq;
    const std::int64_t highest = jitter.HighestSeq;
    const std::int64_t slots = JitterSlotCount;

    if (!synchronised && play - SyncWindow < received && received < play + SyncWindow) {
        store(jitter, values);
        jitter.HighestSeq = jitter.ReceivedSeq;
        jitter.PlaySeq = jitter.ReceivedSeq;
        synchronised = true;
        return PlacementRule::Synchronise;
    }
    if (highest - slots < received && received <= highest) {
        store(jitter, values);
        jitter.PlaySeq = jitter.ReceivedSeq;
        return PlacementRule::Recent;
    }
    if (highest < received && received < highest + slots) {
        store(jitter, values);
        jitter.HighestSeq = jitter.ReceivedSeq;
        jitter.PlaySeq = jitter.ReceivedSeq;
        return PlacementRule::Next;
    }
    if (youngEnough(callNow, values)) {
        store(jitter, values);
        jitter.HighestSeq = jitter.ReceivedSeq;
        jitter.PlaySeq = jitter.ReceivedSeq;
        return PlacementRule::Young;
    }
    return PlacementRule::Dropped;
}

namespace {

// Fills `buffer` from the slot of PlaySeq when it holds that datagram and moves on by one.
bool refillOne(JitterStore& jitter, std::uint8_t* buffer)
{
    const auto slot = static_cast<std::size_t>(JitterStore::slotOf(jitter.PlaySeq));
    const bool found = jitter.holdsPlaySeq();
    if (found)
        std::memcpy(buffer, jitter.JitterSlots[slot].data(), SamplesPerPacket);
    jitter.PlaySeq = nextSequence(jitter.PlaySeq);
    if (jitter.PlaySeq > jitter.HighestSeq)
        jitter.HighestSeq = jitter.PlaySeq;
    return found;
}

}  // namespace

void RefillPlayedBuffers(JitterStore& jitter, std::uint8_t* buffer0, bool played0,
                         std::uint8_t* buffer1, bool played1)
{
    if (played0 && played1) {
        refillOne(jitter, buffer0);  // a miss plays the buffer's own audio again
        refillOne(jitter, buffer1);
    } else if (played0) {
        if (!refillOne(jitter, buffer0))
            std::memcpy(buffer0, buffer1, SamplesPerPacket);
    } else if (played1) {
        if (!refillOne(jitter, buffer1))
            std::memcpy(buffer1, buffer0, SamplesPerPacket);
    }
}

}  // namespace parlino
