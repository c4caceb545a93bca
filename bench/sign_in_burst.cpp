// 900 subscribers signing in at once: every one connects over loopback, sends its sign-in
// and waits for the acceptance, which carries the port of the nine voice sockets the
// server has just made for it. One iteration is the whole burst.
#include "BenchAccounts.h"

#include "platform/core/ResourceLimits.h"
#include "platform/ui/Dialogs.h"
#include "server/DataUnit2.h"
#include "server/ZeltServerUnit1.h"
#include "common/MessageFraming.h"

#include <QDeadlineTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <vector>

namespace {

using namespace parlino;
using namespace parlino::bench;

constexpr int BurstTimeoutMs = 60000;

// The subscribers' side of one burst, on a thread of its own with plain blocking sockets,
// so that the server's event loop polls only the server's sockets. Returns the number of
// acceptances received.
int SignInBurst(quint16 port, std::atomic<bool>& done)
{
    std::vector<int> sockets;
    sockets.reserve(AccountCount);
    int accepted = 0;
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{BurstTimeoutMs / 1000, 0};
    for (int id = FirstAccount; id < FirstAccount + AccountCount; ++id) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockets.push_back(fd);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
            continue;
        const ByteString message = BuildMessage(
            'P', 4, {std::int32_t{40000}, std::int32_t{id}, std::string("582047"), std::string()});
        if (::send(fd, message.data(), message.size(), 0) != static_cast<ssize_t>(message.size()))
            continue;
    }
    for (int fd : sockets) {
        char reply[5];
        std::size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got == sizeof reply && reply[0] == 'V')
            ++accepted;
    }
    for (int fd : sockets)
        ::close(fd);
    done = true;
    return accepted;
}

void BM_SignInBurst(benchmark::State& state)
{
    BenchDataFolder folder(0, 0);
    {
        TDataModule2 store;
        TZeltServerForm1 window(store);
        ui::ScopedDialogResponder dialogs(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        window.BitBtn22Click();
        if (!window.ServerSocket1->Open(0, QHostAddress::LocalHost))
            state.SkipWithError("cannot listen");
        for (auto _ : state) {
            std::atomic<bool> done{false};
            auto burst = std::async(std::launch::async, SignInBurst, window.ServerSocket1->Port(),
                                    std::ref(done));
            while (!done)
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
            const int accepted = burst.get();
            state.PauseTiming();
            // Let the server see every connection close before the next burst.
            QDeadlineTimer deadline(BurstTimeoutMs);
            while (window.ServerSocket1->ActiveConnections() > 0 && !deadline.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
            state.ResumeTiming();
            if (accepted != AccountCount || !dialogs.requests().empty()) {
                state.SkipWithError("not every sign-in was accepted");
                break;
            }
        }
        state.counters["sign_ins_per_s"] =
            benchmark::Counter(AccountCount, benchmark::Counter::kIsIterationInvariantRate);
    }
}
BENCHMARK(BM_SignInBurst)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    RaiseOpenFileLimit();
    return RunQtBenchmarks(argc, argv);
}
