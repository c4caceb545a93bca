#include "server/DataUnit2.h"

#include "server/StoreLayouts.h"

#include <QDateTime>
#include <QtGlobal>

#include <cstdio>

namespace parlino {

using dataset::Bookmark;
using dataset::Dataset;

namespace {
void Prepare(Dataset& table, std::vector<dataset::FieldDef> layout, const std::string& file)
{
    table.SetLayout(std::move(layout));
    table.SetFileName(file);
    table.SetName(file);
}
}  // namespace

double SystemDateTimeNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

TDataModule2::TDataModule2()
    : ClientDataSet1(UsersLayout(), UsersFile),
      Prev7ServDays(*ClientDataSet1.FieldByName("Prev7ServDays").Nested()),
      CurServDay(*ClientDataSet1.FieldByName("CurServDay").Nested()),
      Now(SystemDateTimeNow)
{
    ClientDataSet1.SetFileName(UsersFile);
    Prepare(NoncritTable, NoncritLayout(), NoncritFile);
    Prepare(Prev7Carrier, LogLayout(LogKind::FilePrev7), Prev7CarrierFile);
    Prepare(CurDayCarrier, LogLayout(LogKind::FileCurDay), CurDayCarrierFile);
    Prepare(TalksTable, TalksLayout(), TalksFile);
    Prepare(TempTalksTable, TalksLayout(), TempTalksFile);
    for (std::size_t d = 0; d < PinPrefixes.size(); ++d) {
        Prepare(ActivatedPins[d], ActivatedPinLayout(), ActivatedPinFile(PinPrefixes[d]));
        Prepare(ReleasedPins[d], ReleasedPinLayout(), ReleasedPinFile(PinPrefixes[d]));
        Prepare(GeneratedPins[d], GeneratedPinLayout(), GeneratedPinFile(PinPrefixes[d]));
    }
    // The outgoing minutes of an account: the ">" group of its OutIn-ordered logs.
    Prev7ServDays.AddAggregate({"P7SDOutDur", "Sum(Duration)", "P7SDOutInIndex", 1});
    CurServDay.AddAggregate({"CurSDOutDur", "Sum(Duration)", "CurSDOutInIndex", 1});
    DataModuleCreate();
}

TDataModule2::~TDataModule2()
{
    DataModuleDestroy();
}

Dataset& TDataModule2::KeyedDataset(int keyed)
{
    if (keyed == UsersKeyed)
        return ClientDataSet1;
    return ActivatedPins.at(static_cast<std::size_t>(keyed - 1));
}

int TDataModule2::KeyedTableOf(const Dataset& table) const
{
    if (&table == &ClientDataSet1)
        return UsersKeyed;
    for (std::size_t d = 0; d < ActivatedPins.size(); ++d)
        if (&table == &ActivatedPins[d])
            return static_cast<int>(d) + 1;
    return -1;
}

Bookmark* TDataModule2::Slot(int keyed, std::int32_t clientId)
{
    if (keyed < 0 || keyed >= KeyedTableCount || clientId < 1 || clientId > ClientIDSlotCount)
        return nullptr;
    return &ClientIDIndexes[static_cast<std::size_t>(keyed)][static_cast<std::size_t>(clientId - 1)];
}

bool TDataModule2::GotoClient(int keyed, std::int32_t clientId)
{
    const Bookmark* slot = Slot(keyed, clientId);
    Dataset& table = KeyedDataset(keyed);
    if (!slot || !table.BookmarkValid(*slot))
        return false;
    table.GotoBookmark(*slot);
    return true;
}

void TDataModule2::ReleaseClientIDIndex(int keyed)
{
    Dataset& table = KeyedDataset(keyed);
    for (Bookmark& slot : ClientIDIndexes.at(static_cast<std::size_t>(keyed)))
        table.FreeBookmark(slot);
}

void TDataModule2::FillClientIDIndex(int keyed)
{
    Dataset& table = KeyedDataset(keyed);
    dataset::Field& clientId = table.FieldByName("Client_ID");
    table.First();
    while (!table.Eof()) {
        const std::int32_t id = clientId.AsInteger();
        if (id >= FirstClientID && id <= LastClientID)
            *Slot(keyed, id) = table.GetBookmark();
        table.Next();
    }
}

void TDataModule2::CloseUsersTable()
{
    if (!ClientDataSet1.Active())
        return;
    ReleaseClientIDIndex(UsersKeyed);
    ClientDataSet1.SetIndexName("");
    Prev7ServDays.SetIndexName("");
    CurServDay.SetIndexName("");
    ClientDataSet1.Empty();
    ClientDataSet1.Close();
}

void TDataModule2::CloseActivatedTable(int denomination)
{
    Dataset& table = ActivatedPins.at(static_cast<std::size_t>(denomination));
    if (!table.Active())
        return;
    ReleaseClientIDIndex(denomination + 1);
    table.Close();
}

// ---- handlers ----

void TDataModule2::DataModuleCreate()
{
    for (ClientIDIndex& index : ClientIDIndexes)
        index.fill(Bookmark{});
    PreEditClientID.fill(0);
    for (int keyed = 0; keyed < KeyedTableCount; ++keyed) {
        Dataset& table = KeyedDataset(keyed);
        table.BeforeDelete = [this](Dataset& d) { ClientDataSet1BeforeDelete(d); };
        table.AfterEdit = [this](Dataset& d) { ClientDataSet1AfterEdit(d); };
        table.AfterCancel = [this](Dataset& d) { ClientDataSet1AfterCancel(d); };
        table.AfterPost = [this](Dataset& d) { ClientDataSet1AfterPost(d); };
        table.FieldByName("Client_ID").OnValidate = [this](dataset::Field& f, const dataset::Value& v) {
            ClientDataSet1Client_IDValidate(f, v);
        };
    }
}

void TDataModule2::DataModuleDestroy()
{
    // Nothing can be shown at program end; a table that cannot be written is reported on
    // the error stream at least.
    try {
        CloseUsersTable();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
    for (int d = 0; d < static_cast<int>(ActivatedPins.size()); ++d) {
        try {
            CloseActivatedTable(d);
        } catch (const std::exception& error) {
            qWarning("%s", error.what());
        }
    }
}

void TDataModule2::ClientDataSet1BeforeDelete(Dataset& dataSet)
{
    const int keyed = KeyedTableOf(dataSet);
    if (keyed < 0)
        return;
    // Only the row's own handle is released: with a Client_ID held twice in a file, the
    // slot may belong to the other row, which must stay reachable.
    Bookmark* slot = Slot(keyed, dataSet.FieldByName("Client_ID").AsInteger());
    if (slot && dataSet.BookmarkValid(*slot) && *slot == dataSet.GetBookmark())
        dataSet.FreeBookmark(*slot);
    PreEditClientID[static_cast<std::size_t>(keyed)] = 0;
}

void TDataModule2::ClientDataSet1AfterEdit(Dataset& dataSet)
{
    const int keyed = KeyedTableOf(dataSet);
    if (keyed >= 0)
        PreEditClientID[static_cast<std::size_t>(keyed)] = dataSet.FieldByName("Client_ID").AsInteger();
}

void TDataModule2::ClientDataSet1Client_IDValidate(dataset::Field& sender, const dataset::Value& value)
{
    Dataset& dataSet = sender.Owner();
    const int keyed = KeyedTableOf(dataSet);
    if (keyed < 0 || value.IsNull())
        return;
    const std::int32_t clientId = value.ToInteger();
    const std::int32_t preEdit = PreEditClientID[static_cast<std::size_t>(keyed)];
    const Bookmark* slot = Slot(keyed, clientId);
    if (!slot || slot->IsNull() || !dataSet.BookmarkValid(*slot) || clientId == preEdit)
        return;

    if (FinishPendingRepaint)
        FinishPendingRepaint();
    const std::string message = "Client_ID number already exists";
    if (showErrorMessage)
        showErrorMessage(QString::fromStdString(message));
    else
        std::fprintf(stderr, "%s\n", message.c_str());
    if (preEdit != 0) {
        // An existing row keeps and posts its old number.
        dataSet.FreezeViews();
        try {
            sender.SetAsInteger(preEdit);
            dataSet.Post();
        } catch (...) {
            dataSet.ReleaseViews();
            throw;
        }
        dataSet.ReleaseViews();
    }
    throw dataset::SilentAbort();
}

void TDataModule2::ClientDataSet1AfterCancel(Dataset& dataSet)
{
    const int keyed = KeyedTableOf(dataSet);
    if (keyed >= 0)
        PreEditClientID[static_cast<std::size_t>(keyed)] = 0;
}

void TDataModule2::ClientDataSet1AfterPost(Dataset& dataSet)
{
    const int keyed = KeyedTableOf(dataSet);
    if (keyed < 0)
        return;
    std::int32_t& preEdit = PreEditClientID[static_cast<std::size_t>(keyed)];
    const std::int32_t clientId = dataSet.FieldByName("Client_ID").AsInteger();
    if (Bookmark* slot = Slot(keyed, clientId)) {
        const Bookmark posted = dataSet.GetBookmark();
        if (preEdit == 0) {
            *slot = posted;
        } else if (clientId != preEdit) {
            // The handle moves from the old number's slot to the new one's.
            *slot = posted;
            Bookmark* old = Slot(keyed, preEdit);
            if (old && *old == posted)
                dataSet.FreeBookmark(*old);
        }
    }
    preEdit = 0;
}

}  // namespace parlino
