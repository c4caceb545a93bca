// critical.fix: byte layout of the text and number rules, record offsets, and what a record
// beyond the end or a missing file gives.
#include "StoreTestSupport.h"

#include "server/CriticalFix.h"
#include "server/StoreLayouts.h"

#include <fstream>
#include <iterator>

namespace parlino {
namespace {

using dataset::Dataset;

std::string FileBytes(std::int64_t offset, std::size_t count)
{
    std::ifstream in(CriticalFixPath, std::ios::binary);
    in.seekg(offset);
    std::string bytes(count, '\x7f');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

class CriticalFixTest : public test::DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        users.Open();
        users.Append();
    }
    void Write(const char* field, const dataset::Value& value, std::int64_t offset, bool skip = false)
    {
        users.FieldByName(field).SetValue(value);
        FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Write);
        ASSERT_TRUE(file.IsOpen());
        file.Seek(offset);
        WriteFixField(file, users.FieldByName(field), skip);
    }
    Dataset users{UsersLayout(), "users"};
};

TEST_F(CriticalFixTest, RecordsStartAtClientIdMinusOneTimes64)
{
    EXPECT_EQ(FixRecordOffset(101), 6400);
    EXPECT_EQ(FixRecordOffset(1000), 63936);
    EXPECT_EQ(std::filesystem::file_size(CriticalFixPath), 64000u);
}

TEST_F(CriticalFixTest, ShorterTextEndsWithNulAndLeavesTheRestOfTheField)
{
    const std::int64_t record = FixRecordOffset(150);
    Write("Password", "abcdefgh", record);
    Write("Password", "abc", record);
    EXPECT_EQ(FileBytes(record, 20), std::string("abc\0efgh\0", 9) + std::string(11, '\0'));

    FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Read);
    file.Seek(record);
    ReadFixField(file, users.FieldByName("Password"));
    EXPECT_EQ(users.FieldByName("Password").AsText(), "abc");
    EXPECT_EQ(file.Position(), record + 20);
}

TEST_F(CriticalFixTest, FullWidthAndWidthMinusOneTexts)
{
    const std::int64_t record = FixRecordOffset(200);
    const std::string twenty = "12345678901234567890";
    Write("Password", twenty, record);
    Write("Status", "ONLINE__", record + 20);
    EXPECT_EQ(FileBytes(record, 28), twenty + "ONLINE__");  // no NUL in either field
    {
        FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Read);
        file.Seek(record);
        ReadFixField(file, users.FieldByName("Password"));
        EXPECT_EQ(users.FieldByName("Password").AsText(), twenty);
    }

    Write("Status", "OFFLINE", record + 20);
    EXPECT_EQ(FileBytes(record + 20, 8), std::string("OFFLINE\0", 8));
    Write("Password", twenty.substr(0, 19), record);
    EXPECT_EQ(FileBytes(record, 20), twenty.substr(0, 19) + std::string(1, '\0'));
}

TEST_F(CriticalFixTest, SkippingWritesLandEachFieldAtItsOffset)
{
    users.FieldByName("Password").SetAsText("pw");
    users.FieldByName("Status").SetAsText("BANNED");
    users.FieldByName("Balance").SetAsFloat(-0.25);
    users.FieldByName("CardPIN").SetAsText("12345");
    users.FieldByName("ActivDateTime").SetAsDateTime(45123.5);
    const std::int64_t record = FixRecordOffset(1000);
    {
        FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Write);
        file.Seek(record);
        for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            WriteFixField(file, users.FieldByName(field), true);
        EXPECT_EQ(file.Position(), record + 64);
    }
    EXPECT_EQ(std::filesystem::file_size(CriticalFixPath), 64000u);

    Dataset reread(UsersLayout(), "reread");
    reread.Open();
    reread.Append();
    FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Read);
    file.Seek(record);
    for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
        ReadFixField(file, reread.FieldByName(field));
    EXPECT_EQ(reread.FieldByName("Password").AsText(), "pw");
    EXPECT_EQ(reread.FieldByName("Status").AsText(), "BANNED");
    EXPECT_DOUBLE_EQ(reread.FieldByName("Balance").AsFloat(), -0.25);
    EXPECT_EQ(reread.FieldByName("CardPIN").AsText(), "12345");
    EXPECT_DOUBLE_EQ(reread.FieldByName("ActivDateTime").AsDateTime(), 45123.5);
    EXPECT_EQ(FileBytes(record + 28, 8), std::string("\0\0\0\0\0\0\xd0\xbf", 8));  // -0.25 LE
}

