#include "common/MessageFraming.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace parlino {
namespace {

struct Received {
    char letter;
    MessageValues values;
};

// Runs the server's receive loop and records what it handled and dropped.
struct ServerReader {
    ByteString buffer;
    std::vector<Received> handled;
    std::vector<char> dropped;
    int stopAfter = -1;  // stop the loop after this many messages

    void Feed(const ByteString& bytes)
    {
        buffer += bytes;
        DrainMessages(
            buffer, &ServerReadFields,
            [this](char letter, const MessageValues& values) {
                handled.push_back({letter, values});
                return stopAfter < 0 || static_cast<int>(handled.size()) < stopAfter;
            },
            [this](char byte) { dropped.push_back(byte); });
    }
};

TEST(Catalogue, EachEndKnowsItsOwnLetters)
{
    int serverLetters = 0, clientLetters = 0;
    for (int c = 0; c < 256; ++c) {
        serverLetters += ServerReadFields(static_cast<char>(c)).has_value();
        clientLetters += ClientReadFields(static_cast<char>(c)).has_value();
    }
    EXPECT_EQ(serverLetters, 19);
    EXPECT_EQ(clientLetters, 21);
    // The same letter carries other fields in the other direction.
    EXPECT_EQ(ServerReadFields('P')->size(), 4u);
    EXPECT_TRUE(ClientReadFields('P')->empty());
    EXPECT_EQ(ServerReadFields('f')->size(), 4u);
    EXPECT_EQ(ClientReadFields('f')->size(), 3u);
    EXPECT_FALSE(ClientReadFields('t').has_value());
    EXPECT_FALSE(ServerReadFields('V').has_value());
}

TEST(ReceiveLoop, HandlesTwoMessagesOfOneRead)
{
    ServerReader reader;
    reader.Feed(BuildMessage('C', 1, {std::int32_t{102}}) + "b");
    ASSERT_EQ(reader.handled.size(), 2u);
    EXPECT_EQ(reader.handled[0].letter, 'C');
    EXPECT_EQ(ValueAs<std::int32_t>(reader.handled[0].values, 0), 102);
    EXPECT_EQ(reader.handled[1].letter, 'b');
    EXPECT_TRUE(reader.buffer.empty());
}

TEST(ReceiveLoop, MessageSplitOverThreeReadsIsHandledAtTheThird)
{
    const ByteString login = BuildMessage(
        'P', 4, {std::int32_t{40000}, std::int32_t{101}, std::string("582047"), std::string()});
    ServerReader reader;
    reader.Feed(login.substr(0, 3));
    reader.Feed(login.substr(3, 8));
    EXPECT_TRUE(reader.handled.empty());
    EXPECT_EQ(reader.buffer, login.substr(0, 11));
    reader.Feed(login.substr(11));
    ASSERT_EQ(reader.handled.size(), 1u);
    EXPECT_EQ(ValueAs<std::string>(reader.handled[0].values, 2), "582047");
    EXPECT_TRUE(reader.buffer.empty());
}

TEST(ReceiveLoop, DropsUnknownBytesAndResynchronises)
{
    ServerReader reader;
    reader.Feed("Q\x7F" + BuildMessage('F', 1, {std::int32_t{101}}));
    EXPECT_EQ(reader.dropped, (std::vector<char>{'Q', '\x7F'}));
    ASSERT_EQ(reader.handled.size(), 1u);
    EXPECT_EQ(reader.handled[0].letter, 'F');
}

TEST(ReceiveLoop, NegativeTextCountDropsOnlyTheLetterAndGoesOn)
{
    ServerReader reader;
    // "p" announcing -1 bytes of PIN, then a balance request.
    reader.Feed(ByteString("p\xFF\xFF\xFF\xFF", 5) + "b");
    // The letter goes first; the four count bytes are no letters and follow one by one.
    EXPECT_EQ(reader.dropped, (std::vector<char>{'p', '\xFF', '\xFF', '\xFF', '\xFF'}));
    ASSERT_EQ(reader.handled.size(), 1u);
    EXPECT_EQ(reader.handled[0].letter, 'b');
    EXPECT_TRUE(reader.buffer.empty());
}

TEST(ReceiveLoop, HandlerCanStopTheLoopAndKeepTheRest)
{
    ServerReader reader;
    reader.stopAfter = 1;
    reader.Feed("bb");
    EXPECT_EQ(reader.handled.size(), 1u);
    EXPECT_EQ(reader.buffer, "b");
}

TEST(ReceiveLoop, HandlerThatThrowsLosesOnlyItsMessage)
{
    ByteString buffer = "Q" + BuildMessage('C', 1, {std::int32_t{102}}) + "b" + ByteString("P\x01", 2);
    int calls = 0;
    const auto throwing = [&](char, const MessageValues&) -> bool {
        ++calls;
        throw std::runtime_error("table engine");
    };
    EXPECT_THROW(DrainMessages(buffer, &ServerReadFields, throwing), std::runtime_error);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(buffer, "b" + ByteString("P\x01", 2)) << "the junk and the 'C' are gone, the rest waits";
}

TEST(ReceiveLoop, LongRunsOfJunkAndMessagesKeepEveryByteInOrder)
{
    // Runs long enough that a loop which cuts the buffer per byte would still pass but a
    // miscounted position would not: junk, bare letters, whole and cut messages mixed.
    ByteString wire;
    std::vector<char> expected;
    for (int i = 0; i < 2000; ++i) {
        wire += ByteString(static_cast<std::size_t>(i % 7), 'Q');
        if (i % 3 == 0) {
            wire += BuildMessage('C', 1, {std::int32_t{i}});
            expected.push_back('C');
        } else {
            wire += 'b';
            expected.push_back('b');
        }
    }
    ServerReader reader;
    for (std::size_t at = 0; at < wire.size(); at += 997)
        reader.Feed(wire.substr(at, 997));
    std::vector<char> letters;
    int nextCallee = 0;
    for (const Received& message : reader.handled) {
        letters.push_back(message.letter);
        if (message.letter == 'C') {
            EXPECT_EQ(ValueAs<std::int32_t>(message.values, 0), nextCallee);
            nextCallee += 3;
        }
    }
    EXPECT_EQ(letters, expected);
    EXPECT_TRUE(reader.buffer.empty());
}

TEST(ReceiveLoop, ClientReadsBareLettersAndDeliveredForms)
{
    ByteString buffer = "S" + BuildMessage('f', 3, {std::string("Paris"), 0.5, false}) + "Tz";
    std::vector<char> letters;
    DrainMessages(buffer, &ClientReadFields, [&](char letter, const MessageValues& values) {
        letters.push_back(letter);
        if (letter == 'f') {
            EXPECT_EQ(ValueAs<double>(values, 1), 0.5);
        }
        return true;
    });
    EXPECT_EQ(letters, (std::vector<char>{'S', 'f', 'T', 'z'}));
}

TEST(VoiceFraming, DropsJunkAndJoinsSplitPackets)
{
    VoicePacket first{5, Int8Samples(SamplesPerPacket, 1), 0.12};
    VoicePacket second{6, Int8Samples(SamplesPerPacket, 2), 0.24};
    const ByteString a = PackVoicePacket(first);
    const ByteString b = PackVoicePacket(second);
    ASSERT_EQ(a.size(), VoicePacketSize);

    ByteString buffer;
    std::vector<VoicePacket> got;
    auto collect = [&](VoicePacket&& p) { got.push_back(std::move(p)); };

    buffer += "xyz" + a + b.substr(0, 100);  // junk, one whole packet, a part of the next
    DrainVoicePackets(buffer, collect);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Sequence, 5);
    EXPECT_EQ(buffer, b.substr(0, 100));

