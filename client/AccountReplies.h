// The server's replies about money and outside-line orders, handed on by the reply
// dispatcher once their state test has passed. The hooks here do nothing: without the
// balance and order handling the replies are read and dropped.
#pragma once

#include <string>

namespace parlino {

class AccountReplies {
public:
    virtual ~AccountReplies() = default;

    // "b", in every state.
    virtual void BalanceReport(double /*balance*/) {}
    // "v" and "p", in every state.
    virtual void TopUpAccepted() {}
    virtual void TopUpRefused() {}
    // "w" and "0", when neither calling, talking nor hearing the busy tone.
    virtual void OrderPlaced() {}
    virtual void OrderFailed() {}
    // "r", in every state: the slot letters (single-byte text) and the server's date-time.
    virtual void OrderTable(const std::string& /*slotLetters*/, double /*serverTime*/) {}
};

}  // namespace parlino
