// Table files: round trip, write-back on close, atomic replacement, and damaged files that
// must fail the open with the file's name instead of crashing.
#include "DatasetTestSupport.h"

#include "platform/dataset/TableFile.h"
#include "platform/dataset/TableRows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include <stdlib.h>
#include <unistd.h>

namespace parlino::dataset {
namespace {

using test::AccountLayout;
using test::AccountWithLogLayout;
using test::AddAccount;
using test::AddLog;
using test::IdsInOrder;

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class TableFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        file = (folder / "users.cds").string();
        Dataset users(AccountWithLogLayout(), "users");
        users.Open();
        users.Append();
        users.FieldByName("Id").SetAsInteger(101);
        users.FieldByName("Name").SetAsText("Aé");
        AddLog(*users.FieldByName("Log").Nested(), 7, ">", 3);
        AddLog(*users.FieldByName("Log").Nested(), 8, "<", 2);
        users.Post();
        AddAccount(users, 102, "");
        users.SaveToFile(file);
    }
    void ExpectOpenFailsNamingTheFile(const std::string& why)
    {
        Dataset users(AccountWithLogLayout(), "users");
        users.SetFileName(file);
        try {
            users.Open();
            ADD_FAILURE() << "open succeeded: " << why;
        } catch (const DatasetError& error) {
            EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
        }
        EXPECT_FALSE(users.Active()) << why;
    }
    std::filesystem::path folder;
    std::string file;
};

TEST_F(TableFileTest, RowsNullsAndNestedRowsComeBack)
{
    Dataset users(AccountWithLogLayout(), "users");
    users.SetFileName(file);
    users.Open();
    ASSERT_EQ(users.RecordCount(), 2);
    EXPECT_EQ(users.FieldByName("Name").AsText(), "Aé");
    EXPECT_EQ(users.FieldByName("Status").AsText(), "OFFLINE");
    Dataset& log = *users.FieldByName("Log").Nested();
    ASSERT_EQ(log.RecordCount(), 2);
    log.Last();
    EXPECT_EQ(log.FieldByName("Kind").AsText(), "<");
    EXPECT_TRUE(log.FieldByName("Other").IsNull());
    users.Next();
    EXPECT_TRUE(users.FieldByName("Name").AsText().empty());
    EXPECT_EQ(log.RecordCount(), 0);
    EXPECT_FALSE(users.Modified());
}

TEST_F(TableFileTest, CloseWritesBackOnlyChangedData)
{
    Dataset users(AccountWithLogLayout(), "users");
    users.SetFileName(file);
    users.Open();
    const std::vector<std::uint8_t> marker = {1, 2, 3};
    WriteBytes(file, marker);  // stands for the file as someone else left it
    users.Close();
    EXPECT_EQ(ReadBytes(file), marker);

    SetUp();  // a fresh file with two rows
    users.Open();
    users.Empty();
    users.Close();
    users.Open();
    EXPECT_EQ(users.RecordCount(), 0);
}

// Rows taken out to be saved elsewhere are the file's rows; the table keeps nothing of them
// (they are freed first here) and takes new rows as an emptied table does.
TEST_F(TableFileTest, TakenRowsMakeTheFileAndLeaveTheTableEmpty)
{
    Dataset users(AccountWithLogLayout(), "users");
    users.SetFileName(file);
    users.Open();
    users.Last();
    AddLog(*users.FieldByName("Log").Nested(), 6, ">", 1);
    users.Append();  // a row being inserted is not saved
    users.FieldByName("Id").SetAsInteger(103);
    const std::vector<std::uint8_t> bytes = users.FileBytes();
    {
        const TableRows taken = users.takeRows();
        EXPECT_EQ(taken.fileBytes(), bytes);
    }
    EXPECT_EQ(users.State(), DatasetState::Browse);
    EXPECT_EQ(users.RecordCount(), 0);
    EXPECT_TRUE(users.Eof());
    EXPECT_TRUE(users.Modified());
    AddAccount(users, 104, "Bo");
    AddLog(*users.FieldByName("Log").Nested(), 8, "<", 2);
    EXPECT_EQ(IdsInOrder(users), std::vector<int>{104});
    EXPECT_EQ(users.FieldByName("Log").Nested()->RecordCount(), 1);
}

TEST_F(TableFileTest, LoadingAnotherFileDropsRowsWithoutWritingThem)
{
    Dataset users(AccountWithLogLayout(), "users");
    const std::string carrier = (folder / "carrier.cds").string();
    Dataset empty(AccountWithLogLayout(), "empty");
    empty.Open();
    empty.SaveToFile(carrier);
    users.SetFileName(carrier);
    users.Open();
    AddAccount(users, 150, "x");
    users.LoadFromFile(file);  // the carrier's own file is not written on the way
    EXPECT_EQ(users.RecordCount(), 2);
    EXPECT_FALSE(users.Modified());
    Dataset check(AccountWithLogLayout(), "check");
    check.LoadFromFile(carrier);
    EXPECT_EQ(check.RecordCount(), 0);

    const std::string damaged = (folder / "damaged.cds").string();
    WriteBytes(damaged, {0x50, 0x52});
    EXPECT_THROW(users.LoadFromFile(damaged), DatasetError);
    EXPECT_EQ(users.RecordCount(), 2);  // a failed load keeps the rows
}

