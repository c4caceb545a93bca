// A subscriber's top-up with a released PIN card ("p") and the balance request ("b").
//
// A top-up moves the card from the released table of its denomination to the activated one
// under the subscriber's Client_ID (an account holds one activated card over all three
// denominations), saves the card tables it changed at once, and credits the card's value
// to the balance in the users table and in critical.fix.
#include "server/ZeltServerUnit1.h"

#include "common/SignallingCatalogue.h"
#include "platform/dataset/DatasetErrors.h"
#include "server/CriticalFix.h"
#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"
#include "server/StoreScopes.h"
#include "server/ZeltServerClientWinSocket.h"

#include <array>
#include <optional>

namespace parlino {

namespace {
using dataset::Dataset;

// Money credited by a card of each denomination, in the order of PinPrefixes.
constexpr std::array<double, 3> CardCredits = {10.0, 20.0, 50.0};
constexpr int DenominationCount = static_cast<int>(CardCredits.size());

// The position of the first row whose CardPIN is exactly `pin`, or -1.
int FindCard(const Dataset& table, const std::string& pin)
{
    if (pin.empty())  // a stored PIN is never empty
        return -1;
    const int field = table.FieldByName("CardPIN").Index();
    for (int row = 0; row < table.RecordCount(); ++row)
        if (table.RowValue(row, field).ToText() == pin)
            return row;
    return -1;
}

void Save(const Dataset& table)
{
    table.SaveToFile(table.FileName());
}

// The activated row being edited or appended takes the released card under `id`; a row that
// cannot be posted is given up, so the activated table is left as it was.
void FillActivatedRow(Dataset& activated, const Dataset& released, std::int32_t id, double now)
{
    try {
        activated.FieldByName("CardPIN").SetValue(released.FieldByName("CardPIN").GetValue());
        activated.FieldByName("Client_ID").SetAsInteger(id);
        activated.FieldByName("ActivDateTime").SetAsDateTime(now);
        activated.FieldByName("ReleasDateTime").SetValue(released.FieldByName("ReleasDateTime").GetValue());
        activated.FieldByName("GenerDateTime").SetValue(released.FieldByName("GenerDateTime").GetValue());
        activated.Post();
    } catch (...) {
        activated.Cancel();
        throw;
    }
}

// The other denominations in search order: for "080" "250" then "500", for "250" "080" then
// "500", for "500" "080" then "250".
std::array<int, 2> OtherDenominations(int denomination)
{
    std::array<int, 2> others{};
    std::size_t next = 0;
    for (int d = 0; d < DenominationCount; ++d)
        if (d != denomination)
            others[next++] = d;
    return others;
}

// Moves the current card of the denomination's released table to its activated table under
// `id`, and saves every card table it changed.
void ActivateCard(TDataModule2& store, int denomination, std::int32_t id, double now)
{
    const auto d = static_cast<std::size_t>(denomination);
    Dataset& released = store.ReleasedPins[d];
    Dataset& activated = store.ActivatedPins[d];
    if (store.GotoClient(Activated080Keyed + denomination, id)) {
        activated.Edit();
    } else {
        // One activated card per account: a card of another denomination gives way.
        for (int other : OtherDenominations(denomination)) {
            if (store.GotoClient(Activated080Keyed + other, id)) {
                Dataset& previous = store.ActivatedPins[static_cast<std::size_t>(other)];
                previous.Delete();
                Save(previous);
                break;
            }
        }
        activated.Append();
    }
    FillActivatedRow(activated, released, id, now);
    Save(activated);
    released.Delete();
    Save(released);
}
}  // namespace

void TZeltServerForm1::TopUp(TZeltServerClientWinSocket& connection, const MessageValues& values)
{
    const std::string pin = ValueAs<std::string>(values, 0);
    const std::int32_t id = connection.Client_ID;
    TDataModule2& store = store_;
    Dataset& users = store.ClientDataSet1;
    bool accepted = false;
    {
        FixRecordFile fix(CriticalFixPath, FixRecordFile::Mode::Write);
        FrozenViews frozen{&users,
                           &store.ActivatedPins[0], &store.ActivatedPins[1], &store.ActivatedPins[2],
                           &store.ReleasedPins[0], &store.ReleasedPins[1], &store.ReleasedPins[2]};
        // The first denomination that has the card released wins.
        int denomination = -1;
        int found = -1;
        for (int d = 0; d < DenominationCount && found < 0; ++d) {
            found = FindCard(store.ReleasedPins[static_cast<std::size_t>(d)], pin);
            denomination = d;
        }
        if (found >= 0) {
            store.ReleasedPins[static_cast<std::size_t>(denomination)].MoveTo(found);
            // Checked before any table changes: a card must never be spent without a credit.
            if (!store.GotoClient(UsersKeyed, id))
                throw dataset::DatasetError("Card " + pin + " stays released: no account is signed in as "
                                            + std::to_string(id) + " on this connection");
            const double now = store.Now();
            ActivateCard(store, denomination, id, now);

            // Balance, CardPIN and ActivDateTime lie back to back from offset 28 of the record;
            // the users table is still on the account's row.
            users.Edit();
            dataset::Field& balance = users.FieldByName("Balance");
            balance.SetAsFloat(balance.AsFloat() + CardCredits[static_cast<std::size_t>(denomination)]);
            fix.Seek(FixRecordOffset(id) + FixBalanceOffset);
            WriteFixField(fix, balance, true);
            dataset::Field& cardPin = users.FieldByName("CardPIN");
            cardPin.SetAsText(pin);
            WriteFixField(fix, cardPin, true);
            dataset::Field& activation = users.FieldByName("ActivDateTime");
            activation.SetAsDateTime(now);
            WriteFixField(fix, activation, true);
            users.Post();
            accepted = true;
        }
    }
    Reply(connection, accepted ? Letter::TopUpAccepted : Letter::TopUpRefused);
}

void TZeltServerForm1::ReportBalance(TZeltServerClientWinSocket& connection)
{
    std::optional<double> balance;
    {
        Dataset& users = store_.ClientDataSet1;
        FrozenViews frozen{&users};
        if (store_.GotoClient(UsersKeyed, connection.Client_ID)
            && users.FieldByName("Status").AsText() == "ONLINE")
            balance = users.FieldByName("Balance").AsFloat();
    }
    // Anyone else, signed in or not, hears nothing.
    if (balance)
        Reply(connection, Letter::BalanceReport, 1, {*balance});
}

}  // namespace parlino
