// A subscriber's top-up with a released PIN card ("p") and the balance request ("b").
//
// A top-up credits the card's value to the balance in the users table and in critical.fix,
// then moves the card from the released table of its denomination to the activated one
// under the subscriber's Client_ID (an account holds one activated card over all three
// denominations) and saves the card tables it changed at once.
#include "server/ZeltServerUnit1.h"

#include "common/AccountNumbers.h"
#include "common/SignallingCatalogue.h"
#include "platform/dataset/DatasetErrors.h"
#include "platform/ui/ErrorDisplay.h"
#include "server/CardActivation.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/Money.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerClientWinSocket.h"

#include <QStringList>

#include <optional>
#include <string>
#include <unordered_set>

namespace parlino {

namespace {
using dataset::Dataset;

// Credits the card to the account the users table stands on, in the table and in
// critical.fix. Balance, CardPIN and ActivDateTime lie back to back from offset 28 of the
// record and reach the file in one write: the record naming the card is what proves the
// credit was made, and it must never name it without the credit or credit it unnamed.
void creditCard(Dataset& users, FixRecordFile& fix, std::int32_t id, const std::string& pin, double credit,
                double now)
{
    users.Edit();
    try {
        dataset::Field& balance = users.FieldByName("Balance");
        balance.SetAsFloat(movedBalance(balance.AsFloat(), credit));
        dataset::Field& cardPin = users.FieldByName("CardPIN");
        cardPin.SetAsText(pin);
        dataset::Field& activation = users.FieldByName("ActivDateTime");
        activation.SetAsDateTime(now);
        fix.Seek(FixRecordOffset(id) + FixBalanceOffset);
        fix.gather();
        WriteFixField(fix, balance, true);
        WriteFixField(fix, cardPin, true);
        WriteFixField(fix, activation, true);
        // On the disk before the card moves: a power cut must not leave the card spent
        // and the credit lost.
        if (!fix.commit() || !fix.sync())
            throw dataset::DatasetError("Card " + pin + " stays released: " + CriticalFixPath
                                        + " does not take the credit of " + std::to_string(id));
    } catch (...) {
        users.Cancel();
        throw;
    }
    users.Post();
}
// Whether the released card is one the account activated before and that was released
// again, rather than the card of a top-up cut short: the account's activated row of the
// PIN exists but came from another release (a top-up copies the release and generation
// times of the card it moves).
bool releasedAgain(TDataModule2& store, const ReleasedCard& card, std::int32_t id,
                   const std::string& pin)
{
    const Dataset& released = store.ReleasedPins[static_cast<std::size_t>(card.denomination)];
    for (int denomination = 0; denomination < static_cast<int>(CardCredits.size());
         ++denomination) {
        if (!store.GotoClient(Activated080Keyed + denomination, id))
            continue;
        const Dataset& activated = store.ActivatedPins[static_cast<std::size_t>(denomination)];
        if (activated.FieldByName("CardPIN").AsText() != pin)
            continue;
        for (const char* time : {"ReleasDateTime", "GenerDateTime"})
            if (activated.FieldByName(time).GetValue() !=
                released.RowValue(card.row, released.FieldByName(time).Index()))
                return true;
    }
    return false;
}
}  // namespace

// The order makes a top-up safe to lose at any moment: the credit is committed to
// critical.fix first, then the card tables are saved. A program that dies in between
// leaves the card released under the PIN the account's record already names; the next
// Reload All finishes the move (completeInterruptedTopUps).
void TZeltServerForm1::TopUp(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::string pin = ValueAs<std::string>(values, 0);
    const std::int32_t id = connection.Client_ID;
    TDataModule2& store = store_;
    Dataset& users = store.ClientDataSet1;
    bool accepted = false;
    {
        FrozenViews frozen{&users,
                           &store.ActivatedPins[0], &store.ActivatedPins[1], &store.ActivatedPins[2],
                           &store.ReleasedPins[0], &store.ReleasedPins[1], &store.ReleasedPins[2]};
        const ReleasedCard card = findReleasedCard(store, pin);
        if (card) {
            // Checked before anything changes: a card must never be spent without a credit.
            if (!store.GotoClient(UsersKeyed, id))
                throw dataset::DatasetError("Card " + pin + " stays released: no account is signed in as "
                                            + std::to_string(id) + " on this connection");
            const double now = store.Now();
            // Opened only now: a refused PIN costs no file.
            FixRecordFile fix(CriticalFixPath, FixRecordFile::Mode::Write);
            creditCard(users, fix, id, pin, CardCredits[static_cast<std::size_t>(card.denomination)], now);
            activateCard(store, card, id, now);
            accepted = true;
        }
    }
    Reply(connection, accepted ? Letter::TopUpAccepted : Letter::TopUpRefused);
}

void TZeltServerForm1::completeInterruptedTopUps()
{
    TDataModule2& store = store_;
    const Dataset& users = store.ClientDataSet1;
    const int idField = users.FieldByName("Client_ID").Index();
    const int pinField = users.FieldByName("CardPIN").Index();
    const int activationField = users.FieldByName("ActivDateTime").Index();
    // One pass over the released cards, so a reload stays linear in accounts plus cards.
    std::unordered_set<std::string> released;
    for (const Dataset& table : store.ReleasedPins) {
        const int field = table.FieldByName("CardPIN").Index();
        for (int row = 0; row < table.RecordCount(); ++row)
            released.insert(table.RowValue(row, field).ToText());
    }
    QStringList spent;
    for (int row = 0; row < users.RecordCount(); ++row) {
        const std::string pin = users.RowValue(row, pinField).ToText();
        if (!released.contains(pin))
            continue;
        const ReleasedCard card = findReleasedCard(store, pin);
        if (!card)
            continue;
        const std::int32_t id = users.RowValue(row, idField).ToInteger();
        const bool typedBack = releasedAgain(store, card, id, pin);
        activateCard(store, card, id, users.RowValue(row, activationField).ToFloat());
        if (typedBack)
            spent << QStringLiteral("%1 (account %2)").arg(QString::fromStdString(pin)).arg(id);
    }
    // A top-up cut short is finished without a word; a card released anew is the operator's
    // doing, and he must hear that it was taken from the released cards.
    if (!spent.isEmpty())
        errors_->post(QStringLiteral(
                          "Released cards that were already activated and credited were taken from "
                          "the released cards again, without a new credit: %1.")
                          .arg(spent.join(QStringLiteral(", "))),
                      QStringLiteral("Reload All"), ui::DialogIcon::Warning, this);
}

void TZeltServerForm1::ReportBalance(TZeltServerClientWinSocket& connection)
{
    std::optional<double> balance;
    {
        Dataset& users = store_.ClientDataSet1;
        FrozenViews frozen{&users};
        if (store_.GotoClient(UsersKeyed, connection.Client_ID)
            && users.FieldByName("Status").AsText() == StatusOnline)
            balance = users.FieldByName("Balance").AsFloat();
    }
    // Anyone else, signed in or not, hears nothing.
    if (balance)
        Reply(connection, Letter::BalanceReport, 1, {*balance});
}

}  // namespace parlino
