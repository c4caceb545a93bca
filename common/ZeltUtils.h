// Typed binary message codec shared by the server and the client.
//
// A message is one command byte followed by typed fields, little-endian, with no length
// prefix and no terminator. The codec knows nothing of letters: callers pass the field
// kinds of the letter they found (see SignallingCatalogue.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace parlino {

// Byte string used for receive buffers and outgoing messages; any byte value may occur.
using ByteString = std::string;

inline constexpr int SamplesPerPacket = 960;
inline constexpr int MaxMessageFields = 5;

// Field kind codes. They are internal to the programs and never travel.
enum class FieldKind : std::uint16_t {
    Int16 = 2,
    Int32 = 3,
    Float64 = 5,
    String = 8,
    Boolean = 11,
    Int8 = 16,
    Int16Array = 0x2002,
    Int8Array = 0x2010,
};

using Int16Samples = std::vector<std::int16_t>;
using Int8Samples = std::vector<std::int8_t>;

// One slot of a value list. The alternative held is the value's tag and decides how
// PackMessage writes it.
//
// Text (std::string) is ISO 8859-1, one byte per character, in memory exactly as it travels
// and as the tables and critical.fix store it: the codec copies the bytes unchanged, and a
// text's byte count is its length in characters. Only widgets hold text in another form;
// they convert at their edge with QString::fromLatin1 and QString::toLatin1 (which writes
// '?' for a character outside ISO 8859-1).
// The last three alternatives are values the codec cannot write: a list holding one of
// them packs to nothing (as an empty slot does).
using MessageValue = std::variant<std::monostate,  // empty slot
                                  std::int16_t, std::int32_t, double, std::string, bool,
                                  std::int8_t, Int16Samples, Int8Samples,
                                  std::uint32_t, std::int64_t, float>;
using MessageValues = std::vector<MessageValue>;

enum class UnpackResult {
    Complete,    // one whole message was read and removed from the buffer
    Incomplete,  // more bytes are needed (or a kind code is unknown); buffer untouched
    Malformed,   // a text count is negative: no peer of this protocol writes one; buffer untouched
};

// Takes one whole message off the front of `buffer`. `values` always ends up with
// exactly five slots; slots 0..kinds.size()-1 are filled only on Complete.
// At most five kinds may be given.
UnpackResult UnpackMessage(ByteString& buffer, std::span<const FieldKind> kinds,
                           MessageValues& values);
// The same without touching the bytes: on Complete, `taken` is the message's length, to be
// skipped by the caller. Lets a receive loop walk a buffer and cut it once at the end.
UnpackResult unpackMessageAt(std::string_view bytes, std::span<const FieldKind> kinds,
                             MessageValues& values, std::size_t& taken);

// Appends the first `count` values of `values` to `msg` (which holds the command byte).
// When any of them is empty or of a kind the codec cannot write, nothing is appended.
void PackMessage(ByteString& msg, int count, const MessageValues& values);

// Typed access to a slot of an unpacked value list; a slot of another kind reads as the
// default value of T, as a peer that sends the wrong fields for a letter is not trusted.
template <typename T>
T ValueAs(const MessageValues& values, std::size_t index)
{
    if (index < values.size())
        if (const T* v = std::get_if<T>(&values[index]))
            return *v;
    return T{};
}

}  // namespace parlino
