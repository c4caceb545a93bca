#include "client/OrderRows.h"
#include "client/OrderChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace parlino {
namespace {

const QString HoursMinutesSeconds = QStringLiteral("hh:mm:ss");

TEST(OrderRowsTest, RowsRunFromTheEarliestSlotToMidnightAndFindTheOwnReservation)
{
    const auto rows = BuildOrderRows("fyb", HoursMinutesSeconds);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->lines,
              QStringList({"23:30:00-23:40:00=Reserved", "23:40:00-23:50:00=Your time",
                           "23:50:00-00:00:00="}));
    EXPECT_EQ(rows->orderOld, 1);
}

TEST(OrderRowsTest, EmptyUnknownAndOverlongLetters)
{
    const auto empty = BuildOrderRows("", HoursMinutesSeconds);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->lines.isEmpty());
    EXPECT_EQ(empty->orderOld, -1);

    // An unknown letter keeps its row, so the reservation after it keeps its index.
    const auto unknown = BuildOrderRows("yXf", HoursMinutesSeconds);
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->lines,
              QStringList({"23:30:00-23:40:00=", "23:40:00-23:50:00=Reserved",
                           "23:50:00-00:00:00=Your time"}));
    EXPECT_EQ(unknown->orderOld, 0);

    // A whole day starts at midnight; one slot more is refused.
    const auto day = BuildOrderRows(std::string(MaxOrderSlots, 'f'), HoursMinutesSeconds);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->lines.size(), 144);
    EXPECT_EQ(day->lines.first(), "00:00:00-00:10:00=");
    EXPECT_FALSE(BuildOrderRows(std::string(MaxOrderSlots + 1, 'f'), HoursMinutesSeconds));
}

TEST(OrderRowsTest, TimeOfDayOfADateTime)
{
    // 12:34:56.789 on 9 December 2026, and the same time before 30 December 1899.
    const double ms = ((12 * 60 + 34) * 60 + 56) * 1000.0 + 789;
    const double fraction = ms / 86400000.0;
    EXPECT_EQ(TimeOfDayFromDays(46365 + fraction), QTime(12, 34, 56, 789));
    EXPECT_EQ(TimeOfDayFromDays(-2 - fraction), QTime(12, 34, 56, 789));
    // A hair before midnight rounds to the next midnight.
    EXPECT_EQ(TimeOfDayFromDays(46365.9999999999), QTime(0, 0));

    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 1e300, -1e300})
        EXPECT_FALSE(TimeOfDayFromDays(bad)) << bad;
}

QString Statuses(const OrderChoice& choice)
{
    QString text;
    for (int row = 0; row < choice.rowCount(); ++row)
        text += choice.status(row).isEmpty() ? QStringLiteral(".") : choice.status(row).left(1);
    return text;
}

// A run of Choose and Clear over the rows of "ffybf" (row 0 is slot 4, the earliest).
TEST(OrderChoiceTest, ChooseAndClearMoveTheOwnMark)
{
    const auto rows = BuildOrderRows("ffybf", HoursMinutesSeconds);
    ASSERT_TRUE(rows);
    struct Step {
        const char* action;
        int row;
        bool taken;
        const char* statuses;
        std::int32_t orderNew;
        const char* newText;
    };
    const Step steps[] = {
        {"start", -1, false, ".RY..", 2, "23:30:00-23:40:00"},
        {"choose", 1, false, ".RY..", 2, "23:30:00-23:40:00"},  // reserved by someone else
        {"choose", 2, false, ".RY..", 2, "23:30:00-23:40:00"},  // already ours
        {"choose", 0, true, "YR...", 4, "23:10:00-23:20:00"},   // the old mark is freed
        {"choose", 4, true, ".R..Y", 0, "23:50:00-00:00:00"},
        {"choose", 7, false, ".R..Y", 0, "23:50:00-00:00:00"},  // no such row
        {"clear", -1, false, ".R...", -1, "No"},
        {"clear", -1, false, ".R...", -1, "No"},
        {"choose", 2, true, ".RY..", 2, "23:30:00-23:40:00"},
    };
    std::int32_t orderNew = 99;
    OrderChoice choice(rows->lines, rows->orderOld, orderNew);
    EXPECT_EQ(choice.oldOrderText(), "23:30:00-23:40:00");
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message()
                     << "step " << index++ << ": " << step.action << " " << step.row);
        if (std::string(step.action) == "choose")
            EXPECT_EQ(choice.choose(step.row), step.taken);
        else if (std::string(step.action) == "clear")
            choice.clear();
        EXPECT_EQ(Statuses(choice), step.statuses);
        EXPECT_EQ(orderNew, step.orderNew);
        EXPECT_EQ(choice.newOrderText(), step.newText);
    }
    EXPECT_EQ(choice.oldOrderText(), "23:30:00-23:40:00");
}

}  // namespace
}  // namespace parlino
