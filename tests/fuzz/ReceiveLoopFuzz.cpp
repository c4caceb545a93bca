// Feeds arbitrary bytes, in arbitrary chunks, through both ends' receive loops and the
// voice framing. Whatever arrives, the loops must stay inside the buffer, terminate, and
// leave only an incomplete message behind.
#include "common/MessageFraming.h"

#include <cstdint>
#include <cstdlib>

using namespace parlino;

namespace {
void Drain(ByteString& buffer, FieldLookup fields)
{
    DrainMessages(buffer, fields, [](char, const MessageValues& values) {
        if (values.size() != MaxMessageFields)
            std::abort();
        return true;
    });
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the chunk size, so that messages get split across reads.
    const std::size_t chunk = 1 + data[0] % 64;
    ByteString server, client, voice;
    for (std::size_t at = 1; at < size; at += chunk) {
        const std::string_view piece(reinterpret_cast<const char*>(data) + at, std::min(chunk, size - at));
        server.append(piece);
        client.append(piece);
        voice.append(piece);
        Drain(server, &ServerReadFields);
        Drain(client, &ClientReadFields);
        DrainVoicePackets(voice, [](VoicePacket&& p) {
            if (p.Samples.size() != static_cast<std::size_t>(SamplesPerPacket))
                std::abort();
        });
    }
    // What stays behind must start with a known letter waiting for more bytes.
    if (!server.empty() && !ServerReadFields(server.front()))
        std::abort();
    if (!voice.empty() && voice.front() != 'D')
        std::abort();
    return 0;
}
