// A server that floods the softphone: 1 or 10 MiB of bytes that start no message, or of
// balance reports, sent at once behind the sign-in's acceptance to a softphone window on
// loopback. One iteration is one burst on a fresh window.
//
// Reported per burst:
//   response_ms   the longest the window's event loop went without serving a 10 ms timer
//                 while the burst drained, which is how long a click or a repaint waited;
//   cpu_s         the main thread's CPU time from the first byte to the last handled;
//   rss_growth_MB the highest resident size seen while draining, less the size before;
//   log_lines     the lines the log holds afterwards.
#include "BlockingSend.h"

#include "client/ZeltClientUnit1.h"
#include "common/MessageFraming.h"
#include "common/SignallingCatalogue.h"
#include "platform/core/IniFile.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormHook.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <fstream>
#include <future>
#include <thread>

namespace {

using namespace parlino;
using parlino::bench::SendAll;

constexpr int TickMs = 10;
constexpr qint64 DrainTimeoutMs = 300000;
const std::string EndMarker = "burst over";

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ResidentMB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// The switch's side on a thread of its own with a blocking socket: accepts the softphone,
// answers its sign-in, and once told to go sends the burst and an information line that
// marks its end. The connection stays open until the server is destroyed.
class BurstServer {
public:
    explicit BurstServer(ByteString burst) : burst_(std::move(burst))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~BurstServer()
    {
        if (!went_)
            go_.set_value(false);
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        if (connection_ >= 0)
            ::close(connection_);
        ::close(listener_);
    }

    quint16 port() const { return port_; }
    void go()
    {
        went_ = true;
        go_.set_value(true);
    }

private:
    void run()
    {
        connection_ = ::accept(listener_, nullptr, nullptr);
        if (connection_ < 0)
            return;
        ByteString received;
        bool signedIn = false;
        while (!signedIn) {
            char chunk[256];
            const ssize_t n = ::recv(connection_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            received.append(chunk, static_cast<std::size_t>(n));
            DrainMessages(received, &ServerReadFields, [&](char letter, const MessageValues&) {
                signedIn = letter == Letter::LoginRequest;
                return !signedIn;
            });
        }
        SendAll(connection_, BuildMessage(Letter::LoginAccepted, 1, {std::int32_t{40000}}));
        if (!go_.get_future().get())
            return;
        SendAll(connection_, burst_);
        SendAll(connection_, BuildMessage(Letter::InfoMessage, 1, {EndMarker}));
    }

    ByteString burst_;
    int listener_ = -1;
    int connection_ = -1;
    quint16 port_ = 0;
    std::promise<bool> go_;
    bool went_ = false;
    std::thread thread_;
};

ByteString Burst(std::size_t bytes, bool validReplies)
{
    if (!validReplies)
        return ByteString(bytes, 'Q');
    ByteString burst;
    burst.reserve(bytes);
    const ByteString report = BuildMessage(Letter::BalanceReport, 1, {12.5});
    while (burst.size() + report.size() <= bytes)
        burst += report;
    return burst;
}

// Arguments: MiB, then 0 for junk or 1 for balance reports.
void BM_SoftphoneBurst(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0)) << 20;
    const bool validReplies = state.range(1) != 0;
    for (auto _ : state) {
        QTemporaryDir scratch;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(scratch.path());
        QFile id(QStringLiteral("ClientID.txt"));
        id.open(QIODevice::WriteOnly);
        id.write("123\n");
        id.close();

        BurstServer server(Burst(bytes, validReplies));
        {
            IniFile ini("ParlinoClient.ini");
            ini.writeInteger("Server", "TCP port", server.port());
            ini.save();
        }
        ui::ScopedDialogResponder boxes(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
        ui::ScopedFormResponder forms([](QDialog& form) {
            ui::FormDriver driver(form);
            driver.type(QStringLiteral("LabeledEdit3"), QStringLiteral("582047"));
            driver.click(QStringLiteral("BitBtn1"));
        });
        ClientSetup setup;
        setup.iniFile = QStringLiteral("ParlinoClient.ini");
        setup.audioDevices = "null";
        setup.terminate = [] {};
        auto window = std::make_unique<TZeltClientForm1>(setup);
        window->show();
        window->Timer3Timer();
        QElapsedTimer waited;
        waited.start();
        while (!window->BitBtn3->isEnabled() && waited.elapsed() < DrainTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!window->BitBtn3->isEnabled()) {
            state.SkipWithError("the softphone did not sign in");
            break;
        }
        // Out of the notification area, so that the drained log is painted too.
        window->showNormal();
        QCoreApplication::processEvents();

        const double rssBefore = ResidentMB();
        double rssHighest = rssBefore;
        qint64 longestGap = 0;
        bool over = false;
        QElapsedTimer clock;
        QTimer tick;
        qint64 lastTick = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
            rssHighest = std::max(rssHighest, ResidentMB());
            over = window->Memo1->toPlainText().contains(QString::fromStdString(EndMarker));
        });
        const double cpuBefore = ThreadCpuSeconds();
        clock.start();
        tick.start(TickMs);
        server.go();
        while (!over && clock.elapsed() < DrainTimeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        tick.stop();
        const double cpu = ThreadCpuSeconds() - cpuBefore;
        if (!over)
            state.SkipWithError("the burst did not drain in time");

        state.counters["response_ms"] = static_cast<double>(longestGap);
        state.counters["cpu_s"] = cpu;
        state.counters["rss_growth_MB"] = rssHighest - rssBefore;
        state.counters["log_lines"] = window->Memo2->document()->blockCount();
        state.SetIterationTime(static_cast<double>(clock.elapsed()) / 1000.0);
        window.reset();
        QDir::setCurrent(previous);
    }
}
BENCHMARK(BM_SoftphoneBurst)
    ->ArgNames({"MiB", "replies"})
    ->Args({1, 0})
    ->Args({10, 0})
    ->Args({1, 1})
    ->Args({10, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
