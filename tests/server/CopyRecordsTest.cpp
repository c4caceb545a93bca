// Copying rows through a field map, and a copy the destination refuses part way.
#include "StoreTestSupport.h"

#include "server/CopyRecords.h"
#include "server/StoreLayouts.h"

namespace parlino {
namespace {

using dataset::Dataset;
using dataset::DatasetError;
using dataset::DatasetState;

void AddLogRow(Dataset& log, int day, const char* type, int duration, std::optional<int> other)
{
    log.Append();
    log.FieldByName("ServerDay").SetAsInteger(day);
    log.FieldByName("CallDate").SetAsDateTime(46000);
    log.FieldByName("CallTime").SetAsDateTime(0.25);
    log.FieldByName("CallType").SetAsText(type);
    if (other)
        log.FieldByName("Client_ID").SetAsInteger(*other);
    log.FieldByName("Duration").SetAsInteger(duration);
    log.Post();
}

class CopyRecordsTest : public test::DataFolderTest {};

TEST_F(CopyRecordsTest, MappedFieldsTakeSourceValuesNullsIncludedOthersKeepDefaults)
{
    Dataset users(UsersLayout(), "users");
    users.Open();
    users.Append();
    users.FieldByName("Client_ID").SetAsInteger(150);
    users.FieldByName("IP_Address").SetAsText("10.0.0.1");
    users.FieldByName("Name").SetAsText("Ann");
    users.Post();
    users.Append();
    users.FieldByName("Client_ID").SetAsInteger(151);
    users.FieldByName("IP_Address").SetAsText("10.0.0.2");
    users.Post();

    Dataset noncrit(NoncritLayout(), "noncrit");
    noncrit.Open();
    Dataset talks(TalksLayout(), "talks");
    talks.Open();
    CopyRecords(users, noncrit, MapFields(users, {"Client_ID", "IP_Address", "Name", "Loc", "Contact"}));
    ASSERT_EQ(noncrit.RecordCount(), 2);
    EXPECT_EQ(noncrit.RowValue(0, 2).ToText(), "Ann");
    EXPECT_TRUE(noncrit.RowValue(1, 2).IsNull());
    EXPECT_EQ(noncrit.RowValue(1, 1).ToText(), "10.0.0.2");

    // An unmapped destination field keeps its default: the users' Status "OFFLINE".
    Dataset back(UsersLayout(), "back");
    back.Open();
    CopyRecords(noncrit, back, MapFields(noncrit, {"Client_ID", "", "IP_Address"}));
    EXPECT_EQ(back.RowValue(1, 0).ToInteger(), 151);
    EXPECT_EQ(back.RowValue(1, 1).ToText(), "582047");
    EXPECT_EQ(back.RowValue(1, 5).ToText(), "OFFLINE");
    EXPECT_THROW(MapFields(noncrit, {"NoSuchField"}), DatasetError);
}

TEST_F(CopyRecordsTest, RefusedRowStopsTheCopyAndStaysOpen)
{
    Dataset nested(UsersLayout(), "users");
    nested.Open();
    nested.Append();
    Dataset& prev7 = *nested.FieldByName("Prev7ServDays").Nested();
    AddLogRow(prev7, 6, ">", 3, 102);
    AddLogRow(prev7, 8, "<", 1, std::nullopt);  // 8 is allowed only in the nested log
    AddLogRow(prev7, 7, ">", 2, 103);

    Dataset carrier(LogLayout(LogKind::FilePrev7), "carrier");
    carrier.Open();
    EXPECT_THROW(CopyRecords(prev7, carrier, MapByPosition(prev7, 6)), DatasetError);
    EXPECT_EQ(carrier.State(), DatasetState::Insert);
    carrier.Cancel();
    ASSERT_EQ(carrier.RecordCount(), 1);
    EXPECT_EQ(carrier.FieldByName("Client_ID").AsInteger(), 102);
    EXPECT_DOUBLE_EQ(carrier.FieldByName("CallTime").AsDateTime(), 0.25);
}

TEST_F(CopyRecordsTest, OutgoingMinutesComeFromTheFirstGroupOfTheOutInOrder)
{
    TDataModule2 store;  // defines the aggregates on its own users table
    Dataset& prev7 = store.Prev7ServDays;
    prev7.AddIndex({"P7SDOutInIndex", "CallType;ServerDay;CallDate;CallTime", "CallType", ""});
    prev7.SetIndexName("P7SDOutInIndex");
    store.ClientDataSet1.Open();
    store.ClientDataSet1.Append();
    AddLogRow(prev7, 2, "<", 9, 104);
    AddLogRow(prev7, 5, ">", 4, 102);
    AddLogRow(prev7, 1, "<", 6, 104);
    AddLogRow(prev7, 3, ">", 3, 103);
    prev7.First();
    EXPECT_EQ(prev7.FieldByName("CallType").AsText(), ">");
    EXPECT_EQ(prev7.FieldByName("ServerDay").AsInteger(), 3);
    EXPECT_EQ(prev7.AggregateValue("P7SDOutDur").ToInteger(), 7);
    store.ClientDataSet1.Cancel();
}

}  // namespace
}  // namespace parlino
