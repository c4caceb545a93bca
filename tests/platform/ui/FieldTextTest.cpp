#include "platform/ui/FieldText.h"

#include "platform/dataset/DatasetErrors.h"

#include <gtest/gtest.h>

namespace parlino::ui {
namespace {

using dataset::FieldDef;
using dataset::Value;

TEST(FieldTextTest, DatesCountDaysFromTheEndOf1899)
{
    EXPECT_EQ(DateTimeFromDays(0.0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(DateTimeFromDays(45000.75), QDateTime(QDate(2023, 3, 15), QTime(18, 0)));
    EXPECT_DOUBLE_EQ(DaysFromDateTime(QDateTime(QDate(2023, 3, 15), QTime(18, 0))), 45000.75);
    // A time a hair before midnight must not roll into the next day's text.
    EXPECT_EQ(DateTimeFromDays(45000.9999999999).date(), QDate(2023, 3, 15));
}

TEST(FieldTextTest, EachTypeReadsBackWhatItShows)
{
    const FieldDef fields[] = {dataset::IntegerField("i"), dataset::FloatField("f"),
                               dataset::TextField("t", 5), dataset::DateField("d"),
                               dataset::TimeField("h"), dataset::DateTimeField("dt")};
    const Value values[] = {Value(-42), Value(3.25), Value("ab c"), Value(45000.0),
                            Value(0.5), Value(45000.25)};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const QString text = FieldDisplayText(fields[i], values[i]);
        EXPECT_EQ(ParseFieldText(fields[i], text), values[i]) << fields[i].name;
    }
    EXPECT_EQ(FieldDisplayText(dataset::DateTimeField("dt"), Value(45000.25)),
              QStringLiteral("2023-03-15 06:00:00"));
}

TEST(FieldTextTest, TextCellsShowAndTakeSingleByteCharacters)
{
    const FieldDef password = dataset::TextField("Password", 20);
    EXPECT_EQ(FieldDisplayText(password, Value("caf\xE9")), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(ParseFieldText(password, QStringLiteral("caf\u00E9")), Value("caf\xE9"));
    // A character the single-byte set lacks cannot be stored; it is typed as '?'.
    EXPECT_EQ(ParseFieldText(password, QStringLiteral("5\u20AC")), Value("5?"));
}

TEST(FieldTextTest, TextThatIsNoValueIsRefused)
{
    EXPECT_THROW(ParseFieldText(dataset::IntegerField("i"), QStringLiteral("12a")),
                 dataset::DatasetError);
    EXPECT_THROW(ParseFieldText(dataset::FloatField("f"), QStringLiteral("x")), dataset::DatasetError);
    EXPECT_THROW(ParseFieldText(dataset::DateField("d"), QStringLiteral("2023-13-01")),
                 dataset::DatasetError);
    EXPECT_THROW(ParseFieldText(dataset::FloatField("f"), QStringLiteral("inf")), dataset::DatasetError);
}

}  // namespace
}  // namespace parlino::ui
