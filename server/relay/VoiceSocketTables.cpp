#include "server/relay/VoiceSocketTables.h"

#include "platform/core/ResourceLimits.h"

#include <cerrno>
#include <stdexcept>

namespace parlino {

VoiceSocketTables::VoiceSocketTables() = default;
VoiceSocketTables::~VoiceSocketTables() = default;

TZeltIdSocketHandle* VoiceSocketTables::receiveHandle(int clientId) const
{
    return inRange(clientId) ? UDPReceiveHandles[slot(clientId)].get() : nullptr;
}

TZeltIdSocketHandle* VoiceSocketTables::sendHandle(int clientId, int index) const
{
    if (!inRange(clientId) || index < 0 || index >= VoiceSocketCount)
        return nullptr;
    return UDPSendHandles[slot(clientId)][static_cast<std::size_t>(index)].get();
}

std::uint16_t VoiceSocketTables::replaceVoiceSockets(int clientId, const std::string& localAddress,
                                                     const std::string& peerAddress,
                                                     std::uint16_t peerPort)
{
    if (!inRange(clientId))
        throw std::out_of_range("Client_ID " + std::to_string(clientId) + " has no voice sockets");

    auto& receive = UDPReceiveHandles[slot(clientId)];
    int held = receive ? 1 : 0;
    for (const auto& send : UDPSendHandles[slot(clientId)])
        held += send ? 1 : 0;
    // Refused before anything is replaced, so that the window and the tables keep room.
    if (!descriptorsToSpare(1 + VoiceSocketCount - held))
        throw net::NetError("socket: Too many open files", EMFILE);
    ++changeCount_;
    receive.reset();
    receive = std::make_unique<TZeltIdSocketHandle>();
    receive->setLocalAddress(localAddress);
    receive->setLocalPort(0);
    receive->allocate();
    receive->bind();
    // The relay waits before it receives, but a socket listed twice (two talks of one
    // payer) is read twice per wait; that second read must not block the relay.
    receive->setNonBlocking(true);
    receive->senderAddress = net::ParseIpv4Address(peerAddress);
    const std::uint16_t receivePort = receive->boundPort();

    for (auto& send : UDPSendHandles[slot(clientId)]) {
        send.reset();
        send = std::make_unique<TZeltIdSocketHandle>();
        send->setLocalAddress(localAddress);
        send->setLocalPort(0);
        send->allocate();
        send->bind();
        send->setPeer(peerAddress, peerPort);
        send->connect();
    }
    return receivePort;
}

void VoiceSocketTables::clear()
{
    ++changeCount_;
    for (auto& receive : UDPReceiveHandles)
        receive.reset();
    for (auto& sends : UDPSendHandles)
        for (auto& send : sends)
            send.reset();
}

}  // namespace parlino