TEST_F(TableFileTest, SaveReplacesTheFileWholeAndLeavesNoTemporaries)
{
    Dataset accounts(AccountLayout(), "accounts");
    accounts.Open();
    AddAccount(accounts, 150, "x");
    const std::string other = (folder / "other.cds").string();
    WriteBytes(other, std::vector<std::uint8_t>(5000, 0xAB));
    accounts.SaveToFile(other);
    const std::vector<std::uint8_t> saved = ReadBytes(other);
    EXPECT_LT(saved.size(), 5000u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
    EXPECT_THROW(accounts.SaveToFile((folder / "missing" / "x.cds").string()), DatasetError);
}

TEST_F(TableFileTest, OnlyTheTemporariesOfInterruptedSavesAreRemoved)
{
    Dataset accounts(AccountLayout(), "accounts");
    accounts.Open();
    AddAccount(accounts, 150, "x");
    accounts.SaveToFile(file);
    // What a save killed before its rename leaves: a temporary named as the save names it.
    std::string leftover = file + ".XXXXXX";
    const int fd = ::mkstemp(leftover.data());
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::filesystem::create_directory(folder / "kept.cds.ABCDEF");
    struct Entry {
        std::string name;
        bool removed;
    };
    const Entry entries[] = {
        {std::filesystem::path(leftover).filename().string(), true},
        {"carrier.cds.q1W2e3", true},
        {"users.cds", false},          // the table itself
        {"users.cds.bak", false},      // the operator's copy
        {"users.cds.Ab-2Cd", false},   // not a temporary's suffix
        {"users.cds.Ab12Cde", false},
        {"notes.txt.Ab12Cd", false},   // beside no table file
        {".cds.Ab12Cd", false},
    };
    for (const Entry& entry : entries)
        if (!std::filesystem::exists(folder / entry.name))
            WriteBytes((folder / entry.name).string(), {1, 2, 3});

    EXPECT_EQ(removeInterruptedSaves(folder.string()), 2);
    for (const Entry& entry : entries)
        EXPECT_EQ(std::filesystem::exists(folder / entry.name), !entry.removed) << entry.name;
    EXPECT_TRUE(std::filesystem::is_directory(folder / "kept.cds.ABCDEF")) << "only files go";
    accounts.LoadFromFile(file);
    EXPECT_EQ(accounts.RecordCount(), 1);
    EXPECT_EQ(removeInterruptedSaves((folder / "missing").string()), 0);
}

TEST_F(TableFileTest, MissingFileFailsTheOpen)
{
    std::filesystem::remove(file);
    ExpectOpenFailsNamingTheFile("missing");
}

TEST_F(TableFileTest, EveryTruncationFailsTheOpen)
{
    const std::vector<std::uint8_t> whole = ReadBytes(file);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        WriteBytes(file, std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        ExpectOpenFailsNamingTheFile("cut to " + std::to_string(size));
    }
}

TEST_F(TableFileTest, EveryFlippedByteFailsTheOpen)
{
    const std::vector<std::uint8_t> whole = ReadBytes(file);
    for (std::size_t at = 0; at < whole.size(); ++at) {
        std::vector<std::uint8_t> damaged = whole;
        damaged[at] ^= 0x10;
        WriteBytes(file, damaged);
        ExpectOpenFailsNamingTheFile("byte " + std::to_string(at));
    }
}

TEST_F(TableFileTest, ForeignFilesFailTheOpen)
{
    WriteBytes(file, {'h', 'e', 'l', 'l', 'o', '\n'});
    ExpectOpenFailsNamingTheFile("text");
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    ExpectOpenFailsNamingTheFile("a folder");
}

TEST_F(TableFileTest, AnotherLayoutFailsTheOpen)
{
    Dataset accounts(AccountLayout(), "accounts");
    accounts.Open();
    accounts.SaveToFile(file);
    ExpectOpenFailsNamingTheFile("layout without the log");
}

// Well-formed checksums around lying contents: the decoder must still stay within bounds.
TEST(TableFileDecodeTest, LyingCountsAreRefusedWithinTheBytes)
{
    RowStore none;
    std::vector<std::uint8_t> bytes = EncodeTable({IntegerField("A")}, none);
    // Body: field count(2) type(1) flags(1) size(2) name length(1) "A" rows(4).
    const std::size_t rowCountAt = 16 + 2 + 1 + 1 + 2 + 1 + 1;
    for (std::uint8_t b : {0xFF, 0x7F}) {
        bytes[rowCountAt] = bytes[rowCountAt + 1] = bytes[rowCountAt + 2] = bytes[rowCountAt + 3] = b;
        const std::uint32_t crc = Crc32(bytes.data(), bytes.size() - 4);
        for (int i = 0; i < 4; ++i)
            bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
        EXPECT_THROW(DecodeTable(bytes), DatasetError);
    }
    EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0xCBF43926u);
}

// Every byte of a real file changed to several values, the checksum made right again: the
// decoder accepts or refuses, but never reads outside the bytes (the sanitizers watch).
TEST(TableFileDecodeTest, CraftedFilesWithGoodChecksumsNeverReadOutside)
{
    Dataset users(AccountWithLogLayout(), "users");
    users.Open();
    users.Append();
    users.FieldByName("Id").SetAsInteger(101);
    users.FieldByName("Name").SetAsText("Ann");
    AddLog(*users.FieldByName("Log").Nested(), 7, ">", 3);
    users.Post();
    const std::filesystem::path folder = test::ScratchFolder("crafted");
    users.SaveToFile((folder / "u.cds").string());
    const std::vector<std::uint8_t> whole = ReadBytes(folder / "u.cds");
    int refused = 0;
    for (std::size_t at = 16; at + 4 < whole.size(); ++at) {
        for (std::uint8_t value : {0x00, 0x01, 0x07, 0x08, 0x7F, 0xFF}) {
            std::vector<std::uint8_t> bytes = whole;
            bytes[at] = value;
            const std::uint32_t crc = Crc32(bytes.data(), bytes.size() - 4);
            for (int i = 0; i < 4; ++i)
                bytes[bytes.size() - 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
            try {
                DecodeTable(bytes);
            } catch (const DatasetError&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace parlino::dataset
