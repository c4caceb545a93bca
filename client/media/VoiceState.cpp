#include "client/media/VoiceState.h"

#include "client/media/CallClock.h"

#include <stdexcept>

namespace parlino {

double VoiceState::callSeconds(std::int64_t counterNow) const
{
    return CallSeconds(shared.CounterAvailable, shared.CounterFrequency, CallTimeBase.load(),
                       counterNow);
}

void VoiceState::noteInterval(std::atomic<std::int32_t>& rate, std::int64_t& lastStamp,
                              std::int64_t now) const
{
    const std::int32_t perSecond =
        RateOfInterval(shared.CounterAvailable, shared.CounterFrequency, lastStamp, now);
    if (perSecond >= 0)
        rate = perSecond;
    lastStamp = now;
}

void WaitForFinishedBuffer(AutoResetEvent& event, const std::array<WaveHeader, 2>& headers,
                           int timeoutMs, const char* failText,
                           const std::function<bool()>& stopRequested)
{
    // A wake-up without a finished buffer (the open notice, the start's own signal) is
    // waited past.
    while (!headers[0].done() && !headers[1].done()) {
        if (stopRequested())
            return;
        if (event.wait(timeoutMs) != AutoResetEvent::WaitResult::Signalled)
            throw std::runtime_error(failText);
    }
}

}  // namespace parlino
