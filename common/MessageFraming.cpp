#include "common/MessageFraming.h"

#include <cstring>

namespace parlino {

namespace {

// Cuts the handled bytes off the front of a buffer once, however the loop over it ends
// (a handler may throw): dropping them one at a time would cost the square of their count.
class ConsumedPrefix {
public:
    explicit ConsumedPrefix(ByteString& buffer) : buffer_(buffer) {}
    ~ConsumedPrefix() { buffer_.erase(0, position); }
    ConsumedPrefix(const ConsumedPrefix&) = delete;
    ConsumedPrefix& operator=(const ConsumedPrefix&) = delete;

    std::string_view rest() const { return std::string_view(buffer_).substr(position); }

    std::size_t position = 0;

private:
    ByteString& buffer_;
};

}  // namespace

void DrainMessages(ByteString& buffer, FieldLookup fields, const MessageHandler& onMessage,
                   const DroppedByteHandler& onDropped)
{
    ConsumedPrefix consumed(buffer);
    MessageValues values;
    while (consumed.position < buffer.size()) {
        const std::string_view rest = consumed.rest();
        const char letter = rest.front();
        const std::optional<LetterFields> kinds = fields(letter);
        if (!kinds) {
            ++consumed.position;
            if (onDropped)
                onDropped(letter);
            continue;
        }
        if (kinds->empty()) {
            ++consumed.position;
            values.assign(MaxMessageFields, MessageValue{});
        } else {
            std::size_t taken = 0;
            const UnpackResult result = unpackMessageAt(rest, *kinds, values, taken);
            if (result == UnpackResult::Incomplete)
                return;
            if (result == UnpackResult::Malformed) {
                ++consumed.position;
                if (onDropped)
                    onDropped(letter);
                continue;
            }
            consumed.position += taken;
        }
        if (!onMessage(letter, values))
            return;
    }
}

ByteString PackVoicePacket(const VoicePacket& packet)
{
    ByteString out(1, Letter::VoiceData);
    PackMessage(out, 3, MessageValues{packet.Sequence, packet.Samples, packet.SendTime});
    return out;
}

void appendVoiceDatagram(ByteString& buffer, std::string_view datagram)
{
    if (datagram.size() == VoicePacketSize && datagram.front() == Letter::VoiceData)
        buffer.clear();
    buffer.append(datagram);
}

void drainVoicePacketBytes(ByteString& buffer,
                           const std::function<void(std::string_view packet, std::int32_t sequence)>& onPacket)
{
    ConsumedPrefix consumed(buffer);
    while (consumed.position < buffer.size()) {
        const std::size_t start = buffer.find(Letter::VoiceData, consumed.position);
        if (start == ByteString::npos) {
            consumed.position = buffer.size();  // nothing here starts a packet
            return;
        }
        consumed.position = start;
        // Voice fields are all of fixed size: a packet is whole once its last byte is here.
        if (buffer.size() - start < VoicePacketSize)
            return;
        const std::string_view packet = consumed.rest().substr(0, VoicePacketSize);
        std::int32_t sequence = 0;
        std::memcpy(&sequence, packet.data() + 1, sizeof sequence);  // little-endian, as we are
        consumed.position += VoicePacketSize;
        onPacket(packet, sequence);
    }
}

void DrainVoicePackets(ByteString& buffer, const std::function<void(VoicePacket&&)>& onPacket)
{
    MessageValues values;
    drainVoicePacketBytes(buffer, [&](std::string_view bytes, std::int32_t) {
        std::size_t taken = 0;
        unpackMessageAt(bytes, VoicePacketFields(false), values, taken);
        VoicePacket packet;
        packet.Sequence = std::get<std::int32_t>(values[0]);
        packet.Samples = std::move(std::get<Int8Samples>(values[1]));
        packet.SendTime = std::get<double>(values[2]);
        onPacket(std::move(packet));
    });
}

ByteString BuildMessage(char letter, int count, const MessageValues& values)
{
    ByteString out(1, letter);
    if (count > 0)
        PackMessage(out, count, values);
    return out;
}

bool SendWhole(ByteString& out, const ByteWriter& write, int maxIdleAttempts)
{
    int idle = 0;
    while (!out.empty()) {
        const std::int64_t taken = write(out);
        if (taken < 0)
            break;
        if (taken == 0) {
            if (++idle >= maxIdleAttempts)
                break;
            continue;
        }
        idle = 0;
        out.erase(0, static_cast<std::size_t>(taken));
    }
    const bool whole = out.empty();
    out.clear();
    return whole;
}

}  // namespace parlino
