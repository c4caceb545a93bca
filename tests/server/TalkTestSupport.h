// Talks between loopback subscribers, with the billing tick driven by the test: Timer1 runs
// (the handlers look at it) but its timeouts are not delivered, and the test calls
// Timer1Timer itself.
#pragma once

#include "SignallingTestSupport.h"

#include "platform/core/ResourceLimits.h"
#include "platform/ui/Dialogs.h"

#include <QTimer>

#include <initializer_list>
#include <string>
#include <vector>

namespace parlino::test {

class TalkTest : public SignallingTest {
protected:
    void SetUp() override
    {
        RaiseOpenFileLimit();  // nine server voice sockets per subscriber
        SignallingTest::SetUp();
        window->Timer1->blockSignals(true);
        dialogs = std::make_unique<ui::ScopedDialogResponder>(
            ui::ScopedDialogResponder::always(ui::DialogAnswer::Ok));
    }
    void TearDown() override
    {
        // No handler of a talk may have run into an error on its way.
        window->errorDisplay().showPending();
        for (const ui::DialogRequest& request : dialogs->requests())
            ADD_FAILURE() << "shown: " << request.text.toStdString();
        dialogs.reset();
        SignallingTest::TearDown();
    }

    // The payer asks for the talk; returns once the server has handled the request (the
    // reply to a later message has come back), so that nothing is left in flight.
    void RequestTalk(Subscriber& payer, std::int32_t payerId, std::int32_t peer)
    {
        payer.Send('S', 1, {peer});
        ExpectNothingBefore(payer, payerId);
    }
    // The peer answers the payer's call: the payer holds the answer once its "A" has come.
    static void Answer(Subscriber& payer, std::int32_t payerId, Subscriber& peer)
    {
        peer.Send('A', 1, {payerId});
        EXPECT_EQ(payer.NextLetter(), 'A') << "answer to " << payerId;
    }
    // A talk that must start: answered, then asked for; the peer is told with "S".
    void StartTalk(Subscriber& payer, std::int32_t payerId, Subscriber& peer, std::int32_t peerId)
    {
        Answer(payer, payerId, peer);
        RequestTalk(payer, payerId, peerId);
        EXPECT_EQ(peer.NextLetter(), 'S') << payerId << " > " << peerId;
    }

    // What the relay does for each whole packet from a subscriber.
    void Speak(std::int32_t clientId) { inside().voiceSockets.receiveHandle(clientId)->activityFlag = 1; }

    // Runs the tick `count` times; before each, the given subscribers have spoken.
    void Tick(int count = 1, std::initializer_list<std::int32_t> speaking = {})
    {
        for (int i = 0; i < count; ++i) {
            for (std::int32_t id : speaking)
                Speak(id);
            window->Timer1Timer();
        }
    }

    int IntegerOf(std::int32_t id, const char* field)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName(field).AsInteger();
    }
    static double FixBalance(std::int32_t id) { return FixDouble(ReadFixRecord(id), 28); }

    std::vector<std::string> TalksColumn(const char* field)
    {
        dataset::Dataset& talks = store->TalksTable;
        std::vector<std::string> values;
        const int index = talks.FieldByName(field).Index();
        for (int row = 0; row < talks.RecordCount(); ++row)
            values.push_back(talks.RowValue(row, index).ToText());
        return values;
    }
    std::vector<std::int32_t> Payers() const
    {
        std::vector<std::int32_t> payers;
        for (const auto& talk : inside().TalkList)
            payers.push_back(talk->Payer);
        return payers;
    }

    // The saved current-day log of an account, once the call-log saver wrote what it was given.
    std::vector<LogRow> SavedLog(std::int32_t id)
    {
        inside().callLogSaver.settle();
        return ReadLog(CurDayLogFile(id), LogKind::FileCurDay);
    }

    std::unique_ptr<ui::ScopedDialogResponder> dialogs;
};

}  // namespace parlino::test
