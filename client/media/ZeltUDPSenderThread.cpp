#include "client/media/ZeltUDPSenderThread.h"

#include "common/AudioHelpers.h"
#include "platform/core/PerformanceCounter.h"
#include "platform/net/SocketWait.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace parlino {

void TZeltUDPSenderThread::Execute()
{
    lastSend_ = QueryCounter();
    while (!terminated())
        runGuardedPass([this] { pass(); });
}

void TZeltUDPSenderThread::pass()
{
    CaptureBuffers& capture = voice_.captureBuffers;
    WaitForFinishedBuffer(voice_.WaveInEvent, capture.headers, WaveInWaitMs, "WaveIn failed",
                          [this] { return terminated(); });
    if (terminated())
        return;  // no buffer goes back: the device is about to be reset

    std::vector<int> full;
    for (int buffer : {0, 1}) {
        if (capture.headers[static_cast<std::size_t>(buffer)].done())
            full.push_back(buffer);
    }
    if (!levelAndGate(full))
        return;

    std::vector<VoicePacket> packets;
    for (int buffer : full)
        packets.push_back(buildPacket(buffer));
    // Capture goes on before anything is sent.
    for (int buffer : full) {
        if (capture.device)
            capture.device->addBuffer(capture.headers[static_cast<std::size_t>(buffer)]);
    }
    for (VoicePacket& packet : packets)
        sendPacket(packet);
}

bool TZeltUDPSenderThread::levelAndGate(const std::vector<int>& buffers)
{
    if (!voice_.HalfDuplex.load())
        return true;
    CaptureBuffers& capture = voice_.captureBuffers;
    std::int32_t level = 0;
    bool first = true;
    for (int buffer : buffers) {
        const WaveHeader& header = capture.headers[static_cast<std::size_t>(buffer)];
        const std::uint32_t recorded =
            std::min<std::uint32_t>(header.bytesRecorded.load(), SamplesPerPacket);
        std::uint32_t linearLength = 0;
        std::unique_ptr<std::uint8_t[]> linear;  // freed on every path, errors included
        ConvertAudio(MuLawVoiceFormat(), header.data, recorded, linearLength, linear,
                     LinearVoiceFormat());
        const std::int32_t bufferLevel =
            SignalLevel(reinterpret_cast<const std::int16_t*>(linear.get()),
                        static_cast<std::int32_t>(linearLength / 2));
        if (first || bufferLevel > level)
            level = bufferLevel;
        first = false;
    }
    voice_.MicLevel = level;
    if (voice_.TalkPressed.load())
        return true;
    for (int buffer : buffers) {
        if (capture.device)
            capture.device->addBuffer(capture.headers[static_cast<std::size_t>(buffer)]);
    }
    return false;
}

VoicePacket TZeltUDPSenderThread::buildPacket(int buffer)
{
    const WaveHeader& header = voice_.captureBuffers.headers[static_cast<std::size_t>(buffer)];
    VoicePacket packet;
    packet.Sequence = voice_.SendSeq.load();
    // Always a whole packet, whatever the recorded count says.
    packet.Samples.assign(reinterpret_cast<const std::int8_t*>(header.data),
                          reinterpret_cast<const std::int8_t*>(header.data) + SamplesPerPacket);
    voice_.SendSeq = static_cast<std::int32_t>(static_cast<std::uint32_t>(packet.Sequence) + 1u);
    return packet;
}

void TZeltUDPSenderThread::sendPacket(VoicePacket& packet)
{
    auto& handles = voice_.shared.voiceHandles.VoiceSendHandles;
    const std::size_t socket = static_cast<std::uint32_t>(packet.Sequence) % handles.size();
    std::vector<net::UdpSocket*> list{&handles[socket]};
    // A socket not writable in time costs this datagram; its Sequence stays used up.
    if (net::WaitForSockets(list, net::SocketReadiness::Writable, SendWriteWaitMs) != 1)
        return;
    const std::int64_t now = QueryCounter();
    voice_.noteInterval(voice_.SendRate, lastSend_, now);
    packet.SendTime = voice_.callSeconds(now);
    handles[socket].send(PackVoicePacket(packet));  // a refused datagram is lost unnoticed
}

}  // namespace parlino
