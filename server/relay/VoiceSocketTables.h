// The server's voice sockets per subscriber: one that receives his voice and eight that
// send voice to him, for Client_IDs 1 to 1001.
//
// Locking: the tables, the sockets in them and each socket's receiveBuffer and
// activityFlag are guarded by the window's TalkLock.
//   - The relay thread holds it for writing for each relay cycle.
//   - Sign-in holds it for writing while replaceVoiceSockets() swaps a subscriber's
//     sockets, so the relay never sees a socket half made or already freed.
//   - The billing tick holds it for reading only while it reads and clears activityFlag;
//     its charges and file work run after it has let the lock go.
// Nobody may wait for the relay thread, or call into it, while holding the lock.
#pragma once

#include "common/AccountNumbers.h"
#include "server/relay/ZeltIdSocketHandle.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace parlino {

inline constexpr int VoiceSocketCount = 8;
inline constexpr int MinVoiceClientId = 1;
inline constexpr int MaxVoiceClientId = ClientIDSlotCount;

class VoiceSocketTables {
public:
    VoiceSocketTables();
    ~VoiceSocketTables();
    VoiceSocketTables(const VoiceSocketTables&) = delete;
    VoiceSocketTables& operator=(const VoiceSocketTables&) = delete;

    static bool inRange(int clientId) { return clientId >= MinVoiceClientId && clientId <= MaxVoiceClientId; }

    // The subscriber's receive socket, or null when he has none (or the id is out of range).
    TZeltIdSocketHandle* receiveHandle(int clientId) const;
    // His send socket number `index` (0 .. VoiceSocketCount - 1), or null.
    TZeltIdSocketHandle* sendHandle(int clientId, int index) const;

    // Closes and frees the subscriber's sockets, then makes new ones bound to
    // `localAddress` with ports the system chooses: the receive socket, which takes
    // datagrams from peerAddress only, and the send sockets connected to
    // peerAddress:peerPort. Returns the receive socket's port.
    // Throws NetError (the sockets made so far stay in the tables) and std::out_of_range
    // for an id outside 1 to 1001. Call with TalkLock held for writing.
    std::uint16_t replaceVoiceSockets(int clientId, const std::string& localAddress,
                                      const std::string& peerAddress, std::uint16_t peerPort);

    // Closes and frees every socket.
    void clear();

    // Moves on whenever a socket is replaced or freed: whoever keeps the handles from one
    // look to the next takes them anew once it has changed.
    std::uint64_t changeCount() const { return changeCount_; }

private:
    using SendHandles = std::array<std::unique_ptr<TZeltIdSocketHandle>, VoiceSocketCount>;
    static std::size_t slot(int clientId) { return static_cast<std::size_t>(clientId - MinVoiceClientId); }

    std::array<std::unique_ptr<TZeltIdSocketHandle>, MaxVoiceClientId> UDPReceiveHandles;
    std::array<SendHandles, MaxVoiceClientId> UDPSendHandles;
    std::uint64_t changeCount_ = 0;
};

}  // namespace parlino
