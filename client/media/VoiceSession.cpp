#include "client/media/VoiceSession.h"

#include "client/media/ZeltPlayerThread.h"
#include "client/media/ZeltUDPReceiverThread.h"
#include "client/media/ZeltUDPSenderThread.h"
#include "platform/net/SocketWait.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace parlino {

namespace {

// Devices that cannot be opened are said on standard error; the talk goes on, and the thread
// of the missing device reports it when no buffer comes back.
void reportOpenFailure(const std::string& error)
{
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1();
    std::fprintf(stderr, "%s Voice: %s\n", stamp.constData(), error.c_str());
}

// Datagrams waiting on the receive socket arrived before the talk: late packets of the last
// one, or a stranger's. Bounded, as a flood goes on arriving while they are read.
void discardWaitingDatagrams(net::UdpSocket& socket)
{
    constexpr int MaxDiscarded = 4096;
    char byte = 0;
    try {
        for (int i = 0; i < MaxDiscarded; ++i) {
            std::vector<net::UdpSocket*> list{&socket};
            if (net::WaitForSockets(list, net::SocketReadiness::Readable, 0) != 1)
                return;
            socket.receiveFrom(&byte, 1);  // the rest of a longer datagram goes with it
        }
    } catch (const net::NetError&) {
        // A pending socket error: the receive thread meets the socket as it is.
    }
}

template <typename Device>
void prepareBuffers(WaveBuffers<Device>& buffers)
{
    for (std::size_t i = 0; i < buffers.headers.size(); ++i) {
        WaveHeader& header = buffers.headers[i];
        header.data = buffers.memory[i].data();
        header.bufferLength = SamplesPerPacket;
        header.bytesRecorded = 0;
        header.flags = 0;
        if (buffers.device)
            buffers.device->prepareHeader(header);
    }
}

template <typename Device>
void closeBuffers(WaveBuffers<Device>& buffers)
{
    if (!buffers.device)
        return;
    buffers.device->reset();
    for (WaveHeader& header : buffers.headers)
        buffers.device->unprepareHeader(header);
    buffers.device->close();
    buffers.device.reset();
}

}  // namespace

VoiceSession::VoiceSession(ClientShared& shared, WaveAudio& audio)
    : audio_(audio), voice_(shared, audio.clock())
{
}

VoiceSession::~VoiceSession()
{
    StopVoice();
}

void VoiceSession::StartVoice()
{
    startVoice(SenderStart::Resume);
}

void VoiceSession::openCapture()
{
    std::string error;
    voice_.captureBuffers.device = audio_.openWaveIn(MuLawVoiceFormat(), voice_.WaveInEvent, error);
    if (!voice_.captureBuffers.device)
        reportOpenFailure(error);
    prepareBuffers(voice_.captureBuffers);
    if (voice_.captureBuffers.device) {
        for (WaveHeader& header : voice_.captureBuffers.headers)
            voice_.captureBuffers.device->addBuffer(header);
    }
}

void VoiceSession::openPlayback()
{
    std::string error;
    voice_.playbackBuffers.device =
        audio_.openWaveOut(MuLawVoiceFormat(), voice_.WaveOutEvent, error);
    if (!voice_.playbackBuffers.device)
        reportOpenFailure(error);
    prepareBuffers(voice_.playbackBuffers);
    for (auto& memory : voice_.playbackBuffers.memory)
        memory.fill(0);
}

template <typename Thread>
void VoiceSession::startThread(std::unique_ptr<Thread>& thread)
{
    if (thread)
        return;
    thread = std::make_unique<Thread>(voice_);
    if (errorHook_)
        thread->setErrorHook(errorHook_);
    thread->resume();
}

void VoiceSession::startVoice(SenderStart senderStart)
{
    if (running())
        return;  // a talk's voice starts once
    voice_.WaveInEvent.set();
    voice_.WaveOutEvent.set();
    openCapture();
    openPlayback();
    {
        // No voice thread runs yet; the lock only keeps the rule that the store is touched
        // under it.
        WriteLockGuard guard(voice_.shared.VoiceLock);
        voice_.jitter.reset();
    }
    VoiceHandles& sockets = voice_.shared.voiceHandles;
    voice_.serverAddress = sockets.VoiceSendHandles[0].peerAddress();
    discardWaitingDatagrams(sockets.VoiceReceiveHandle);
    startThread(receiverThread_);
    startThread(playerThread_);

    // Playback starts with two packets of silence.
    const QByteArray& silence = voice_.shared.SilenceData;
    for (auto& memory : voice_.playbackBuffers.memory) {
        memory.fill(0);
        std::memcpy(memory.data(), silence.constData(),
                    std::min<std::size_t>(static_cast<std::size_t>(silence.size()), memory.size()));
    }
    if (voice_.playbackBuffers.device) {
        for (WaveHeader& header : voice_.playbackBuffers.headers)
            voice_.playbackBuffers.device->write(header);
    }
    voice_.SendSeq = 0;
    if (senderStart == SenderStart::Resume) {
        startThread(senderThread_);
    } else if (!senderThread_) {
        senderThread_ = std::make_unique<TZeltUDPSenderThread>(voice_);
        if (errorHook_)
            senderThread_->setErrorHook(errorHook_);
    }
    if (voice_.captureBuffers.device)
        voice_.captureBuffers.device->start();
}

template <typename Thread>
void VoiceSession::stopThread(std::unique_ptr<Thread>& thread, AutoResetEvent* wake)
{
    if (!thread)
        return;
    thread->terminate();
    if (wake)
        wake->set();  // leaves a wait for a device that no longer finishes buffers
    thread->waitFor();
    thread.reset();
}

void VoiceSession::StopVoiceThreads()
{
    stopThread(senderThread_, &voice_.WaveInEvent);
    if (voice_.HalfDuplex.load() && voice_.TalkPressed.load()) {
        if (receiverThread_)
            receiverThread_->resume();
        if (playerThread_)
            playerThread_->resume();
    }
    stopThread(receiverThread_, nullptr);
    stopThread(playerThread_, &voice_.WaveOutEvent);
}

void VoiceSession::StopVoiceDevices()
{
    closeBuffers(voice_.captureBuffers);
    closeBuffers(voice_.playbackBuffers);
}

void VoiceSession::StopVoice()
{
    StopVoiceThreads();
    StopVoiceDevices();
}

void VoiceSession::pressTalk()
{
    voice_.TalkPressed = true;
    if (receiverThread_)
        receiverThread_->suspend();
    if (playerThread_)
        playerThread_->suspend();
}

void VoiceSession::releaseTalk()
{
    voice_.TalkPressed = false;
    if (receiverThread_)
        receiverThread_->resume();
    if (playerThread_)
        playerThread_->resume();
}

}  // namespace parlino
