// The subscriber's money and the orders of an outside line: the Balance button with its
// request or PIN payment, the server's answers to them, and the order table an outside
// line sends, which sets the computer's time of day to the server's, shows the line's slots
// and sends the new order when the subscriber changed it.
//
// Main thread only. The dialogs are modal, but the server's replies are acted on while
// they are open: the Order dialog opens from the event loop after the read handler, holds
// no reply back, and only the order it places waits for it. The answers to the Balance
// button leave the buttons as the call state has them by then.
#pragma once

#include "client/AccountReplies.h"
#include "client/ClientShared.h"
#include "client/MoneyView.h"
#include "common/MessageFraming.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

namespace parlino {

class LocalClock;

class MoneyAndOrders : public AccountReplies {
public:
    // `out` is the window's output buffer and `write` hands bytes to the signalling socket.
    MoneyAndOrders(ClientShared& shared, MoneyView& view, LocalClock& clock, ByteString& out,
                   ByteWriter write);
    MoneyAndOrders(const MoneyAndOrders&) = delete;
    MoneyAndOrders& operator=(const MoneyAndOrders&) = delete;

    // The Balance button.
    void balanceClicked();

    void BalanceReport(double balance) override;
    void TopUpAccepted() override;
    void TopUpRefused() override;
    void OrderPlaced() override;
    void OrderFailed() override;
    void OrderTable(const std::string& slotLetters, double serverTime) override;

    // Slot index of the subscriber's own reservation, and of the one chosen in the
    // dialog; -1 when none.
    std::int32_t OrderOld = -1;
    std::int32_t OrderNew = -1;

private:
    void send(char letter, int count = 0, const MessageValues& values = {});
    void answered(const QString& text);
    // The Call and Drop buttons come back, and Balance too unless a call is on.
    void buttonsByCallState();
    // Logs `text`, then the buttons by the call state.
    void answeredInAnyState(const QString& text);
    void setClock(double serverTime);
    void runOrders(std::int32_t line, std::uint64_t connection);

    ClientShared& shared_;
    MoneyView& view_;
    LocalClock& clock_;
    ByteString& out_;
    ByteWriter write_;
    // From an order table until its dialog has closed; a table that comes meanwhile is
    // dropped.
    bool ordersPending_ = false;
    QObject context_;  // ties the dialog handed to the event loop to this object's life
};

}  // namespace parlino
