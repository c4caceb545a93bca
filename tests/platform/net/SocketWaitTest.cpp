#include "platform/net/SocketWait.h"
#include "platform/net/SocketWaitSet.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace parlino::net {
namespace {

// Long enough that a loaded test machine still delivers loopback datagrams in time.
constexpr int ExpectReadyMs = 5000;

std::vector<std::unique_ptr<UdpSocket>> MakeReceivers(int count)
{
    std::vector<std::unique_ptr<UdpSocket>> sockets;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<UdpSocket>();
        socket->setLocalAddress("127.0.0.1");
        socket->allocate();
        socket->bind();
        sockets.push_back(std::move(socket));
    }
    return sockets;
}

void SendTo(const UdpSocket& receiver, std::string_view bytes)
{
    UdpSocket sender;
    sender.setLocalAddress("127.0.0.1");
    sender.allocate();
    sender.bind();
    sender.setPeer("127.0.0.1", receiver.boundPort());
    sender.connect();
    ASSERT_EQ(sender.send(bytes), static_cast<std::int64_t>(bytes.size()));
}

std::vector<UdpSocket*> ListOf(const std::vector<std::unique_ptr<UdpSocket>>& sockets)
{
    std::vector<UdpSocket*> list;
    for (const auto& s : sockets)
        list.push_back(s.get());
    return list;
}

// Both ways of waiting keep the same promise: each test runs with a one-off wait and with a
// wait set (whose first call registers the sockets and whose later calls reuse that).
using WaitCall = std::function<int(std::vector<UdpSocket*>&, SocketReadiness, int)>;

struct WaitKind {
    const char* name;
    std::function<WaitCall()> make;
};

class SocketWait : public ::testing::TestWithParam<WaitKind> {
protected:
    WaitCall waitFor = GetParam().make();
};

INSTANTIATE_TEST_SUITE_P(
    Ways, SocketWait,
    ::testing::Values(WaitKind{"OneOff", [] { return WaitCall(&net::WaitForSockets); }},
                      WaitKind{"WaitSet",
                               [] {
                                   auto set = std::make_shared<SocketWaitSet>();
                                   return WaitCall([set](std::vector<UdpSocket*>& sockets, SocketReadiness what,
                                                         int timeoutMs) { return set->wait(sockets, what, timeoutMs); });
                               }},
                      // The list registered by a first look, then waited on again as it is.
                      WaitKind{"WaitSetAgain",
                               [] {
                                   auto set = std::make_shared<SocketWaitSet>();
                                   return WaitCall([set](std::vector<UdpSocket*>& sockets,
                                                         SocketReadiness what, int timeoutMs) {
                                       std::vector<UdpSocket*> look = sockets;
                                       set->wait(look, what, 0);
                                       return set->waitAgain(sockets, what, timeoutMs);
                                   });
                               }}),
    [](const ::testing::TestParamInfo<WaitKind>& info) { return std::string(info.param.name); });

TEST_P(SocketWait, KeepsOnlyTheReadySocketsInTheirOrder)
{
    auto sockets = MakeReceivers(5);
    SendTo(*sockets[3], "x");
    SendTo(*sockets[1], "y");
    auto list = ListOf(sockets);
    ASSERT_EQ(waitFor(list, SocketReadiness::Readable, ExpectReadyMs), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], sockets[1].get());
    EXPECT_EQ(list[1], sockets[3].get());
}

TEST_P(SocketWait, TimeOutClearsTheListAndEmptyListReturnsAtOnce)
{
    auto sockets = MakeReceivers(3);
    auto list = ListOf(sockets);
    EXPECT_EQ(waitFor(list, SocketReadiness::Readable, 0), 0);
    EXPECT_TRUE(list.empty());

    std::vector<UdpSocket*> empty;
    EXPECT_EQ(waitFor(empty, SocketReadiness::Readable, -1), 0);
}

TEST_P(SocketWait, WaitsOnFarMoreThanSixtyFourSockets)
{
    auto sockets = MakeReceivers(300);
    SendTo(*sockets[0], "a");
    SendTo(*sockets[70], "b");
    SendTo(*sockets[299], "c");
    auto list = ListOf(sockets);
    ASSERT_EQ(waitFor(list, SocketReadiness::Readable, ExpectReadyMs), 3);
    EXPECT_EQ(list, (std::vector<UdpSocket*>{sockets[0].get(), sockets[70].get(), sockets[299].get()}));
}

