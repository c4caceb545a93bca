#include "client/MoneyAndOrders.h"

#include "client/OrderRows.h"
#include "client/PriceText.h"
#include "common/AccountNumbers.h"
#include "platform/core/LocalClock.h"

#include <QTimer>

#include <iostream>

namespace parlino {

namespace {

// The longest PIN a card has; a longer text is cut, not refused.
constexpr qsizetype PinLength = 20;

}  // namespace

MoneyAndOrders::MoneyAndOrders(ClientShared& shared, MoneyView& view, LocalClock& clock,
                               ByteString& out, ByteWriter write)
    : shared_(shared), view_(view), clock_(clock), out_(out), write_(std::move(write))
{
}

void MoneyAndOrders::send(char letter, int count, const MessageValues& values)
{
    out_ = BuildMessage(letter, count, values);
    // On a connection that is gone the rest of the message is dropped; the socket's error
    // event tells the subscriber.
    SendWhole(out_, write_);
}

void MoneyAndOrders::balanceClicked()
{
    const std::uint64_t connection = shared_.callState.ConnectionsEnded;
    bool pay = false;
    QString pin;
    if (!view_.runBalance(pay, pin))
        return;
    // The connection the request was meant for has gone; the new one is not signed in yet.
    if (shared_.callState.ConnectionsEnded != connection)
        return;
    if (!pay) {
        view_.addLogEntry(QStringLiteral(" Requesting balance..."));
        send(Letter::BalanceRequest);
    } else {
        view_.addLogEntry(QStringLiteral(" Passing PIN code..."));
        const QByteArray text = pin.left(PinLength).toLatin1();
        send(Letter::CardTopUp, 1,
             {std::string(text.constData(), static_cast<std::size_t>(text.size()))});
    }
    // A reply enables them again.
    view_.setCallButtonsEnabled(false);
}

void MoneyAndOrders::answered(const QString& text)
{
    view_.addLogEntry(text);
    view_.setCallButtonsEnabled(true);
}

void MoneyAndOrders::buttonsByCallState()
{
    view_.setCallButtonsEnabled(true);
    // A call that rang in or was placed meanwhile keeps Balance off, as it would have.
    if (!shared_.callState.Idle())
        view_.setBalanceEnabled(false);
}

void MoneyAndOrders::answeredInAnyState(const QString& text)
{
    view_.addLogEntry(text);
    buttonsByCallState();
}

void MoneyAndOrders::BalanceReport(double balance)
{
    answeredInAnyState(QStringLiteral(" Your balance foots up to ") + PriceText(balance) +
                       QStringLiteral(" unit(s)"));
}

void MoneyAndOrders::TopUpAccepted()
{
    answeredInAnyState(QStringLiteral(" PIN code accepted"));
}

void MoneyAndOrders::TopUpRefused()
{
    answeredInAnyState(QStringLiteral(" Invalid PIN code"));
}

void MoneyAndOrders::OrderPlaced()
{
    answered(QStringLiteral(" Order placed"));
}

void MoneyAndOrders::OrderFailed()
{
    answered(QStringLiteral(" Failed to place order"));
}

void MoneyAndOrders::setClock(double serverTime)
{
    // Only a value that names a time of day sets the clock; the date stays the computer's.
    const std::optional<QTime> time = TimeOfDayFromDays(serverTime);
    if (!time) {
        std::cerr << "Order table with a server time that is no date-time: " << serverTime
                  << std::endl;
        return;
    }
    // A refusal (no privilege to set the clock) is no error: the orders are shown anyway.
    clock_.setLocalTime(QDateTime(clock_.localNow().date(), *time));
}

void MoneyAndOrders::OrderTable(const std::string& slotLetters, double serverTime)
{
    if (ordersPending_) {
        std::cerr << "Order table dropped: the Order dialog of an earlier one is open" << std::endl;
        return;
    }
    setClock(serverTime);
    const std::optional<OrderRows> rows = BuildOrderRows(slotLetters, view_.longTimeFormat());
    if (!rows) {
        std::cerr << "Order table of " << slotLetters.size() << " slots refused: a day has "
                  << MaxOrderSlots << std::endl;
        view_.setCallButtonsEnabled(true);
        return;
    }
    shared_.OrderSlots = rows->lines;
    OrderOld = rows->orderOld;
    OrderNew = OrderOld;
    ordersPending_ = true;
    // The line asked is the peer now; a call that rings in before the dialog closes
    // changes the peer, not the line the order is for.
    const std::int32_t line = shared_.callState.PeerNumber;
    const std::uint64_t connection = shared_.callState.ConnectionsEnded;
    QTimer::singleShot(0, &context_, [this, line, connection] { runOrders(line, connection); });
}

void MoneyAndOrders::runOrders(std::int32_t line, std::uint64_t connection)
{
    if (shared_.callState.ConnectionsEnded != connection) {
        ordersPending_ = false;  // the table's connection went before its dialog could open
        return;
    }
    const QString caption = QStringLiteral("Orders: Line %1").arg(outsideLineNumber(line));
    OrderNew = OrderOld;
    const bool ok = view_.runOrders(caption, OrderOld, OrderNew, shared_.OrderSlots);
    ordersPending_ = false;
    if (shared_.callState.ConnectionsEnded != connection)
        return;  // the line's table came on a connection that has gone
    if (!ok || OrderNew == OrderOld) {
        buttonsByCallState();
    } else {
        view_.addLogEntry(QStringLiteral(" Placing new order..."));
        send(Letter::OrderPlace, 3, {line, OrderOld, OrderNew});
    }
}

}  // namespace parlino
