#include "client/media/JitterStore.h"
#include "client/media/SampleCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

namespace parlino {
namespace {

constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
const double NaN = std::nan("");

MessageValues datagram(std::int32_t sequence, std::int8_t fill, double sendTime)
{
    return MessageValues{sequence, Int8Samples(SamplesPerPacket, fill), sendTime};
}

struct PlacementCase {
    const char* name;
    bool synchronised;
    std::int32_t playSeq;
    std::int32_t highestSeq;
    std::int32_t receivedSeq;
    double callNow;
    double sendTime;
    PlacementRule rule;
    std::int32_t newHighest;
    std::int32_t newPlay;
    bool newSynchronised;
};

// The store before: slot 0 tagged 100 and slot 1 tagged 101, both holding their own sound.
TEST(JitterStoreTest, PlacementRulesInOrder)
{
    const PlacementCase cases[] = {
        // Not yet synchronised: the first datagram within 80 of the playback position.
        {"first datagram near PlaySeq", false, 3, 3, 0, 50, 0, PlacementRule::Synchronise, 0, 0, true},
        {"79 ahead is inside the window", false, 0, 0, 79, 50, 0, PlacementRule::Synchronise, 79, 79, true},
        {"79 behind is inside the window", false, 100, 100, 21, 50, 0, PlacementRule::Synchronise, 21, 21, true},
        {"80 ahead is outside and old", false, 0, 0, 80, 50, 0, PlacementRule::Dropped, 0, 0, false},
        {"80 behind is outside and old", false, 100, 100, 20, 50, 0, PlacementRule::Dropped, 100, 100, false},
        {"80 ahead but young", false, 0, 0, 80, 50, 49.9, PlacementRule::Young, 80, 80, false},
        {"outside the window, next after HighestSeq", false, 0, 200, 201, 50, 0, PlacementRule::Next, 201, 201, false},
        // Synchronised, HighestSeq 10.
        {"one below the highest", true, 7, 10, 9, 50, 0, PlacementRule::Recent, 10, 9, true},
        {"the highest again", true, 7, 10, 10, 50, 0, PlacementRule::Recent, 10, 10, true},
        {"the next", true, 7, 10, 11, 50, 0, PlacementRule::Next, 11, 11, true},
        {"two below, young", true, 7, 10, 8, 50, 49.9, PlacementRule::Young, 8, 8, true},
        {"two below, old", true, 7, 10, 8, 50, 0, PlacementRule::Dropped, 10, 7, true},
        {"two ahead, young", true, 7, 10, 12, 50, 49.9, PlacementRule::Young, 12, 12, true},
        {"two ahead, old", true, 7, 10, 12, 50, 0, PlacementRule::Dropped, 10, 7, true},
        {"age exactly 0.24 s", true, 7, 10, 12, 0.24, 0, PlacementRule::Dropped, 10, 7, true},
        {"age just under 0.24 s", true, 7, 10, 12, 0.2399, 0, PlacementRule::Young, 12, 12, true},
        {"SendTime not a number", true, 7, 10, 12, 50, NaN, PlacementRule::Dropped, 10, 7, true},
        {"SendTime far in the future", true, 7, 10, 12, 50, 1e12, PlacementRule::Young, 12, 12, true},
        // Sequences at the ends of the range neither overflow nor leave the slots.
        {"largest sequence, old", true, 7, 10, Max32, 50, 0, PlacementRule::Dropped, 10, 7, true},
        {"smallest sequence, young", true, 7, 10, Min32, 50, 49.9, PlacementRule::Young, Min32, Min32, true},
        {"negative sequence, young", true, 7, 10, -3, 50, 49.9, PlacementRule::Young, -3, -3, true},
        {"window at the top of the range", false, Max32 - 10, Max32 - 10, Max32, 50, 0, PlacementRule::Synchronise, Max32, Max32, true},
        {"window at the bottom of the range", false, Min32 + 5, Min32 + 5, Min32, 50, 0, PlacementRule::Synchronise, Min32, Min32, true},
        {"next after the largest highest", true, Max32, Max32, Min32, 50, 0, PlacementRule::Dropped, Max32, Max32, true},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        JitterStore store;
        store.JitterSlots[0].fill(0x10);
        store.JitterSlots[1].fill(0x11);
        store.JitterSlotSeq = {100, 101};
        store.PlaySeq = c.playSeq;
        store.HighestSeq = c.highestSeq;
        store.ReceivedSeq = c.receivedSeq;
        const JitterStore before = store;
        bool synchronised = c.synchronised;

        const PlacementRule rule =
            PlaceDatagram(store, synchronised, datagram(c.receivedSeq, 0x55, c.sendTime), c.callNow);

        EXPECT_EQ(rule, c.rule);
        EXPECT_EQ(store.HighestSeq, c.newHighest);
        EXPECT_EQ(store.PlaySeq, c.newPlay);
        EXPECT_EQ(synchronised, c.newSynchronised);
        const int slot = static_cast<int>(static_cast<std::uint32_t>(c.receivedSeq) & 1u);
        if (rule == PlacementRule::Dropped) {
            EXPECT_EQ(store.JitterSlotSeq, before.JitterSlotSeq);
            EXPECT_EQ(store.JitterSlots, before.JitterSlots);
        } else {
            EXPECT_EQ(store.JitterSlotSeq[slot], c.receivedSeq);
            EXPECT_EQ(store.JitterSlots[slot][0], 0x55);
            EXPECT_EQ(store.JitterSlots[slot][SamplesPerPacket - 1], 0x55);
            EXPECT_EQ(store.JitterSlotSeq[1 - slot], before.JitterSlotSeq[1 - slot]);
            EXPECT_EQ(store.JitterSlots[1 - slot], before.JitterSlots[1 - slot]);
        }
    }
}

TEST(JitterStoreTest, ResetEmptiesTheSlotsAndZeroesThePositions)
{
    JitterStore store;
    store.JitterSlots[1].fill(7);
    store.JitterSlotSeq = {4, 5};
    store.ReceivedSeq = store.HighestSeq = store.PlaySeq = 9;
    store.reset();
    EXPECT_EQ(store.JitterSlotSeq[0], -1);
    EXPECT_EQ(store.JitterSlotSeq[1], -1);
    EXPECT_EQ(store.JitterSlots[1][100], 0);
    EXPECT_EQ(store.HighestSeq, 0);
    EXPECT_EQ(store.PlaySeq, 0);
    EXPECT_EQ(store.ReceivedSeq, 0);
}

// Contents are marked by one byte: A0/A1 the two slots, B0/B1 the buffers' old audio.
struct RefillCase {
    const char* name;
    std::int32_t playSeq;
    std::int32_t highestSeq;
    std::int32_t tag0;
    std::int32_t tag1;
    bool played0;
    bool played1;
    std::uint8_t buffer0;
    std::uint8_t buffer1;
    std::int32_t newPlay;
    std::int32_t newHighest;
};

TEST(JitterStoreTest, RefillOfPlayedBuffers)
{
    const RefillCase cases[] = {
        {"buffer 0 alone, slot holds PlaySeq", 5, 5, -1, 5, true, false, 0xA1, 0xB1, 6, 6},
        {"buffer 1 alone, slot holds an old tag", 6, 6, 4, -1, false, true, 0xB0, 0xB0, 7, 7},
        {"buffer 0 alone, miss copies buffer 1", 4, 4, 2, -1, true, false, 0xB1, 0xB1, 5, 5},
        {"both, nothing received", 0, 0, -1, -1, true, true, 0xB0, 0xB1, 2, 2},
        {"both, both found", 8, 9, 8, 9, true, true, 0xA0, 0xA1, 10, 10},
        {"both, second missing keeps its audio", 8, 9, 8, 7, true, true, 0xA0, 0xB1, 10, 10},
        {"both, first missing keeps its audio", 8, 9, 6, 9, true, true, 0xB0, 0xA1, 10, 10},
        {"behind the highest, highest stays", 3, 10, -1, 3, true, false, 0xA1, 0xB1, 4, 10},
        {"nothing played", 5, 5, -1, 5, false, false, 0xB0, 0xB1, 5, 5},
        {"largest sequence wraps", Max32, Max32, -1, Max32, true, false, 0xA1, 0xB1, Min32, Max32},
    };
    for (const RefillCase& c : cases) {
        SCOPED_TRACE(c.name);
        JitterStore store;
        store.JitterSlots[0].fill(0xA0);
        store.JitterSlots[1].fill(0xA1);
        store.JitterSlotSeq = {c.tag0, c.tag1};
        store.PlaySeq = c.playSeq;
        store.HighestSeq = c.highestSeq;
        std::array<std::uint8_t, SamplesPerPacket> buffer0;
        std::array<std::uint8_t, SamplesPerPacket> buffer1;
        buffer0.fill(0xB0);
        buffer1.fill(0xB1);

        RefillPlayedBuffers(store, buffer0.data(), c.played0, buffer1.data(), c.played1);

        EXPECT_EQ(buffer0[0], c.buffer0);
        EXPECT_EQ(buffer0[SamplesPerPacket - 1], c.buffer0);
        EXPECT_EQ(buffer1[0], c.buffer1);
        EXPECT_EQ(buffer1[SamplesPerPacket - 1], c.buffer1);
        EXPECT_EQ(store.PlaySeq, c.newPlay);
        EXPECT_EQ(store.HighestSeq, c.newHighest);
        // Played slots are never marked empty.
        EXPECT_EQ(store.JitterSlotSeq[0], c.tag0);
        EXPECT_EQ(store.JitterSlotSeq[1], c.tag1);
    }
}

TEST(SampleCopyTest, CopiesOnlyAMatchingArrayWithSelectorOne)
{
    Int8Samples bytes(SamplesPerPacket);
    for (int i = 0; i < SamplesPerPacket; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(i - 128);
    const MessageValues values{std::int32_t(1), bytes, 0.0};

    std::array<std::uint8_t, SamplesPerPacket + 1> slot;
    slot.fill(0xEE);
    CopyByteSamples(slot.data(), SamplesPerPacket, 1, values, 1);
    EXPECT_EQ(slot[0], 0x80);  // -128 keeps its bit pattern
    EXPECT_EQ(slot[255], 127);
    EXPECT_EQ(slot[SamplesPerPacket - 1], static_cast<std::uint8_t>(SamplesPerPacket - 1 - 128));
    EXPECT_EQ(slot[SamplesPerPacket], 0xEE) << "wrote past the count";

    struct NoCopy {
        const char* name;
        std::int16_t selector;
        MessageValues values;
        int index;
    };
    const NoCopy refused[] = {
        {"selector 0", 0, values, 1},
        {"selector 2", 2, values, 1},
        {"field of another kind", 1, values, 0},
        {"16-bit array", 1, MessageValues{Int16Samples(SamplesPerPacket, 1)}, 0},
        {"index past the list", 1, values, 5},
        {"negative index", 1, values, -1},
    };
    for (const NoCopy& c : refused) {
        SCOPED_TRACE(c.name);
        slot.fill(0xEE);
        CopyByteSamples(slot.data(), SamplesPerPacket, c.selector, c.values, c.index);
        EXPECT_EQ(slot[0], 0xEE);
    }

    slot.fill(0xEE);
    CopyByteSamples(slot.data(), SamplesPerPacket, 1, MessageValues{Int8Samples(10, 3)}, 0);
    EXPECT_EQ(slot[9], 3);
    EXPECT_EQ(slot[10], 0xEE) << "a short array is read past its end";
}

TEST(SampleCopyTest, SmallintSamplesCopyOnlySixteenBitArrays)
{
    std::array<std::int16_t, 4> cells{9, 9, 9, 9};
    CopySmallintSamples(cells.data(), 3, 1, MessageValues{Int16Samples{-1, 300, -32768, 5}}, 0);
    EXPECT_EQ(cells, (std::array<std::int16_t, 4>{-1, 300, -32768, 9}));
    cells.fill(9);
    CopySmallintSamples(cells.data(), 3, 1, MessageValues{Int8Samples{1, 2, 3}}, 0);
    EXPECT_EQ(cells[0], 9);
}

}  // namespace
}  // namespace parlino
