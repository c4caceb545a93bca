// Client_ID slots of the keyed tables and the refusal of a duplicate Client_ID.
#include "StoreTestSupport.h"

#include "platform/ui/Dialogs.h"
#include "server/StoreLayouts.h"

namespace parlino {
namespace {

using dataset::Dataset;
using dataset::DatasetState;
using dataset::SilentAbort;
using ui::DialogAnswer;
using ui::ScopedDialogResponder;

class ClientIDSlotsTest : public test::DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        store = std::make_unique<TDataModule2>();
        // What the operator window installs: a message box captioned "Error".
        store->showErrorMessage = [](const QString& text) {
            ui::ShowMessage(text, QStringLiteral("Error"), ui::DialogButtons::Ok, ui::DialogIcon::Error);
        };
        store->ClientDataSet1.Open();
    }
    void TearDown() override
    {
        store.reset();
        DataFolderTest::TearDown();
    }
    Dataset& Users() { return store->ClientDataSet1; }
    void AddUser(int id)
    {
        Users().Append();
        Users().FieldByName("Client_ID").SetAsInteger(id);
        Users().FieldByName("IP_Address").SetAsText("127.0.0.1");
        Users().Post();
    }
    int SlotOwner(int keyed, int id)
    {
        Dataset& table = store->KeyedDataset(keyed);
        const dataset::Bookmark mark = table.GetBookmark();
        if (!store->GotoClient(keyed, id))
            return 0;
        const int owner = table.FieldByName("Client_ID").AsInteger();
        if (table.BookmarkValid(mark))
            table.GotoBookmark(mark);
        return owner;
    }
    bool SlotEmpty(int keyed, int id) { return store->Slot(keyed, id)->IsNull(); }

    ScopedDialogResponder dialogs{ScopedDialogResponder::always(DialogAnswer::Ok)};
    std::unique_ptr<TDataModule2> store;
};

TEST_F(ClientIDSlotsTest, PostedRowsTakeTheirSlotAndEditsMoveIt)
{
    AddUser(150);
    AddUser(1000);
    EXPECT_EQ(SlotOwner(UsersKeyed, 150), 150);
    EXPECT_EQ(SlotOwner(UsersKeyed, 1000), 1000);
    EXPECT_EQ(&store->ClientIDIndexes[UsersKeyed][999], store->Slot(UsersKeyed, 1000));

    ASSERT_TRUE(store->GotoClient(UsersKeyed, 150));
    Users().Edit();
    EXPECT_EQ(store->PreEditClientID[UsersKeyed], 150);
    Users().FieldByName("Client_ID").SetAsInteger(160);
    Users().Post();
    EXPECT_EQ(store->PreEditClientID[UsersKeyed], 0);
    EXPECT_TRUE(SlotEmpty(UsersKeyed, 150));
    EXPECT_EQ(SlotOwner(UsersKeyed, 160), 160);
    EXPECT_TRUE(dialogs.requests().empty());
}

TEST_F(ClientIDSlotsTest, DuplicateWhileEditingPostsTheOldNumber)
{
    AddUser(150);
    AddUser(151);
    Users().Edit();
    Users().FieldByName("Name").SetAsText("kept");
    EXPECT_THROW(Users().FieldByName("Client_ID").SetAsInteger(150), SilentAbort);
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].text, "Client_ID number already exists");
    EXPECT_EQ(dialogs.requests()[0].caption, "Error");
    EXPECT_EQ(dialogs.requests()[0].icon, ui::DialogIcon::Error);
    EXPECT_EQ(Users().State(), DatasetState::Browse);
    EXPECT_EQ(Users().FieldByName("Client_ID").AsInteger(), 151);
    EXPECT_EQ(Users().FieldByName("Name").AsText(), "kept");
    EXPECT_EQ(store->PreEditClientID[UsersKeyed], 0);
    EXPECT_EQ(SlotOwner(UsersKeyed, 150), 150);
    EXPECT_EQ(SlotOwner(UsersKeyed, 151), 151);
    EXPECT_FALSE(Users().ViewsFrozen());
}

TEST_F(ClientIDSlotsTest, DuplicateInANewRowLeavesItOpenWithoutTheNumber)
{
    AddUser(150);
    Users().Append();
    EXPECT_THROW(Users().FieldByName("Client_ID").SetAsInteger(150), SilentAbort);
    EXPECT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(Users().State(), DatasetState::Insert);
    EXPECT_TRUE(Users().FieldByName("Client_ID").IsNull());
    EXPECT_EQ(Users().RecordCount(), 2);
    Users().Cancel();
    EXPECT_EQ(SlotOwner(UsersKeyed, 150), 150);
}

