// The voice of the softphone's talks: one object per softphone that opens the wave devices,
// resets the jitter store and runs the three voice threads from a talk's start to its end.
//
// Main thread only. StartVoice runs when a talk begins, after the call state holds the talk's
// half-duplex flag, talk button and call clock base; StopVoice when it ends, in two halves
// (the threads, then the devices) between which the Drop button writes its log line.
#pragma once

#include "client/ClientShared.h"
#include "client/media/VoiceState.h"
#include "platform/audio/WaveAudio.h"
#include "platform/thread/WorkerThread.h"

#include <memory>

namespace parlino {

class TZeltUDPSenderThread;
class TZeltUDPReceiverThread;
class TZeltPlayerThread;

class VoiceSession {
public:
    VoiceSession(ClientShared& shared, WaveAudio& audio);
    // Ends a talk still running.
    ~VoiceSession();
    VoiceSession(const VoiceSession&) = delete;
    VoiceSession& operator=(const VoiceSession&) = delete;

    // Where the threads' errors go (the softphone's error display). Set before a talk.
    void setErrorHook(WorkerThread::ErrorHook hook) { errorHook_ = std::move(hook); }

    void StartVoice();
    // First half: stops the send, receive and playback threads, in this order.
    void StopVoiceThreads();
    // Second half: stops and closes both devices.
    void StopVoiceDevices();
    void StopVoice();
    bool running() const { return receiverThread_ != nullptr; }

    // The half-duplex talk button: held, the receive and playback threads stop at their next
    // safe point (never holding VoiceLock) and capture goes out; released, they go on.
    void pressTalk();
    void releaseTalk();

    // Figures for the window's timer.
    std::int32_t SendRate() const { return voice_.SendRate.load(); }
    std::int32_t RecvRate() const { return voice_.RecvRate.load(); }
    std::int32_t MicLevel() const { return voice_.MicLevel.load(); }

private:
    friend class VoiceSessionTestAccess;

    enum class SenderStart { Resume, Hold };
    void startVoice(SenderStart senderStart);
    void openCapture();
    void openPlayback();
    template <typename Thread>
    void startThread(std::unique_ptr<Thread>& thread);
    template <typename Thread>
    void stopThread(std::unique_ptr<Thread>& thread, AutoResetEvent* wake);

    WaveAudio& audio_;
    VoiceState voice_;
    WorkerThread::ErrorHook errorHook_;
    std::unique_ptr<TZeltUDPSenderThread> senderThread_;
    std::unique_ptr<TZeltUDPReceiverThread> receiverThread_;
    std::unique_ptr<TZeltPlayerThread> playerThread_;
};

}  // namespace parlino
