#include "server/CardActivation.h"

#include "server/DataUnit2.h"
#include "server/StoreLayouts.h"

#include <vector>

namespace parlino {

namespace {
using dataset::Dataset;

constexpr int DenominationCount = static_cast<int>(CardCredits.size());

int findCard(const Dataset& table, const std::string& pin)
{
    if (pin.empty() || !table.Active())
        return -1;
    const int field = table.FieldByName("CardPIN").Index();
    for (int row = 0; row < table.RecordCount(); ++row)
        if (table.RowValue(row, field).ToText() == pin)
            return row;
    return -1;
}

// The activated row being edited or appended takes the released card under `id`; a row that
// cannot be posted is given up, so the activated table is left as it was.
void fillActivatedRow(Dataset& activated, const Dataset& released, std::int32_t id, double now)
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
std::array<int, 2> otherDenominations(int denomination)
{
    std::array<int, 2> others{};
    std::size_t next = 0;
    for (int d = 0; d < DenominationCount; ++d)
        if (d != denomination)
            others[next++] = d;
    return others;
}
}  // namespace

ReleasedCard findReleasedCard(const TDataModule2& store, const std::string& pin)
{
    for (int d = 0; d < DenominationCount; ++d) {
        const int row = findCard(store.ReleasedPins[static_cast<std::size_t>(d)], pin);
        if (row >= 0)
            return {d, row};
    }
    return {};
}

void activateCard(TDataModule2& store, const ReleasedCard& card, std::int32_t id, double now)
{
    const auto d = static_cast<std::size_t>(card.denomination);
    Dataset& released = store.ReleasedPins[d];
    Dataset& activated = store.ActivatedPins[d];
    released.MoveTo(card.row);
    std::vector<const Dataset*> changed;
    if (store.GotoClient(Activated080Keyed + card.denomination, id)) {
        activated.Edit();
    } else {
        for (int other : otherDenominations(card.denomination)) {
            if (store.GotoClient(Activated080Keyed + other, id)) {
                Dataset& previous = store.ActivatedPins[static_cast<std::size_t>(other)];
                previous.Delete();
                changed.push_back(&previous);
                break;
            }
        }
        activated.Append();
    }
    fillActivatedRow(activated, released, id, now);
    changed.push_back(&activated);
    released.Delete();
    changed.push_back(&released);
    for (const Dataset* table : changed)
        table->SaveToFile(table->FileName());
}

}  // namespace parlino
