// The installation data: every table the server opens, in its layout, and the demo accounts
// rebuilt the way a reload rebuilds them.
#include "StoreTestSupport.h"

#include "server/CopyRecords.h"
#include "server/CriticalFix.h"
#include "server/StoreLayouts.h"
#include "tools/DemoData.h"

#include <fstream>

namespace parlino {
namespace {

using dataset::Dataset;

class InstallationDataTest : public test::DataFolderTest {
protected:
    tools::InstallContent Content() const override { return tools::InstallContent::Demo; }
};

TEST_F(InstallationDataTest, EveryStoreTableOpensFromItsFile)
{
    TDataModule2 store;
    std::vector<Dataset*> tables = {&store.ClientDataSet1, &store.NoncritTable, &store.Prev7Carrier,
                                    &store.CurDayCarrier,  &store.TalksTable,   &store.TempTalksTable};
    for (std::size_t d = 0; d < 3; ++d)
        for (Dataset* table : {&store.ActivatedPins[d], &store.ReleasedPins[d], &store.GeneratedPins[d]})
            tables.push_back(table);
    for (Dataset* table : tables) {
        EXPECT_NO_THROW(table->Open()) << table->FileName();
        EXPECT_TRUE(table->Active()) << table->FileName();
    }
    EXPECT_EQ(store.ClientDataSet1.RecordCount(), 0);
    EXPECT_EQ(store.NoncritTable.RecordCount(), 6);
    EXPECT_EQ(store.ReleasedPins[0].RecordCount(), 2);
    EXPECT_EQ(store.ReleasedPins[0].FieldByName("CardPIN").AsText(), "10000000000000000080");
    EXPECT_DOUBLE_EQ(store.ReleasedPins[0].FieldByName("ReleasDateTime").AsDateTime(), FixedNow);
    for (std::size_t d = 0; d < 3; ++d) {
        EXPECT_EQ(store.ActivatedPins[d].RecordCount(), 0);
        ASSERT_EQ(store.GeneratedPins[d].RecordCount(), 1);
        const std::string pin = store.GeneratedPins[d].FieldByName("CardPIN").AsText();
        EXPECT_EQ(pin.size(), 20u);
        EXPECT_NE(pin[0], '0');
        EXPECT_EQ(pin.find_first_not_of("0123456789"), std::string::npos) << pin;
    }
    for (const tools::DemoAccount& account : tools::DemoAccounts) {
        store.Prev7Carrier.LoadFromFile(Prev7LogFile(account.clientId));
        store.CurDayCarrier.LoadFromFile(CurDayLogFile(account.clientId));
    }
}

TEST_F(InstallationDataTest, DemoAccountsRebuildFromNoncritAndCriticalFix)
{
    TDataModule2 store;
    Dataset& users = store.ClientDataSet1;
    users.Open();
    store.NoncritTable.Open();
    store.Prev7Carrier.Open();
    FixRecordFile critical(CriticalFixPath, FixRecordFile::Mode::Read);
    ASSERT_TRUE(critical.IsOpen());
    for (Dataset& noncrit = store.NoncritTable; !noncrit.Eof(); noncrit.Next()) {
        const std::int32_t id = noncrit.FieldByName("Client_ID").AsInteger();
        critical.Seek(FixRecordOffset(id));
        users.Append();
        for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            ReadFixField(critical, users.FieldByName(field));
        for (const char* field : {"Client_ID", "IP_Address", "Name", "Loc", "Contact"})
            users.FieldByName(field).SetValue(noncrit.FieldByName(field).GetValue());
        store.Prev7Carrier.LoadFromFile(Prev7LogFile(id));
        CopyRecords(store.Prev7Carrier, store.Prev7ServDays, MapByPosition(store.Prev7Carrier, 6));
        users.Post();
    }
    ASSERT_EQ(users.RecordCount(), 6);
    for (const tools::DemoAccount& account : tools::DemoAccounts) {
        ASSERT_TRUE(store.GotoClient(UsersKeyed, account.clientId)) << account.clientId;
        EXPECT_EQ(users.FieldByName("Name").AsText(), account.name);
        EXPECT_EQ(users.FieldByName("Loc").AsText(), account.loc);
        EXPECT_EQ(users.FieldByName("IP_Address").AsText(), "127.0.0.1");
        EXPECT_EQ(users.FieldByName("Password").AsText(), "582047");
        EXPECT_EQ(users.FieldByName("Status").AsText(), account.status);
        EXPECT_DOUBLE_EQ(users.FieldByName("Balance").AsFloat(), account.balance);
        EXPECT_EQ(users.FieldByName("CardPIN").AsText(), "ONPLUG");
        EXPECT_DOUBLE_EQ(users.FieldByName("ActivDateTime").AsDateTime(), FixedNow);
        EXPECT_EQ(store.Prev7ServDays.RecordCount(), 0);
    }
}

TEST_F(InstallationDataTest, ExistingFilesAreNeverOverwritten)
{
    const std::filesystem::path other = folder_ / "again";
    std::filesystem::create_directories(other / "USERPINS");
    {
        std::ofstream keep(other / "USERPINS" / "250gen.cds");
        keep << "operator's own cards";
    }
    try {
        tools::InstallTables(other, tools::InstallContent::Empty, FixedNow);
        FAIL() << "installed over an existing file";
    } catch (const tools::InstallRefused& refused) {
        EXPECT_NE(std::string(refused.what()).find("250gen.cds"), std::string::npos) << refused.what();
    }
    EXPECT_FALSE(std::filesystem::exists(other / "USERINFO"));
    std::ifstream kept(other / "USERPINS" / "250gen.cds");
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "operator's own cards");

    // The demo over an installed empty folder collides too.
    EXPECT_THROW(tools::InstallTables(folder_, tools::InstallContent::Demo, FixedNow), tools::InstallRefused);
}

TEST_F(InstallationDataTest, EmptyInstallationHasZeroRecordsAndNoAccounts)
{
    const std::filesystem::path empty = folder_ / "empty";
    tools::InstallTables(empty, tools::InstallContent::Empty, FixedNow);
    std::ifstream in(empty / CriticalFixPath, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, std::string(64000, '\0'));
    Dataset noncrit(NoncritLayout());
    noncrit.LoadFromFile((empty / NoncritFile).string());
    EXPECT_EQ(noncrit.RecordCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(empty / Prev7LogFile(101)));
}

}  // namespace
}  // namespace parlino
