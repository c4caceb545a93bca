#include "client/SessionVoice.h"

#include "client/media/VoiceSession.h"

namespace parlino {

void SessionVoice::StartVoice()
{
    session_.StartVoice();
}

void SessionVoice::stopVoiceThreads()
{
    session_.StopVoiceThreads();
}

void SessionVoice::closeVoiceDevices()
{
    session_.StopVoiceDevices();
}

void SessionVoice::suspendListening()
{
    session_.pressTalk();
}

void SessionVoice::resumeListening()
{
    session_.releaseTalk();
}

std::int32_t SessionVoice::sendRate() const
{
    return session_.SendRate();
}

std::int32_t SessionVoice::recvRate() const
{
    return session_.RecvRate();
}

std::int32_t SessionVoice::micLevel() const
{
    return session_.MicLevel();
}

}  // namespace parlino
