// The signalling tests: the operator window listening on loopback, and subscribers
// (support/Subscriber.h) that connect to it.
#pragma once

#include "QtWait.h"
#include "WindowTestFixture.h"

#include "common/MessageFraming.h"
#include "platform/tcp/ServerWinSocket.h"
#include "support/Subscriber.h"

#include <memory>

namespace parlino::test {

// The operator window with its tables loaded and its listening socket open on loopback.
class SignallingTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(Reload().empty());
        ASSERT_TRUE(window->ServerSocket1->Open(0, QHostAddress::LocalHost));
    }

    // The program ends here and starts again on its files: a new store and window, Reload
    // All, and the listening socket open again.
    void Restart()
    {
        MakeWindow();
        ASSERT_TRUE(Reload().empty());
        ASSERT_TRUE(window->ServerSocket1->Open(0, QHostAddress::LocalHost));
    }

    std::unique_ptr<Subscriber> Connect()
    {
        auto subscriber = std::make_unique<Subscriber>(window->ServerSocket1->Port());
        EXPECT_TRUE(subscriber->connected());
        const int before = window->ServerSocket1->ActiveConnections();
        EXPECT_TRUE(WaitUntil([&] { return window->ServerSocket1->ActiveConnections() > before; }))
            << "connections: " << before << " -> " << window->ServerSocket1->ActiveConnections();
        return subscriber;
    }
    // Connected and signed in; the "V" has been read.
    std::unique_ptr<Subscriber> SignedIn(std::int32_t id)
    {
        auto subscriber = Connect();
        subscriber->SignIn(id);
        const auto reply = subscriber->Next();
        EXPECT_TRUE(reply && reply->letter == 'V') << "sign-in of " << id;
        return subscriber;
    }

    // A reply that must come before anything else the subscriber might still get: "t" to
    // oneself comes back as "T". Used after a message that must stay unanswered.
    static void ExpectNothingBefore(Subscriber& subscriber, std::int32_t ownId)
    {
        subscriber.Send('t', 1, {ownId});
        EXPECT_EQ(subscriber.NextLetter(), 'T');
    }

    // Tops up and returns the server's answer.
    static char TopUpWith(Subscriber& subscriber, const std::string& pin)
    {
        subscriber.Send('p', 1, {pin});
        return subscriber.NextLetter();
    }
    double BalanceOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName("Balance").AsFloat();
    }
    std::string StatusOf(std::int32_t id)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName("Status").AsText();
    }
    void SetField(std::int32_t id, const char* field, const dataset::Value& value)
    {
        ASSERT_TRUE(store->GotoClient(UsersKeyed, id));
        Users().Edit();
        Users().FieldByName(field).SetValue(value);
        Users().Post();
    }
};

}  // namespace parlino::test