TEST_P(SocketWait, WritableAndUnopenedSockets)
{
    auto sockets = MakeReceivers(2);
    UdpSocket unopened;
    std::vector<UdpSocket*> list{sockets[0].get(), &unopened, sockets[1].get()};
    ASSERT_EQ(waitFor(list, SocketReadiness::Writable, ExpectReadyMs), 2);
    EXPECT_EQ(list, (std::vector<UdpSocket*>{sockets[0].get(), sockets[1].get()}));

    std::vector<UdpSocket*> onlyUnopened{&unopened};
    EXPECT_EQ(waitFor(onlyUnopened, SocketReadiness::Readable, 0), 0);
}

// A wait set lives through a sequence of calls on sockets a, b and c: each step may close or
// make sockets anew (allocate() again, which takes the freed descriptor), sends datagrams,
// waits, and then reads away what the wait reported.
struct WaitSetStep {
    const char* rule;
    std::string close;
    std::string reopen;
    std::string sendTo;
    std::string list;
    SocketReadiness what;
    std::string ready;  // in list order
    bool again = false;  // waitAgain(): the list of the step before, its sockets untouched
};

TEST(SocketWaitSet, FollowsTheListAndTheSocketsFromCallToCall)
{
    const std::vector<WaitSetStep> steps = {
        {"the first call watches all", "", "", "b", "abc", SocketReadiness::Readable, "b"},
        {"a socket left out is not reported", "", "", "bc", "ac", SocketReadiness::Readable, "c"},
        {"listed again, what waits on it is found", "", "", "", "abc", SocketReadiness::Readable,
         "b"},
        {"a socket made anew is watched", "", "a", "a", "abc", SocketReadiness::Readable, "a"},
        {"readiness to send", "", "", "", "ab", SocketReadiness::Writable, "ab"},
        {"back to readiness to receive", "", "", "b", "ab", SocketReadiness::Readable, "b"},
        {"a socket listed twice is reported twice", "", "", "c", "cac", SocketReadiness::Readable,
         "cc"},
        {"and so again, from the set's own record", "", "", "c", "cac", SocketReadiness::Readable,
         "cc", true},
        {"again, in list order whichever came first", "", "", "ca", "cac",
         SocketReadiness::Readable, "cac", true},
        {"a closed socket is never ready", "c", "", "b", "bc", SocketReadiness::Readable, "b"},
        {"a new socket under a closed one's descriptor", "", "c", "c", "ac",
         SocketReadiness::Readable, "c"},
    };
    auto sockets = MakeReceivers(3);
    const auto socketOf = [&](char name) { return sockets[static_cast<std::size_t>(name - 'a')].get(); };
    std::vector<int> lastDescriptors;
    for (const auto& socket : sockets)
        lastDescriptors.push_back(socket->descriptor());
    SocketWaitSet set;
    for (const WaitSetStep& step : steps) {
        SCOPED_TRACE(step.rule);
        for (char name : step.close)
            socketOf(name)->close();
        for (char name : step.reopen) {
            UdpSocket& socket = *socketOf(name);
            socket.allocate();
            socket.bind();
            ASSERT_EQ(socket.descriptor(), lastDescriptors[static_cast<std::size_t>(name - 'a')])
                << "the new socket should take the old descriptor";
        }
        for (char name : step.sendTo)
            SendTo(*socketOf(name), "v");

        std::vector<UdpSocket*> list;
        for (char name : step.list)
            list.push_back(socketOf(name));
        std::vector<UdpSocket*> expected;
        for (char name : step.ready)
            expected.push_back(socketOf(name));
        const int ready = step.again ? set.waitAgain(list, step.what, ExpectReadyMs)
                                     : set.wait(list, step.what, ExpectReadyMs);
        EXPECT_EQ(ready, static_cast<int>(expected.size()));
        EXPECT_EQ(list, expected);

        if (step.what == SocketReadiness::Readable) {
            for (UdpSocket* socket : list) {
                socket->setNonBlocking(true);
                char buffer[16];
                while (socket->receiveFrom(buffer, sizeof buffer) > 0) {
                }
            }
        }
    }
}

}  // namespace
}  // namespace parlino::net
