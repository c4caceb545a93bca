// How both programs cut their byte streams into messages and write messages out.
#pragma once

#include "common/SignallingCatalogue.h"
#include "common/ZeltUtils.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace parlino {

// A connection whose unhandled input grows past this is closed, at either end: no message
// of the protocol comes near it, so only a faulty or hostile peer gets there.
inline constexpr std::size_t MaxUnhandledInput = 1 << 20;

// Looks up the field kinds of a letter for one end of the connection.
using FieldLookup = std::optional<LetterFields> (*)(char letter);

// Receives a complete message; returning false ends the receive loop at once (the bytes
// after the message stay in the buffer for the next read). It must not touch the buffer:
// the loop cuts the handled bytes off only when it ends, so that its cost stays linear.
using MessageHandler = std::function<bool(char letter, const MessageValues& values)>;
// Told of a byte that starts no message: an unknown letter, or the letter of a message
// whose text count is negative. The byte has already been dropped.
using DroppedByteHandler = std::function<void(char byte)>;

// The receive loop over a connection's input buffer, run after each read has appended
// its bytes. Handles every whole message at the front of the buffer in order and stops
// at the first incomplete one, which keeps its bytes. When a handler throws, the bytes up
// to and including its message are gone and the rest stay.
void DrainMessages(ByteString& buffer, FieldLookup fields, const MessageHandler& onMessage,
                   const DroppedByteHandler& onDropped = {});

struct VoicePacket {
    std::int32_t Sequence = 0;
    Int8Samples Samples;  // SamplesPerPacket mu-law bytes
    double SendTime = 0;  // seconds on the sender's call clock
};
inline constexpr std::size_t VoicePacketSize = 1 + 4 + SamplesPerPacket + 8;

// Builds the voice datagram "D" for one packet.
ByteString PackVoicePacket(const VoicePacket& packet);

// Adds one received datagram to a voice receive buffer. A datagram that is exactly one whole
// packet stands alone: the bytes kept from earlier datagrams are dropped first, so that a
// stray part of a packet cannot put the genuine packets that follow out of step. Any other
// datagram is joined to them, so a packet split over two datagrams still decodes.
void appendVoiceDatagram(ByteString& buffer, std::string_view datagram);

// The voice framing of a UDP receive buffer, to which every datagram has been added with
// appendVoiceDatagram: bytes before a "D" are dropped one by one, and every whole packet goes
// to onPacket.
void DrainVoicePackets(ByteString& buffer, const std::function<void(VoicePacket&&)>& onPacket);
// The same framing without decoding, for a forwarder: onPacket gets each whole packet's
// VoicePacketSize bytes (valid during the call only) and its Sequence.
void drainVoicePacketBytes(ByteString& buffer,
                           const std::function<void(std::string_view packet, std::int32_t sequence)>& onPacket);

// Hands bytes to a connection: returns how many it took (0 to all of them), or a negative
// number when the connection is closed or failed.
using ByteWriter = std::function<std::int64_t(std::string_view bytes)>;

// Builds a message from its letter and fields (none when count is 0).
ByteString BuildMessage(char letter, int count = 0, const MessageValues& values = {});

// The send loop: hands the remaining bytes to the connection again and again until it has
// taken every one. It gives up, dropping the rest, when the connection reports an error or
// closure, or when it takes nothing for `maxIdleAttempts` calls in a row.
// Returns true when every byte was taken.
bool SendWhole(ByteString& out, const ByteWriter& write, int maxIdleAttempts = 10000);

}  // namespace parlino