    buffer += b.substr(100);
    DrainVoicePackets(buffer, collect);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].Sequence, 6);
    EXPECT_EQ(got[1].Samples, second.Samples);
    EXPECT_EQ(got[1].SendTime, 0.24);
    EXPECT_TRUE(buffer.empty());
}

TEST(VoiceFraming, JunkWithoutAnyPacketStartIsDroppedWhole)
{
    ByteString buffer(8192, 'x');
    int packets = 0;
    DrainVoicePackets(buffer, [&](VoicePacket&&) { ++packets; });
    EXPECT_EQ(packets, 0);
    EXPECT_TRUE(buffer.empty());

    // A 'D' in the junk that does not start a whole packet keeps everything from it on.
    buffer = "xx" + ByteString("D\x01\x02", 3);
    DrainVoicePackets(buffer, [&](VoicePacket&&) { ++packets; });
    EXPECT_EQ(packets, 0);
    EXPECT_EQ(buffer, ByteString("D\x01\x02", 3));
}

TEST(VoiceFraming, ForwarderGetsEachPacketsOwnBytesAndSequence)
{
    const ByteString first = PackVoicePacket({-7, Int8Samples(SamplesPerPacket, 3), 1.5});
    const ByteString second = PackVoicePacket({8, Int8Samples(SamplesPerPacket, 4), 2.5});
    ByteString buffer = "junk" + first + second.substr(0, 500);
    std::vector<std::pair<ByteString, std::int32_t>> got;
    const auto collect = [&](std::string_view packet, std::int32_t sequence) {
        got.emplace_back(ByteString(packet), sequence);
    };
    drainVoicePacketBytes(buffer, collect);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, first);
    EXPECT_EQ(got[0].second, -7);
    EXPECT_EQ(buffer, second.substr(0, 500));

    buffer += second.substr(500);
    drainVoicePacketBytes(buffer, collect);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].first, second);
    EXPECT_EQ(got[1].second, 8);
    EXPECT_TRUE(buffer.empty());
}