TEST_F(ClientIDSlotsTest, OwnNumberAgainIsAccepted)
{
    AddUser(150);
    Users().Edit();
    Users().FieldByName("Client_ID").SetAsInteger(150);
    Users().Post();
    EXPECT_TRUE(dialogs.requests().empty());
    EXPECT_EQ(SlotOwner(UsersKeyed, 150), 150);
}

TEST_F(ClientIDSlotsTest, DeleteEmptiesTheSlot)
{
    AddUser(1000);
    AddUser(101);
    ASSERT_TRUE(store->GotoClient(UsersKeyed, 1000));
    Users().Delete();
    EXPECT_TRUE(SlotEmpty(UsersKeyed, 1000));
    EXPECT_EQ(SlotOwner(UsersKeyed, 101), 101);
    AddUser(1000);  // the number is free again
    EXPECT_TRUE(dialogs.requests().empty());
}

TEST_F(ClientIDSlotsTest, ActivatedTablesHaveSlotsOfTheirOwn)
{
    Dataset& cards = store->ActivatedPins[1];
    cards.Open();
    AddUser(150);
    cards.Append();
    cards.FieldByName("CardPIN").SetAsText("20000000000000000250");
    cards.FieldByName("Client_ID").SetAsInteger(150);  // no clash with the users table
    cards.Post();
    EXPECT_EQ(SlotOwner(Activated250Keyed, 150), 150);
    EXPECT_TRUE(SlotEmpty(Activated080Keyed, 150));
    cards.Append();
    cards.FieldByName("CardPIN").SetAsText("20000000000000000251");
    EXPECT_THROW(cards.FieldByName("Client_ID").SetAsInteger(150), SilentAbort);
    EXPECT_EQ(dialogs.requests().size(), 1u);
    cards.Cancel();
}

TEST_F(ClientIDSlotsTest, FilledIndexKeepsTheLaterDuplicateReachable)
{
    // A card file may hold a Client_ID twice; filling takes no check and the last row wins.
    {
        Dataset file(ActivatedPinLayout());
        file.Open();
        for (const char* pin : {"10000000000000000001", "10000000000000000002"}) {
            file.Append();
            file.FieldByName("CardPIN").SetAsText(pin);
            file.FieldByName("Client_ID").SetAsInteger(300);
            file.Post();
        }
        file.SaveToFile(ActivatedPinFile("080"));
    }
    Dataset& cards = store->ActivatedPins[0];
    cards.Open();
    store->FillClientIDIndex(Activated080Keyed);
    EXPECT_TRUE(dialogs.requests().empty());
    ASSERT_TRUE(store->GotoClient(Activated080Keyed, 300));
    EXPECT_EQ(cards.FieldByName("CardPIN").AsText(), "10000000000000000002");
    cards.First();
    cards.Delete();  // the first row: the slot still leads to the second
    ASSERT_TRUE(store->GotoClient(Activated080Keyed, 300));
    EXPECT_EQ(cards.FieldByName("CardPIN").AsText(), "10000000000000000002");
    cards.Delete();
    EXPECT_FALSE(store->GotoClient(Activated080Keyed, 300));
}

TEST_F(ClientIDSlotsTest, ClosingTheUsersTableReleasesSlotsAndWritesTheEmptyTable)
{
    store->Prev7ServDays.AddIndex({"P7SDOutInIndex", "CallType", "CallType", ""});
    store->Prev7ServDays.SetIndexName("P7SDOutInIndex");
    AddUser(150);
    store->CloseUsersTable();
    EXPECT_FALSE(Users().Active());
    EXPECT_TRUE(SlotEmpty(UsersKeyed, 150));
    EXPECT_EQ(store->Prev7ServDays.IndexName(), "");
    Dataset summary(UsersLayout());
    summary.SetFileName(UsersFile);
    summary.Open();
    EXPECT_EQ(summary.RecordCount(), 0);
}

TEST_F(ClientIDSlotsTest, DestroyingTheStoreClosesTheKeyedTables)
{
    store->ActivatedPins[2].Open();
    Dataset& cards = store->ActivatedPins[2];
    cards.Append();
    cards.FieldByName("CardPIN").SetAsText("50000000000000000500");
    cards.FieldByName("Client_ID").SetAsInteger(101);
    cards.Post();
    store.reset();  // writes the changed card table back
    Dataset reread(ActivatedPinLayout());
    reread.SetFileName(ActivatedPinFile("500"));
    reread.Open();
    EXPECT_EQ(reread.RecordCount(), 1);
}

}  // namespace
}  // namespace parlino
