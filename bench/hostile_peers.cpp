// What one peer's input costs everybody else: the server at full house, one connection
// sending floods or refused requests, measured on the main thread that serves them all.
//
// BM_RefusedMessages: a connection that never signed in sends 5,000 of one message that
// the server refuses or ignores, then signs in; the time until the acceptance comes back,
// per message sent.
// BM_FloodDelaysSignIn: one connection floods the server (junk bytes, balance requests
// from a connection that never signed in, or talk starts from a signed-in subscriber to
// one who is offline); just behind it another subscriber signs in. Reported is how long
// that sign-in waited for its acceptance.
// BM_NonReadingPeer: a signed-in subscriber sends balance requests for 30 s and reads none
// of the replies. Reported: this process's resident memory before, after and at its peak
// (the server's share is what grows), and when the server closed the connection.
#include "BenchServer.h"
#include "BlockingSend.h"

#include "common/MessageFraming.h"
#include "platform/core/ResourceLimits.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

namespace {

using namespace parlino;
using namespace parlino::bench;
using Clock = std::chrono::steady_clock;

constexpr int ReplyTimeoutS = 300;
constexpr int RefusedCount = 5000;

int Connect(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{ReplyTimeoutS, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

ByteString SignInMessage(std::int32_t id, const char* password = "582047")
{
    return BuildMessage('P', 4, {std::int32_t{40000}, id, std::string(password), std::string()});
}

// Reads replies until the acceptance "V" [port]; false on a time-out or a closed connection.
bool AwaitAcceptance(int fd)
{
    ByteString input;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        input.append(buffer, static_cast<std::size_t>(n));
        // Replies to a client: "P" and "p" are bare letters, "V" carries a port.
        const std::size_t at = input.find('V');
        if (at != ByteString::npos && input.size() >= at + 5)
            return true;
    }
}

enum RefusedKind { Balance, Call, SignIn, TopUp };

ByteString RefusedMessage(int kind)
{
    switch (kind) {
    case Balance: return "b";
    case Call: return BuildMessage('C', 1, {std::int32_t{102}});
    case SignIn: return SignInMessage(102, "wrong");
    default: return BuildMessage('p', 1, {std::string("00000000")});
    }
}

void BM_RefusedMessages(benchmark::State& state)
{
    BenchServer server;
    if (!server.Listening()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const ByteString one = RefusedMessage(static_cast<int>(state.range(0)));
    ByteString flood;
    for (int i = 0; i < RefusedCount; ++i)
        flood += one;
    double seconds = -1;
    for (auto _ : state) {
        seconds = server.Serve<double>([&] {
            const int fd = Connect(server.Port());
            const auto start = Clock::now();
            const bool ok = SendAll(fd, flood + SignInMessage(101)) && AwaitAcceptance(fd);
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            ::close(fd);
            return ok ? elapsed : -1.0;
        });
    }
    if (seconds < 0)
        state.SkipWithError("the sign-in behind the messages was not accepted");
    state.counters["us_per_message"] = seconds * 1e6 / RefusedCount;
}
BENCHMARK(BM_RefusedMessages)
    ->ArgName("b_C_P_p")
    ->Arg(Balance)->Arg(Call)->Arg(SignIn)->Arg(TopUp)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

enum FloodKind { Junk, BalanceRequests, TalkStarts };

void BM_FloodDelaysSignIn(benchmark::State& state)
{
    BenchServer server;
    if (!server.Listening()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const auto kind = static_cast<int>(state.range(0));
    const auto amount = static_cast<std::size_t>(state.range(1));
    ByteString flood;
    if (kind == Junk) {
        flood.assign(amount * 1024, 'Q');
    } else if (kind == BalanceRequests) {
        flood.assign(amount * 1024, 'b');
    } else {
        const ByteString start = BuildMessage('S', 1, {std::int32_t{102}});
        for (std::size_t i = 0; i < amount; ++i)
            flood += start;
    }
    double waited = -1;
    for (auto _ : state) {
        waited = server.Serve<double>([&] {
            const int flooder = Connect(server.Port());
            if (kind == TalkStarts && !(SendAll(flooder, SignInMessage(101)) && AwaitAcceptance(flooder)))
                return -1.0;
            const int other = Connect(server.Port());
            std::thread floodThread([&] { SendAll(flooder, flood); });
            // Let the flood reach the server first.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const auto start = Clock::now();
            const bool ok = SendAll(other, SignInMessage(103)) && AwaitAcceptance(other);
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            floodThread.join();
            ::close(other);
            ::close(flooder);
            return ok ? elapsed : -1.0;
        });
    }
    if (waited < 0)
        state.SkipWithError("the other sign-in was not accepted");
    state.counters["sign_in_wait_ms"] = waited * 1000;
}
// {kind, amount}: KiB of junk or of balance requests, or a count of talk starts.
BENCHMARK(BM_FloodDelaysSignIn)
    ->ArgNames({"junk_b_S", "KiB_or_count"})
    ->Args({Junk, 1024})->Args({Junk, 4096})
    ->Args({BalanceRequests, 64})->Args({BalanceRequests, 1024})
    ->Args({TalkStarts, 3000})
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Resident and peak memory of this process (the server and the bench's peers), in MiB.
double ProcStatusMiB(const char* key)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    double kib = -1;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':')
            kib = std::strtod(line + keyLength + 1, nullptr);
    std::fclose(status);
    return kib / 1024;
}

void BM_NonReadingPeer(benchmark::State& state)
{
    BenchServer server;
    if (!server.Listening()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const auto duration = std::chrono::seconds(state.range(0));
    const double before = ProcStatusMiB("VmRSS");
    double lasted = -1;
    for (auto _ : state) {
        lasted = server.Serve<double>([&] {
            const int fd = Connect(server.Port());
            if (!(SendAll(fd, SignInMessage(101)) && AwaitAcceptance(fd))) {
                ::close(fd);
                return -2.0;
            }
            // Balance requests for the whole time, and never a byte read.
            const ByteString requests(64 * 1024, 'b');
            const auto start = Clock::now();
            double open = -1;  // how long the server kept the connection
            while (Clock::now() - start < duration) {
                const ssize_t n = ::send(fd, requests.data(), requests.size(),
                                         MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                    if (open < 0)
                        open = std::chrono::duration<double>(Clock::now() - start).count();
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                } else if (n < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            ::close(fd);
            return open;
        });
    }
    if (lasted < -1)
        state.SkipWithError("the sign-in was not accepted");
    state.counters["rss_before_MiB"] = before;
    state.counters["rss_after_MiB"] = ProcStatusMiB("VmRSS");
    state.counters["rss_peak_MiB"] = ProcStatusMiB("VmHWM");
    // -1: the server never closed it.
    state.counters["closed_after_s"] = lasted;
}
// The seconds the peer sends for.
BENCHMARK(BM_NonReadingPeer)
    ->ArgName("seconds")
    ->Arg(30)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    RaiseOpenFileLimit();
    return RunQtBenchmarks(argc, argv);
}
