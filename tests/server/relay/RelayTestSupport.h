// Loopback subscribers around a running relay thread.
#pragma once

#include "common/MessageFraming.h"
#include "platform/core/MainThreadCalls.h"
#include "platform/core/ResourceLimits.h"
#include "platform/net/SocketWait.h"
#include "server/relay/ZeltListenerUnit1.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace parlino::relaytest {

inline QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "relay_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

inline VoicePacket MakePacket(std::int32_t sequence, std::int8_t fill = 7)
{
    VoicePacket packet;
    packet.Sequence = sequence;
    packet.Samples.assign(SamplesPerPacket, fill);
    packet.SendTime = sequence * 0.12;
    return packet;
}

struct Arrival {
    ByteString bytes;
    std::uint16_t fromPort = 0;
};

// A subscriber's client: a receive socket the server sends to, and a send socket
// connected to the server's receive socket for him.
struct LoopbackClient {
    int clientId = 0;
    net::UdpSocket receiver;
    net::UdpSocket sender;

    explicit LoopbackClient(int id) : clientId(id)
    {
        receiver.setLocalAddress("127.0.0.1");
        receiver.allocate();
        receiver.bind();
    }

    void connectTo(std::uint16_t serverPort)
    {
        sender.setLocalAddress("127.0.0.1");
        sender.allocate();
        sender.bind();
        sender.setPeer("127.0.0.1", serverPort);
        sender.connect();
    }

    void send(const ByteString& bytes) { ASSERT_EQ(sender.send(bytes), static_cast<std::int64_t>(bytes.size())); }

    // Waits for one datagram while serving the relay's calls into the main thread.
    std::optional<Arrival> receive(int withinMs = 5000)
    {
        for (int waited = 0; waited < withinMs; waited += 10) {
            MainThreadCalls::ServePending();
            std::vector<net::UdpSocket*> list{&receiver};
            if (net::WaitForSockets(list, net::SocketReadiness::Readable, 10) == 1) {
                char buffer[RelayReceiveLength];
                net::Endpoint from;
                const auto length = receiver.receiveFrom(buffer, sizeof buffer, &from);
                return Arrival{ByteString(buffer, static_cast<std::size_t>(length)), from.port};
            }
        }
        return std::nullopt;
    }

    bool nothingWaiting()
    {
        std::vector<net::UdpSocket*> list{&receiver};
        return net::WaitForSockets(list, net::SocketReadiness::Readable, 0) == 0;
    }
};

class FakeTalks : public TalkPairSource {
public:
    std::vector<TTalkPair> currentTalkPairs() const override
    {
        std::lock_guard lock(mutex_);
        if (!failure_.empty())
            throw std::runtime_error(std::exchange(failure_, {}));
        return pairs_;
    }
    void failNextRead(std::string message)
    {
        std::lock_guard lock(mutex_);
        failure_ = std::move(message);
    }
    void set(std::vector<TTalkPair> pairs)
    {
        std::lock_guard lock(mutex_);
        pairs_ = std::move(pairs);
    }

private:
    mutable std::mutex mutex_;
    std::vector<TTalkPair> pairs_;
    mutable std::string failure_;
};

// The server side: voice socket tables, TalkLock, the talks and the relay thread.
class RelayFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        RaiseOpenFileLimit();  // each subscriber holds nine server sockets
    }
    void TearDown() override
    {
        if (relay)
            relay->terminateAndWait();
        relay.reset();
    }

    // Signs the client in: its nine server sockets are made (anew) under the lock.
    void SignIn(LoopbackClient& client)
    {
        WriteLockGuard guard(talkLock);
        const std::uint16_t port =
            sockets.replaceVoiceSockets(client.clientId, "127.0.0.1", "127.0.0.1", client.receiver.boundPort());
        client.connectTo(port);
    }

    void StartRelay(std::vector<TTalkPair> pairs)
    {
        talks.set(std::move(pairs));
        talksChanged = true;
        relay = std::make_unique<TZeltUDPListenerThread>(sockets, talkLock, talksChanged, talks);
        relay->setErrorHook([this](const QString& text) { shownErrors.push_back(text); });
        relay->resume();
    }

    // Signs both in and relays the one talk between them.
    void StartTalk(LoopbackClient& payer, LoopbackClient& peer)
    {
        SignIn(payer);
        SignIn(peer);
        StartRelay({{payer.clientId, peer.clientId}});
    }

    // Marks the talks changed and waits until the relay has taken them over.
    bool ChangeTalks(std::vector<TTalkPair> pairs)
    {
        talks.set(std::move(pairs));
        talksChanged = true;
        return MainThreadCalls::ServeUntil([&] { return !talksChanged.load(); }, 5000);
    }

    std::uint16_t SendPort(int clientId, int index) { return sockets.sendHandle(clientId, index)->boundPort(); }

    bool ActivitySet(int clientId)
    {
        ReadLockGuard guard(talkLock);
        return sockets.receiveHandle(clientId)->activityFlag.load() != 0;
    }

    VoiceSocketTables sockets;
    ReadWriteLock talkLock;
    std::atomic<bool> talksChanged{false};
    FakeTalks talks;
    std::unique_ptr<TZeltUDPListenerThread> relay;
    std::vector<QString> shownErrors;  // what the relay thread handed to its error hook
};

}  // namespace parlino::relaytest
