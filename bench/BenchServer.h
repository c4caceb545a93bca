// The server at full house for the benchmarks that talk to it over loopback: its window with
// the tables loaded and the listening socket open. Its event loop runs on the benchmark's
// thread while the subscribers' side runs on threads of its own.
#pragma once

#include "BenchAccounts.h"

#include "server/DataUnit2.h"
#include "server/ZeltServerUnit1.h"

#include <QCoreApplication>

#include <atomic>
#include <functional>
#include <future>

namespace parlino::bench {

class BenchServer {
public:
    BenchServer() : folder_(0, 10), window_(store_), dialogs_(ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok))
    {
        window_.BitBtn22Click();
        listening_ = window_.ServerSocket1->Open(0, QHostAddress::LocalHost);
    }
    bool Listening() const { return listening_; }
    quint16 Port() const { return window_.ServerSocket1->Port(); }
    TZeltServerForm1& Window() { return window_; }

    // Runs the event loop until `clientSide`, run on another thread, has returned.
    template <typename Result>
    Result Serve(std::function<Result()> clientSide)
    {
        std::atomic<bool> done{false};
        auto client = std::async(std::launch::async, [&] {
            Result result = clientSide();
            done = true;
            return result;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        return client.get();
    }

private:
    BenchDataFolder folder_;
    TDataModule2 store_;
    TZeltServerForm1 window_;
    ui::ScopedDialogResponder dialogs_;
    bool listening_ = false;
};

}  // namespace parlino::bench
