// One softphone's voice for tests: the shared objects with its voice sockets on loopback,
// emulated wave devices and the voice session; plus a socket in the server's place that
// the send sockets are connected to.
#pragma once

#include "client/ClientShared.h"
#include "client/media/VoiceSession.h"
#include "common/MessageFraming.h"
#include "platform/audio/WaveAudio.h"
#include "platform/core/PerformanceCounter.h"
#include "platform/net/SocketWait.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parlino::test {

inline void BindLoopback(net::UdpSocket& socket)
{
    socket.setLocalAddress("127.0.0.1");
    socket.setLocalPort(0);
    socket.allocate();
    socket.bind();
}

// Receives one datagram within `timeoutMs`; nullopt on time-out.
inline std::optional<std::string> ReceiveDatagram(net::UdpSocket& socket, int timeoutMs,
                                                  net::Endpoint* from = nullptr)
{
    std::vector<net::UdpSocket*> list{&socket};
    if (net::WaitForSockets(list, net::SocketReadiness::Readable, timeoutMs) != 1)
        return std::nullopt;
    std::string bytes(65536, '\0');
    const std::int64_t n = socket.receiveFrom(bytes.data(), bytes.size(), from);
    bytes.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return bytes;
}

// Decodes one datagram that must be exactly one voice packet.
inline std::optional<VoicePacket> DecodeVoicePacket(const std::string& datagram)
{
    if (datagram.size() != VoicePacketSize || datagram[0] != 'D')
        return std::nullopt;
    ByteString buffer = datagram;
    std::optional<VoicePacket> packet;
    DrainVoicePackets(buffer, [&packet](VoicePacket&& p) { packet = std::move(p); });
    return packet;
}

class VoiceRig {
public:
    // `audioChoice` as PARLINO_AUDIO names devices; the devices and the threads' waits run
    // on `clock`.
    VoiceRig(const std::string& audioChoice, Clock& clock)
    {
        std::int64_t frequency = 0;
        shared.CounterAvailable = QueryCounterFrequency(frequency);
        shared.CounterFrequency = static_cast<long double>(frequency);
        shared.SilenceData = QByteArray(SamplesPerPacket, char(0xFF));
        BindLoopback(server);
        BindLoopback(shared.voiceHandles.VoiceReceiveHandle);
        for (net::UdpSocket& socket : shared.voiceHandles.VoiceSendHandles) {
            BindLoopback(socket);
            socket.setPeer("127.0.0.1", server.boundPort());
            socket.connect();
        }
        audio = std::make_unique<WaveAudio>(audioChoice, clock);
        session = std::make_unique<VoiceSession>(shared, *audio);
    }
    ~VoiceRig() { session.reset(); }

    // The talk as call control leaves it before the voice starts: its duplex, the talk
    // button up, and the clock base both ends share.
    void setTalk(bool halfDuplex, std::int64_t callTimeBase)
    {
        shared.callState.HalfDuplex = halfDuplex;
        shared.callState.TalkPressed = false;
        shared.callState.CallTimeBase = callTimeBase;
    }

    std::uint16_t receivePort() const
    {
        return shared.voiceHandles.VoiceReceiveHandle.boundPort();
    }

    ClientShared shared;
    net::UdpSocket server;
    std::unique_ptr<WaveAudio> audio;
    std::unique_ptr<VoiceSession> session;
};

}  // namespace parlino::test