TEST_F(CriticalFixTest, NullFieldKeepsItsBytes)
{
    const std::int64_t record = FixRecordOffset(300);
    Write("CardPIN", "99999999999999999999", record + 36);
    users.FieldByName("CardPIN").Clear();
    users.FieldByName("ActivDateTime").SetAsDateTime(1.0);
    FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Write);
    file.Seek(record + 36);
    WriteFixField(file, users.FieldByName("CardPIN"), true);
    WriteFixField(file, users.FieldByName("ActivDateTime"), true);
    file.Close();
    EXPECT_EQ(FileBytes(record + 36, 20), "99999999999999999999");
    EXPECT_EQ(FileBytes(record + 56, 8), std::string("\0\0\0\0\0\0\xf0\x3f", 8));
}

TEST_F(CriticalFixTest, RecordBeyondTheEndReadsEmptyAndZero)
{
    Write("Password", "abcdefghijklmnopqrst", FixRecordOffset(500));
    std::filesystem::resize_file(CriticalFixPath, FixRecordOffset(500) + 10);  // cut mid-password
    FixRecordFile file(CriticalFixPath, FixRecordFile::Mode::Read);
    for (const std::int32_t id : {500, 1000}) {
        users.FieldByName("Balance").SetAsFloat(7);
        file.Seek(FixRecordOffset(id));
        for (const char* field : {"Password", "Status", "Balance", "CardPIN", "ActivDateTime"})
            ReadFixField(file, users.FieldByName(field));
        if (id == 500)
            EXPECT_EQ(users.FieldByName("Password").AsText(), "abcdefghij");
        else
            EXPECT_TRUE(users.FieldByName("Password").IsNull());
        EXPECT_TRUE(users.FieldByName("Status").IsNull()) << id;
        EXPECT_DOUBLE_EQ(users.FieldByName("Balance").AsFloat(), 0.0) << id;
        EXPECT_DOUBLE_EQ(users.FieldByName("ActivDateTime").AsDateTime(), 0.0) << id;
        EXPECT_EQ(file.Position(), FixRecordOffset(id) + 64);
    }
}

TEST_F(CriticalFixTest, MissingFileIsNotOpenReadsZeroAndIsNotCreated)
{
    std::filesystem::remove(CriticalFixPath);
    FixRecordFile writer(CriticalFixPath, FixRecordFile::Mode::Write);
    EXPECT_FALSE(writer.IsOpen());
    users.FieldByName("Balance").SetAsFloat(5);
    writer.Seek(FixRecordOffset(101) + FixBalanceOffset);
    WriteFixField(writer, users.FieldByName("Balance"), false);
    EXPECT_FALSE(std::filesystem::exists(CriticalFixPath));
    FixRecordFile reader(CriticalFixPath, FixRecordFile::Mode::Read);
    ReadFixField(reader, users.FieldByName("Balance"));
    EXPECT_DOUBLE_EQ(users.FieldByName("Balance").AsFloat(), 0.0);
}

TEST_F(CriticalFixTest, ReadersKeepWritersOut)
{
    FixRecordFile reader(CriticalFixPath, FixRecordFile::Mode::Read);
    ASSERT_TRUE(reader.IsOpen());
    FixRecordFile second(CriticalFixPath, FixRecordFile::Mode::Read);
    EXPECT_TRUE(second.IsOpen());
    FixRecordFile writer(CriticalFixPath, FixRecordFile::Mode::Write);
    EXPECT_FALSE(writer.IsOpen());
    reader.Close();
    second.Close();
    EXPECT_TRUE(writer.Open(CriticalFixPath, FixRecordFile::Mode::Write));
}

}  // namespace
}  // namespace parlino
