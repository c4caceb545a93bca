// A UDP forwarder on loopback that loses and delays datagrams at random, standing between a
// softphone and the server. Datagrams that reach its port go on to `targetPort` from a socket
// of its own, each after a delay drawn between 0 and `maxDelayMs` (so they may overtake each
// other), or not at all with probability `lossRate`. Seeded, so a run can be repeated.
#pragma once

#include "platform/net/SocketWait.h"
#include "platform/net/UdpSocket.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace parlino::test {

class LossyUdpProxy {
public:
    LossyUdpProxy(std::uint16_t targetPort, double lossRate, int maxDelayMs, std::uint32_t seed)
        : lossRate_(lossRate), maxDelayMs_(maxDelayMs), random_(seed)
    {
        in_.setLocalAddress("127.0.0.1");
        in_.allocate();
        in_.bind();
        out_.setLocalAddress("127.0.0.1");
        out_.allocate();
        out_.bind();
        out_.setPeer("127.0.0.1", targetPort);
        out_.connect();
        thread_ = std::thread([this] { run(); });
    }
    ~LossyUdpProxy()
    {
        stop_ = true;
        thread_.join();
    }
    LossyUdpProxy(const LossyUdpProxy&) = delete;
    LossyUdpProxy& operator=(const LossyUdpProxy&) = delete;

    std::uint16_t port() const { return in_.boundPort(); }
    int forwarded() const { return forwarded_.load(); }
    int dropped() const { return dropped_.load(); }

private:
    using Time = std::chrono::steady_clock::time_point;

    void run()
    {
        std::vector<char> buffer(65536);
        while (!stop_) {
            const Time now = std::chrono::steady_clock::now();
            while (!due_.empty() && due_.begin()->first <= now) {
                out_.send(due_.begin()->second);
                due_.erase(due_.begin());
                ++forwarded_;
            }
            int waitMs = 10;
            if (!due_.empty()) {
                const auto untilDue = std::chrono::duration_cast<std::chrono::milliseconds>(
                    due_.begin()->first - now);
                waitMs = std::clamp(static_cast<int>(untilDue.count()), 0, 10);
            }
            std::vector<net::UdpSocket*> list{&in_};
            if (net::WaitForSockets(list, net::SocketReadiness::Readable, waitMs) != 1)
                continue;
            const std::int64_t n = in_.receiveFrom(buffer.data(), buffer.size());
            if (n <= 0)
                continue;
            if (std::uniform_real_distribution<double>(0, 1)(random_) < lossRate_) {
                ++dropped_;
                continue;
            }
            const auto delay = std::chrono::microseconds(
                std::uniform_int_distribution<int>(0, maxDelayMs_ * 1000)(random_));
            due_.emplace(std::chrono::steady_clock::now() + delay,
                         std::string(buffer.data(), static_cast<std::size_t>(n)));
        }
    }

    const double lossRate_;
    const int maxDelayMs_;
    std::mt19937 random_;  // proxy thread only
    net::UdpSocket in_;
    net::UdpSocket out_;
    std::multimap<Time, std::string> due_;  // proxy thread only
    std::atomic<bool> stop_{false};
    std::atomic<int> forwarded_{0};
    std::atomic<int> dropped_{0};
    std::thread thread_;
};

}  // namespace parlino::test
