#include "platform/ui/FieldText.h"

#include "platform/dataset/DatasetErrors.h"

#include <cmath>

namespace parlino::ui {

namespace {
constexpr qint64 MsecsPerDay = 24LL * 60 * 60 * 1000;
const QDate DayZero(1899, 12, 30);
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString TimeFormat = QStringLiteral("HH:mm:ss");
const QString DateTimeFormat = DateFormat + QLatin1Char(' ') + TimeFormat;

QTime TimeFromFraction(double days)
{
    const double fraction = std::fabs(days - std::floor(days));
    qint64 msecs = std::llround(fraction * MsecsPerDay);
    if (msecs >= MsecsPerDay)
        msecs = MsecsPerDay - 1;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
}

[[noreturn]] void RefuseText(const dataset::FieldDef& def, const QString& text)
{
    throw dataset::DatasetError("'" + text.toStdString() + "' is not a valid value for field '" +
                                def.name + "'");
}
}  // namespace

QDateTime DateTimeFromDays(double days)
{
    const double whole = std::floor(days);
    return QDateTime(DayZero.addDays(static_cast<qint64>(whole)), TimeFromFraction(days));
}

double DaysFromDateTime(const QDateTime& when)
{
    return static_cast<double>(DayZero.daysTo(when.date())) +
           static_cast<double>(when.time().msecsSinceStartOfDay()) / MsecsPerDay;
}

QString FieldDisplayText(const dataset::FieldDef& def, const dataset::Value& value)
{
    using dataset::FieldType;
    if (def.type == FieldType::Nested)
        return QStringLiteral("(DATASET)");
    if (value.IsNull())
        return {};
    switch (def.type) {
    case FieldType::Integer: return QString::number(value.ToInteger());
    case FieldType::Float:
        return def.currency ? QString::number(value.ToFloat(), 'f', 2)
                            : QString::number(value.ToFloat(), 'g', 15);
    case FieldType::Text: return QString::fromLatin1(value.ToText());
    case FieldType::Date: return DateTimeFromDays(value.ToFloat()).date().toString(DateFormat);
    case FieldType::Time: return TimeFromFraction(value.ToFloat()).toString(TimeFormat);
    case FieldType::DateTime: return DateTimeFromDays(value.ToFloat()).toString(DateTimeFormat);
    case FieldType::Nested: break;
    }
    return {};
}

dataset::Value ParseFieldText(const dataset::FieldDef& def, const QString& typed)
{
    using dataset::FieldType;
    const QString text = def.type == FieldType::Text ? typed : typed.trimmed();
    if (text.isEmpty())
        return {};
    bool ok = false;
    switch (def.type) {
    case FieldType::Integer: {
        const int integer = text.toInt(&ok);
        if (!ok)
            RefuseText(def, text);
        return static_cast<std::int32_t>(integer);
    }
    case FieldType::Float: {
        const double number = text.toDouble(&ok);
        if (!ok || !std::isfinite(number))
            RefuseText(def, text);
        return number;
    }
    case FieldType::Text: return text.toLatin1().toStdString();
    case FieldType::Date: {
        const QDate date = QDate::fromString(text, DateFormat);
        if (!date.isValid())
            RefuseText(def, text);
        return static_cast<double>(DayZero.daysTo(date));
    }
    case FieldType::Time: {
        QTime time = QTime::fromString(text, TimeFormat);
        if (!time.isValid())
            time = QTime::fromString(text, QStringLiteral("HH:mm"));
        if (!time.isValid())
            RefuseText(def, text);
        return static_cast<double>(time.msecsSinceStartOfDay()) / MsecsPerDay;
    }
    case FieldType::DateTime: {
        QDateTime when = QDateTime::fromString(text, DateTimeFormat);
        if (!when.isValid()) {
            const QDate date = QDate::fromString(text, DateFormat);
            if (date.isValid())
                when = QDateTime(date, QTime(0, 0));
        }
        if (!when.isValid())
            RefuseText(def, text);
        return DaysFromDateTime(when);
    }
    case FieldType::Nested: break;
    }
    RefuseText(def, text);
}

}  // namespace parlino::ui
