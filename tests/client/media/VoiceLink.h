// Two softphones talking through the server's voice relay on loopback, each optionally
// behind a lossy path, with emulated wave devices: each side captures a WAVE file in a loop
// and its playback is recorded into another. Also the reading of what was played.
//
// The devices run on a clock the link moves itself, half a buffer at a time and only once
// the threads have done what the last move asked of them, so what is played does not depend
// on how busy the machine is; or, for a benchmark, on a clock of real time.
#pragma once

#include "LossyUdpProxy.h"
#include "VoiceRig.h"
#include "VoiceSessionTestAccess.h"
#include "WaveFileBuilder.h"

#include "platform/audio/G711.h"
#include "platform/core/MainThreadCalls.h"
#include "platform/core/PerformanceCounter.h"
#include "platform/thread/ReadWriteLock.h"
#include "server/relay/TalkPair.h"
#include "server/relay/VoiceSocketTables.h"
#include "server/relay/ZeltListenerUnit1.h"

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace parlino::test {

// A tone sweep from 300 Hz to 3000 Hz over `packets` packets, as mu-law bytes. Every packet
// of it differs from every other, so a played packet tells which captured one it is.
inline WaveFileBuilder::Bytes SweepSignal(int packets, double phaseOffset)
{
    const std::size_t count = static_cast<std::size_t>(packets) * SamplesPerPacket;
    WaveFileBuilder::Bytes bytes(count);
    double phase = phaseOffset;
    for (std::size_t i = 0; i < count; ++i) {
        const double frequency = 300.0 + 2700.0 * static_cast<double>(i) / static_cast<double>(count);
        phase += 2.0 * M_PI * frequency / 8000.0;
        bytes[i] = LinearToMuLaw(static_cast<std::int16_t>(8000.0 * std::sin(phase)));
    }
    return bytes;
}

// The sound data of a WAVE file: everything after the "data" chunk's header.
inline WaveFileBuilder::Bytes WaveData(const std::string& path)
{
    const WaveFileBuilder::Bytes file = WaveFileBuilder::Load(path);
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::string id(file.begin() + static_cast<std::ptrdiff_t>(at),
                             file.begin() + static_cast<std::ptrdiff_t>(at + 4));
        const std::uint32_t size = file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16) |
                                   (static_cast<std::uint32_t>(file[at + 7]) << 24);
        if (id == "data") {
            const std::size_t end = std::min<std::size_t>(file.size(), at + 8 + size);
            return WaveFileBuilder::Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                                          file.begin() + static_cast<std::ptrdiff_t>(end));
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

// What one side played, packet by packet: the index of the captured packet it was (counted
// on across the loops of the captured file), Silence for the primed silence, Unknown for
// anything else. The first `leadBytes` of the recording, played before the first buffer,
// are left out.
struct PlayedPackets {
    static constexpr std::int64_t Silence = -1;
    static constexpr std::int64_t Unknown = -2;
    std::vector<std::int64_t> packets;
    int firstVoice = -1;   // index of the first played packet of voice
    int next = 0;          // played right after the packet before it
    int repeated = 0;      // the same packet again
    int skipped = 0;       // a jump forwards
    int backwards = 0;     // a jump back
    int gaps = 0;          // silence or unknown sound after the voice began
};

inline PlayedPackets ReadPlayed(const std::string& playedPath,
                                const WaveFileBuilder::Bytes& captured, std::size_t leadBytes = 0)
{
    const std::size_t period = captured.size() / SamplesPerPacket;
    std::map<std::string, std::int64_t> indexOf;
    for (std::size_t k = 0; k < period; ++k) {
        const auto begin = captured.begin() + static_cast<std::ptrdiff_t>(k * SamplesPerPacket);
        indexOf.emplace(std::string(begin, begin + SamplesPerPacket), static_cast<std::int64_t>(k));
    }
    const std::string silence(SamplesPerPacket, char(0xFF));
    WaveFileBuilder::Bytes played = WaveData(playedPath);
    played.erase(played.begin(),
                 played.begin() + static_cast<std::ptrdiff_t>(std::min(leadBytes, played.size())));
    PlayedPackets result;
    std::int64_t previous = PlayedPackets::Unknown;
    for (std::size_t at = 0; at + SamplesPerPacket <= played.size(); at += SamplesPerPacket) {
        const auto begin = played.begin() + static_cast<std::ptrdiff_t>(at);
        const std::string packet(begin, begin + SamplesPerPacket);
        std::int64_t index = PlayedPackets::Unknown;
        if (packet == silence) {
            index = PlayedPackets::Silence;
        } else if (const auto found = indexOf.find(packet); found != indexOf.end()) {
            index = found->second;
            // Count on across the loops: the nearest lap to the packet before.
            if (previous >= 0) {
                const std::int64_t p = static_cast<std::int64_t>(period);
                const std::int64_t lap = (previous - index + p / 2) / p;
                index += lap * p;
            }
        }
        if (index >= 0 && result.firstVoice < 0)
            result.firstVoice = static_cast<int>(result.packets.size());
        if (result.firstVoice >= 0 && !result.packets.empty() && previous >= 0) {
            if (index < 0)
                ++result.gaps;
            else if (index == previous + 1)
                ++result.next;
            else if (index == previous)
                ++result.repeated;
            else if (index > previous)
                ++result.skipped;
            else
                ++result.backwards;
        } else if (result.firstVoice >= 0 && index < 0 && !result.packets.empty()) {
            ++result.gaps;
        }
        result.packets.push_back(index);
        if (index >= 0)
            previous = index;
    }
    return result;
}

inline std::string Describe(const PlayedPackets& p)
{
    return "played " + std::to_string(p.packets.size()) + ", first voice at " +
        std::to_string(p.firstVoice) + ", next " + std::to_string(p.next) + ", repeated " +
        std::to_string(p.repeated) + ", skipped " + std::to_string(p.skipped) + ", back " +
        std::to_string(p.backwards) + ", gaps " + std::to_string(p.gaps);
}

class TalkPairList : public TalkPairSource {
public:
    explicit TalkPairList(std::vector<TTalkPair> pairs) : pairs_(std::move(pairs)) {}
    std::vector<TTalkPair> currentTalkPairs() const override { return pairs_; }

private:
    const std::vector<TTalkPair> pairs_;
};

// One softphone of the link: its rig, and its lossy paths to and from the server when asked.
struct LinkSide {
    LinkSide(int id, const std::string& capturePath, const std::string& playedPath, Clock& clock)
        : clientId(id), rig("file:" + capturePath + ":" + playedPath, clock)
    {
    }
    int clientId;
    VoiceRig rig;
    std::unique_ptr<LossyUdpProxy> toServer;
    std::unique_ptr<LossyUdpProxy> fromServer;
};

class VoiceLink {
public:
    struct Path {
        double lossRate = 0;
        int maxDelayMs = 0;
        bool proxied() const { return lossRate > 0 || maxDelayMs > 0; }
    };

    // Side A (Client_ID 101) captures `captureA` and plays into `playedA`; side B (102) the
    // same with its files. Both sides' paths to and from the server are `path`. The devices
    // run on `realTime` when given (start() and step() are then not for use), else on the
    // link's own clock.
    VoiceLink(const std::string& captureA, const std::string& playedA, const std::string& captureB,
              const std::string& playedB, Path path, Clock* realTime = nullptr)
        : deviceClock_(realTime ? *realTime : clock_), a(101, captureA, playedA, deviceClock_),
          b(102, captureB, playedB, deviceClock_), talks_({{101, 102}})
    {
        std::uint32_t seed = 2026;
        for (LinkSide* side : {&a, &b}) {
            std::uint16_t receivePort = side->rig.receivePort();
            if (path.proxied()) {
                side->fromServer = std::make_unique<LossyUdpProxy>(receivePort, path.lossRate,
                                                                   path.maxDelayMs, seed++);
                receivePort = side->fromServer->port();
            }
            std::uint16_t serverPort = 0;
            {
                WriteLockGuard guard(talkLock_);
                serverPort = sockets_.replaceVoiceSockets(side->clientId, "127.0.0.1", "127.0.0.1",
                                                          receivePort);
            }
            if (path.proxied()) {
                side->toServer = std::make_unique<LossyUdpProxy>(serverPort, path.lossRate,
                                                                 path.maxDelayMs, seed++);
                serverPort = side->toServer->port();
            }
            for (net::UdpSocket& socket : side->rig.shared.voiceHandles.VoiceSendHandles) {
                socket.setPeer("127.0.0.1", serverPort);
                socket.connect();
            }
        }
        talksChanged_ = true;
        relay_ = std::make_unique<TZeltUDPListenerThread>(sockets_, talkLock_, talksChanged_, talks_);
        relay_->resume();
    }
    ~VoiceLink() { stop(); }

    // Both sides count the call clock from the same instant, as the call set-up arranges.
    // B's devices start half a buffer after A's, so that each datagram arrives before the
    // other side's player next refills: A's buffers finish at 120 ms, 240 ms, ..., B's at
    // 180 ms, 300 ms, ...
    void start()
    {
        const std::int64_t base = QueryCounter();
        a.rig.setTalk(false, base);
        b.rig.setTalk(false, base);
        a.rig.session->StartVoice();
        clock_.advance(HalfBuffer);
        b.rig.session->StartVoice();
    }

    // Moves the clock to the next finished buffers (A's and B's in turn) and waits, serving
    // the relay's calls into the main thread, until that side has sent its datagram, the
    // other side has placed it (or a lossy path lost it), and its player has refilled and
    // both its devices hold their two buffers again. False after `timeout` of real time.
    bool step(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000))
    {
        LinkSide& side = turnOfA_ ? a : b;
        LinkSide& other = turnOfA_ ? b : a;
        turnOfA_ = !turnOfA_;
        VoiceSessionTestAccess sender(*side.rig.session);
        VoiceSessionTestAccess receiver(*other.rig.session);
        const std::int32_t sequence = sender.sendSeq();
        const std::int32_t playSeq = sender.jitter().PlaySeq;
        const int lostBefore = lost();
        clock_.advance(HalfBuffer);
        const auto done = [&] {
            if (sender.sendSeq() == sequence || sender.jitter().PlaySeq == playSeq)
                return false;
            const JitterStore placed = receiver.jitter();
            if (placed.JitterSlotSeq[JitterStore::slotOf(sequence)] != sequence && lost() == lostBefore)
                return false;
            return sender.captureBuffers().device->queuedCount() == 2 &&
                sender.playbackBuffers().device->queuedCount() == 2;
        };
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            MainThreadCalls::ServePending();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    // Datagrams the lossy paths have dropped so far.
    int lost() const
    {
        int count = 0;
        for (const LinkSide* side : {&a, &b}) {
            for (const LossyUdpProxy* path : {side->toServer.get(), side->fromServer.get()})
                count += path ? path->dropped() : 0;
        }
        return count;
    }

    // Ends both voices (the played files are then complete) and the relay.
    void stop()
    {
        a.rig.session->StopVoice();
        b.rig.session->StopVoice();
        if (relay_)
            relay_->terminateAndWait();
        relay_.reset();
    }

private:
    static constexpr Clock::Duration HalfBuffer = std::chrono::milliseconds(60);
    ManualClock clock_;  // before the sides, whose devices run on it
    Clock& deviceClock_;
    bool turnOfA_ = true;

public:
    LinkSide a;
    LinkSide b;

private:
    VoiceSocketTables sockets_;
    ReadWriteLock talkLock_;
    std::atomic<bool> talksChanged_{false};
    TalkPairList talks_;
    std::unique_ptr<TZeltUDPListenerThread> relay_;
};

}  // namespace parlino::test