TEST(VoiceFraming, AWholePacketDatagramStandsAloneOthersAreJoined)
{
    const ByteString a = PackVoicePacket({21, Int8Samples(SamplesPerPacket, 5), 1.0});
    const ByteString b = PackVoicePacket({22, Int8Samples(SamplesPerPacket, 6), 1.1});
    struct Case {
        const char* name;
        std::vector<ByteString> datagrams;
        std::vector<std::int32_t> sequences;
    };
    const std::vector<Case> cases = {
        {"stray start of a packet, then whole packets", {ByteString("D\0", 2), a, b}, {21, 22}},
        {"a packet split over two datagrams", {a.substr(0, 500), a.substr(500)}, {21}},
        {"a split packet cut off by a whole one", {b.substr(0, 600), a, b.substr(600)}, {21}},
        {"junk and a packet in one datagram", {"xy" + a}, {21}},
        {"two packets in one datagram", {a + b}, {21, 22}},
    };
    for (const Case& c : cases) {
        ByteString buffer;
        std::vector<std::int32_t> got;
        for (const ByteString& datagram : c.datagrams) {
            appendVoiceDatagram(buffer, datagram);
            DrainVoicePackets(buffer, [&](VoicePacket&& p) { got.push_back(p.Sequence); });
        }
        EXPECT_EQ(got, c.sequences) << c.name;
    }
}

TEST(SendLoop, KeepsHandingBytesUntilAllAreTaken)
{
    ByteString out = "0123456789";
    ByteString wire;
    const bool whole = SendWhole(out, [&](std::string_view bytes) -> std::int64_t {
        const std::size_t n = std::min<std::size_t>(3, bytes.size());
        wire.append(bytes.substr(0, n));
        return static_cast<std::int64_t>(n);
    });
    EXPECT_TRUE(whole);
    EXPECT_EQ(wire, "0123456789");
    EXPECT_TRUE(out.empty());
}

TEST(SendLoop, EndsWhenTheConnectionFailsOrStalls)
{
    ByteString out = "abcdef";
    int calls = 0;
    EXPECT_FALSE(SendWhole(out, [&](std::string_view) -> std::int64_t { return ++calls == 1 ? 2 : -1; }));
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(out.empty()) << "the rest is dropped, so the next message starts clean";

    out = "abc";
    calls = 0;
    EXPECT_FALSE(SendWhole(out, [&](std::string_view) -> std::int64_t { ++calls; return 0; }, 50));
    EXPECT_EQ(calls, 50);
}

}  // namespace
}  // namespace parlino
