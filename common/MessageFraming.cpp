#include "common/MessageFraming.h"

namespace parlino {

void DrainMessages(ByteString& buffer, FieldLookup fields, const MessageHandler& onMessage,
                   const DroppedByteHandler& onDropped)
{
    MessageValues values;
    while (!buffer.empty()) {
        const char letter = buffer.front();
        const std::optional<LetterFields> kinds = fields(letter);
        if (!kinds) {
            buffer.erase(0, 1);
            if (onDropped)
                onDropped(letter);
            continue;
        }
        if (kinds->empty()) {
            buffer.erase(0, 1);
            values.assign(MaxMessageFields, MessageValue{});
        } else {
            const UnpackResult result = UnpackMessage(buffer, *kinds, values);
            if (result == UnpackResult::Incomplete)
                return;
            if (result == UnpackResult::Malformed) {
                buffer.erase(0, 1);
                if (onDropped)
                    onDropped(letter);
                continue;
            }
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

void DrainVoicePackets(ByteString& buffer, const std::function<void(VoicePacket&&)>& onPacket)
{
    MessageValues values;
    while (!buffer.empty()) {
        if (buffer.front() != Letter::VoiceData) {
            buffer.erase(0, 1);
            continue;
        }
        if (UnpackMessage(buffer, VoicePacketFields(false), values) != UnpackResult::Complete)
            return;  // voice fields hold no text, so only an incomplete packet gets here
        VoicePacket packet;
        packet.Sequence = std::get<std::int32_t>(values[0]);
        packet.Samples = std::move(std::get<Int8Samples>(values[1]));
        packet.SendTime = std::get<double>(values[2]);
        onPacket(std::move(packet));
    }
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
