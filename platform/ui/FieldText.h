// How a field value reads in a grid cell and how typed text becomes a value again.
//
// Table texts are single-byte (Latin-1); dates count days since 30 December 1899.
#pragma once

#include "platform/dataset/Field.h"

#include <QDateTime>
#include <QString>

namespace parlino::ui {

// The cell text of a value of this field (empty for null; "(DATASET)" for a nested table).
QString FieldDisplayText(const dataset::FieldDef& def, const dataset::Value& value);

// The value typed into a cell of this field. An empty text gives null. Throws
// dataset::DatasetError when the text does not read as the field's type.
dataset::Value ParseFieldText(const dataset::FieldDef& def, const QString& text);

// Date-time doubles (days since 30 December 1899, fraction = time of day) and Qt's types.
QDateTime DateTimeFromDays(double days);
double DaysFromDateTime(const QDateTime& when);

}  // namespace parlino::ui
