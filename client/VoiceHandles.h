// The voice sockets of the softphone, made once per program without sockets: bound at each
// sign-in, connected to the server when it accepts, used by the voice threads in a talk.
#pragma once

#include "platform/net/UdpSocket.h"

#include <array>

namespace parlino {

inline constexpr int ClientVoiceSocketCount = 8;

struct VoiceHandles {
    net::UdpSocket VoiceReceiveHandle;
    std::array<net::UdpSocket, ClientVoiceSocketCount> VoiceSendHandles;
};

}  // namespace parlino
