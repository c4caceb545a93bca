#include "common/ZeltUtils.h"

#include <gtest/gtest.h>

#include <array>

namespace parlino {
namespace {

using K = FieldKind;

ByteString Bytes(std::initializer_list<int> values)
{
    ByteString out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

ByteString Packed(char letter, int count, const MessageValues& values)
{
    ByteString msg(1, letter);
    PackMessage(msg, count, values);
    return msg;
}

TEST(PackMessage, WritesEachKindLittleEndian)
{
    EXPECT_EQ(Packed('I', 1, {std::string("Hi")}), Bytes({0x49, 0x02, 0, 0, 0, 0x48, 0x69}));
    EXPECT_EQ(Packed('x', 1, {std::int32_t{-2}}), Bytes({'x', 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Packed('x', 1, {std::int16_t{0x1234}}), Bytes({'x', 0x34, 0x12}));
    EXPECT_EQ(Packed('x', 1, {std::int8_t{-1}}), Bytes({'x', 0xFF}));
    EXPECT_EQ(Packed('x', 2, {true, false}), Bytes({'x', 1, 0}));
    EXPECT_EQ(Packed('x', 1, {1.0}), Bytes({'x', 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(Packed('x', 1, {std::string()}), Bytes({'x', 0, 0, 0, 0}));
}

TEST(PackMessage, WritesExactlyOnePacketOfSamplesWithoutCount)
{
    Int8Samples narrow(SamplesPerPacket + 5, 7);
    EXPECT_EQ(Packed('D', 1, {narrow}).size(), 1u + SamplesPerPacket);
    Int16Samples wide(SamplesPerPacket, -2);
    const ByteString msg = Packed('D', 1, {wide});
    ASSERT_EQ(msg.size(), 1u + 2 * SamplesPerPacket);
    EXPECT_EQ(msg.substr(1, 2), Bytes({0xFE, 0xFF}));
}

TEST(PackMessage, AppendsNothingWhenAnySlotCannotBeWritten)
{
    EXPECT_EQ(Packed('C', 3, {std::int32_t{1}, std::int32_t{2}, MessageValue{}}), "C");
    EXPECT_EQ(Packed('C', 2, {std::int32_t{1}, std::uint32_t{2}}), "C");
    EXPECT_EQ(Packed('C', 1, {std::int64_t{1}}), "C");
    EXPECT_EQ(Packed('C', 1, {1.5f}), "C");
    EXPECT_EQ(Packed('C', 1, {Int8Samples(SamplesPerPacket - 1)}), "C");
    EXPECT_EQ(Packed('C', 2, {std::int32_t{1}}), "C") << "fewer values than the count";
    EXPECT_EQ(Packed('C', 0, {std::int32_t{1}}), "C");
}

TEST(PackMessage, TextTravelsAsItsSingleByteCharactersOneByteEach)
{
    // "\xE9" is e acute in ISO 8859-1: one character, one byte in memory and on the wire.
    // A full 20-character password with one accented letter counts 20.
    const std::string password = "pass\xE9" "012345678901234";
    ASSERT_EQ(password.size(), 20u);
    const ByteString msg = Packed('x', 1, {password});
    EXPECT_EQ(msg, ByteString("x\x14\0\0\0", 5) + password);
    // Every byte value is a character and goes out unchanged, the ones UTF-8 would treat as
    // parts of a sequence included.
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(Packed('I', 1, {all}).substr(5), all);
}

TEST(UnpackMessage, ReadsEveryKindAndRemovesExactlyOneMessage)
{
    MessageValues values{std::int32_t{99}};
    ByteString buffer = Packed('c', 5, {std::int32_t{205}, std::string("49"), std::string("\xE9\xFF"),
                                        std::string("5551234"), true})
                        + "next";
    const std::array kinds{K::Int32, K::String, K::String, K::String, K::Boolean};
    ASSERT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Complete);
    EXPECT_EQ(buffer, "next");
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(std::get<std::int32_t>(values[0]), 205);
    EXPECT_EQ(std::get<std::string>(values[1]), "49");
    EXPECT_EQ(std::get<std::string>(values[2]), "\xE9\xFF") << "single-byte text comes back byte for byte";
    EXPECT_EQ(std::get<std::string>(values[3]), "5551234");
    EXPECT_TRUE(std::get<bool>(values[4]));
}

TEST(UnpackMessage, AnyNonZeroBooleanByteIsTrue)
{
    ByteString buffer = Bytes({'x', 2, 0});
    MessageValues values;
    const std::array kinds{K::Boolean, K::Boolean};
    ASSERT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Complete);
    EXPECT_TRUE(std::get<bool>(values[0]));
    EXPECT_FALSE(std::get<bool>(values[1]));
}

TEST(UnpackMessage, IncompleteLeavesBufferAndGivesFiveEmptySlots)
{
    const std::array kinds{K::Int32, K::String};
    const ByteString whole = Packed('d', 2, {std::int32_t{801}, std::string("12#")});
    for (std::size_t cut = 1; cut < whole.size(); ++cut) {
        ByteString buffer = whole.substr(0, cut);
        MessageValues values{std::int32_t{1}, std::string("stale")};
        EXPECT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Incomplete) << cut;
        EXPECT_EQ(buffer, whole.substr(0, cut));
        ASSERT_EQ(values.size(), 5u);
        for (const MessageValue& v : values)
            EXPECT_TRUE(std::holds_alternative<std::monostate>(v));
    }
}

TEST(UnpackMessage, HugeTextCountWaitsWithoutOverflow)
{
    ByteString buffer = Bytes({'I', 0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    MessageValues values;
    const std::array kinds{K::String};
    EXPECT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Incomplete);
    EXPECT_EQ(buffer.size(), 6u);
}

TEST(UnpackMessage, NegativeTextCountIsMalformedAndConsumesNothing)
{
    ByteString buffer = Bytes({'I', 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'});
    MessageValues values;
    const std::array kinds{K::String};
    EXPECT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Malformed);
    EXPECT_EQ(buffer.size(), 7u);
}

TEST(UnpackMessage, UnknownKindCodeIsReportedAsIncomplete)
{
    ByteString buffer = Bytes({'x', 1, 2, 3, 4});
    MessageValues values;
    const std::array kinds{K::Int32, static_cast<FieldKind>(7)};
    EXPECT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Incomplete);
    EXPECT_EQ(buffer.size(), 5u);
}

TEST(UnpackMessage, NoFieldsTakesTheCommandByteAlone)
{
    ByteString buffer = "Fxyz";
    MessageValues values;
    EXPECT_EQ(UnpackMessage(buffer, {}, values), UnpackResult::Complete);
    EXPECT_EQ(buffer, "xyz");
}

TEST(UnpackMessage, VoicePacketIsCompleteAtExactly973Bytes)
{
    const ByteString packet = Packed('D', 3, {std::int32_t{7}, Int8Samples(SamplesPerPacket, -3), 0.25});
    ASSERT_EQ(packet.size(), 973u);
    const std::array kinds{K::Int32, K::Int8Array, K::Float64};
    MessageValues values;
    ByteString shorter = packet.substr(0, 972);
    EXPECT_EQ(UnpackMessage(shorter, kinds, values), UnpackResult::Incomplete);
    ByteString whole = packet;
    ASSERT_EQ(UnpackMessage(whole, kinds, values), UnpackResult::Complete);
    EXPECT_TRUE(whole.empty());
    EXPECT_EQ(std::get<Int8Samples>(values[1]), Int8Samples(SamplesPerPacket, -3));
    EXPECT_EQ(std::get<double>(values[2]), 0.25);
}

TEST(UnpackMessage, WideSamplesRoundTrip)
{
    Int16Samples samples(SamplesPerPacket);
    for (int i = 0; i < SamplesPerPacket; ++i)
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 67 - 32000);
    ByteString buffer = Packed('D', 1, {samples});
    MessageValues values;
    const std::array kinds{K::Int16Array};
    ASSERT_EQ(UnpackMessage(buffer, kinds, values), UnpackResult::Complete);
    EXPECT_EQ(std::get<Int16Samples>(values[0]), samples);
}

}  // namespace
}  // namespace parlino
