#include "StartupTestFixture.h"

#include <algorithm>
#include <map>

namespace parlino::test {
namespace {

using ui::DialogAnswer;

class ServerDayTest : public StartupTest {
protected:
    std::vector<int> Days(const std::vector<LogRow>& rows)
    {
        std::vector<int> days;
        for (const LogRow& row : rows)
            days.push_back(row.serverDay);
        return days;
    }
    std::vector<LogRow> NestedRows(std::int32_t id, dataset::Dataset& log)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        std::vector<LogRow> rows;
        for (log.First(); !log.Eof(); log.Next())
            rows.push_back({log.FieldByName("ServerDay").AsInteger(), log.FieldByName("CallType").AsText(),
                            log.FieldByName("Client_ID").AsInteger(), log.FieldByName("Duration").AsInteger()});
        return rows;
    }
    int IntField(std::int32_t id, const char* name)
    {
        EXPECT_TRUE(store->GotoClient(UsersKeyed, id));
        return Users().FieldByName(name).AsInteger();
    }
};

TEST_F(ServerDayTest, TheLogsMoveOneDayOnAndTheCurrentDayStartsEmpty)
{
    WriteLog(Prev7LogFile(101), LogKind::FilePrev7,
             {{1, ">", 102, 5}, {3, ">", 103, 3}, {7, "<", 102, 4}});
    WriteLog(CurDayLogFile(101), LogKind::FileCurDay, {{8, ">", 103, 2, 44999.0, 0.25}, {8, "<", 105, 6, 44999.0, 0.75}});
    WriteLog(Prev7LogFile(102), LogKind::FilePrev7, {{2, "<", 101, 9}, {5, "<", 103, 1}});
    WriteIniWithFreePort();
    ASSERT_TRUE(AutoStart().empty());
    ASSERT_EQ(IntField(101, "Prev7ServDaysDur"), 8);
    ASSERT_EQ(IntField(101, "CurServDayDur"), 2);

    ASSERT_EQ(ClickStart(DialogAnswer::Yes).size(), 1u);
    const std::vector<LogRow> saved = ReadLog(Prev7LogFile(101), LogKind::FilePrev7);
    EXPECT_EQ(Days(saved), (std::vector<int>{2, 6, 7, 7}));
    ASSERT_EQ(saved.size(), 4u);
    // The former current day keeps its order as the newest previous day.
    EXPECT_EQ(saved[2].otherParty, 103);
    EXPECT_EQ(saved[2].time, 0.25);
    EXPECT_EQ(saved[3].otherParty, 105);
    EXPECT_TRUE(ReadLog(CurDayLogFile(101), LogKind::FileCurDay).empty());
    EXPECT_TRUE(NestedRows(101, store->CurServDay).empty());
    store->Prev7ServDays.SetIndexName("P7SDHistoryIndex");
    EXPECT_EQ(Days(NestedRows(101, store->Prev7ServDays)), (std::vector<int>{2, 6, 7, 7}));
    // Outgoing minutes of the seven days: the 3 of the old day 3 and the 2 of today.
    EXPECT_EQ(IntField(101, "Prev7ServDaysDur"), 5);
    EXPECT_EQ(IntField(101, "CurServDayDur"), 0);
    // Only incoming calls: no outgoing minutes.
    EXPECT_EQ(Days(ReadLog(Prev7LogFile(102), LogKind::FilePrev7)), (std::vector<int>{1, 4}));
    EXPECT_EQ(IntField(102, "Prev7ServDaysDur"), 0);
    // No calls at all: both files still written, empty.
    EXPECT_TRUE(ReadLog(Prev7LogFile(103), LogKind::FilePrev7).empty());
    EXPECT_TRUE(ReadLog(CurDayLogFile(103), LogKind::FileCurDay).empty());

    // What was saved reads back as what the window shows.
    ASSERT_TRUE(Reload().empty());
    EXPECT_EQ(IntField(101, "Prev7ServDaysDur"), 5);
}

TEST_F(ServerDayTest, TheDailyFeeIsChargedToEveryAccountButTheOutsideLines)
{
    WriteIniWithFreePort({}, "0.5");
    ASSERT_TRUE(AutoStart().empty());
    // Sorted by balance, so charging moves rows while the accounts are gone through.
    Users().SetIndexName("BalanceDscIndex");

    ASSERT_EQ(ClickStart(DialogAnswer::Yes).size(), 1u);
    for (const std::int32_t id : {101, 102, 103, 104}) {
        EXPECT_EQ(BalanceOf(id), 19.5) << id;
        EXPECT_EQ(FixBalance(id), 19.5) << id;
    }
    EXPECT_EQ(BalanceOf(105), -0.5);
    EXPECT_EQ(FixBalance(105), -0.5);
    EXPECT_EQ(BalanceOf(801), 20.0);
    EXPECT_EQ(FixBalance(801), 20.0);

    // Answering No is no new day: nothing charged, no log touched.
    WriteLog(CurDayLogFile(101), LogKind::FileCurDay, {{8, ">", 102, 1}});
    ASSERT_TRUE(Reload().empty());
    ASSERT_EQ(ClickStart(DialogAnswer::No).size(), 1u);
    EXPECT_EQ(BalanceOf(101), 19.5);
    EXPECT_EQ(FixBalance(101), 19.5);
    EXPECT_EQ(ReadLog(CurDayLogFile(101), LogKind::FileCurDay).size(), 1u);
    EXPECT_EQ(IntField(101, "CurServDayDur"), 1);
}

TEST_F(ServerDayTest, ALogThatCannotBeSavedStopsTheStartBeforeTheStatusesAndTheSocket)
{
    WriteLog(CurDayLogFile(101), LogKind::FileCurDay, {{8, ">", 102, 2}});
    WriteLog(CurDayLogFile(103), LogKind::FileCurDay, {{8, ">", 102, 3}});
    WriteIniWithFreePort({}, "1");
    // The days each log must hold after exactly one new day: day 1 gone, the others one older,
    // the current day's rows as day 7.
    std::map<std::int32_t, std::vector<int>> rolledOnce;
    for (const std::int32_t id : {101, 102, 103}) {
        for (const LogRow& row : ReadLog(Prev7LogFile(id), LogKind::FilePrev7))
            if (row.serverDay > 1)
                rolledOnce[id].push_back(row.serverDay - 1);
        std::sort(rolledOnce[id].begin(), rolledOnce[id].end());
        rolledOnce[id].resize(
            rolledOnce[id].size() + ReadLog(CurDayLogFile(id), LogKind::FileCurDay).size(), 7);
    }
    ASSERT_TRUE(AutoStart().empty());
    SetStatus(105, "ONLINE");
    // A directory where account 102's file must go: the rename over it fails.
    const QString held = QString::fromStdString(Prev7LogFile(102) + ".held");
    ASSERT_TRUE(QFile::rename(QString::fromStdString(Prev7LogFile(102)), held));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(Prev7LogFile(102))));

    const std::vector<ui::DialogRequest> shown = ClickStart(DialogAnswer::Yes);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].icon, ui::DialogIcon::Error);
    EXPECT_FALSE(window->ServerSocket1->Active());
    EXPECT_EQ(Field(105, "Status"), "ONLINE");
    // 101 was rolled before the failure, 103 was not reached; no fee was charged.
    EXPECT_EQ(ReadLog(Prev7LogFile(101), LogKind::FilePrev7).size(), 1u);
    EXPECT_TRUE(ReadLog(CurDayLogFile(101), LogKind::FileCurDay).empty());
    EXPECT_EQ(ReadLog(CurDayLogFile(103), LogKind::FileCurDay).size(), 1u);
    EXPECT_EQ(FixBalance(101), 20.0);
    // The carriers are left empty and closed.
    EXPECT_FALSE(store->Prev7Carrier.Active());
    EXPECT_FALSE(store->CurDayCarrier.Active());
    EXPECT_TRUE(ReadLog(Prev7CarrierFile, LogKind::FilePrev7).empty());

    // The program ends here and starts again once the file can be written: the start-up's
    // Reload All finishes the day, every account rolled over and charged exactly once.
    ASSERT_TRUE(QDir().rmdir(QString::fromStdString(Prev7LogFile(102))));
    ASSERT_TRUE(QFile::rename(held, QString::fromStdString(Prev7LogFile(102))));
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start == 0 ? "the restart that finishes the day" : "a further restart");
        MakeWindow();
        PrepareWindow();
        const std::vector<ui::DialogRequest> told = AutoStart();
        ASSERT_EQ(told.size(), start == 0 ? 1u : 0u);
        if (start == 0) {
            EXPECT_EQ(told[0].icon, ui::DialogIcon::Information);
        }
        EXPECT_TRUE(window->ServerSocket1->Active());
        for (const std::int32_t id : {101, 102, 103, 104}) {
            EXPECT_EQ(BalanceOf(id), 19.0) << id;
            EXPECT_EQ(FixBalance(id), 19.0) << id;
        }
        EXPECT_EQ(FixBalance(105), -1.0);
        EXPECT_EQ(FixBalance(801), 20.0);
        for (const std::int32_t id : {101, 102, 103}) {
            std::vector<int> days = Days(ReadLog(Prev7LogFile(id), LogKind::FilePrev7));
            std::sort(days.begin(), days.end());
            EXPECT_EQ(days, rolledOnce[id]) << id;
            EXPECT_TRUE(ReadLog(CurDayLogFile(id), LogKind::FileCurDay).empty()) << id;
        }
    }
}

}  // namespace
}  // namespace parlino::test
