// The definition of one field of a table layout.
#pragma once

#include "platform/dataset/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlino::dataset {

enum class FieldType : std::uint8_t {
    Integer = 1,   // 32-bit signed
    Float = 2,     // 64-bit IEEE double
    Text = 3,      // single-byte characters, at most `size` of them
    Date = 4,      // whole days since 30 Dec 1899 (the fraction is dropped when stored)
    Time = 5,      // fraction of a day (the whole days are dropped when stored)
    DateTime = 6,  // days since 30 Dec 1899 with the time of day as fraction
    Nested = 7,    // a table of rows belonging to the row (layout in nestedFields)
};

enum class Alignment : std::uint8_t { Default, Left, Right };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Integer;
    int size = 0;                          // text width in characters; ignored otherwise
    bool required = false;                 // a row cannot be posted with this field null
    Value defaultValue;                    // given to every new row; null for none
    std::optional<std::int32_t> minValue;  // integer fields: smallest value accepted
    std::optional<std::int32_t> maxValue;  // integer fields: largest value accepted
    std::string displayTitle;              // column title in grids; empty means the name
    int displayWidth = 0;                  // column width in characters; 0 derives from type
    bool readOnly = false;                 // grids do not edit it
    bool currency = false;                 // float shown as money
    Alignment alignment = Alignment::Default;
    std::vector<FieldDef> nestedFields;    // layout of a nested table's rows
};

// Shorthands for layouts written in code.
FieldDef IntegerField(std::string name, bool required = false);
FieldDef FloatField(std::string name, bool required = false);
FieldDef TextField(std::string name, int size, bool required = false);
FieldDef DateField(std::string name, bool required = false);
FieldDef TimeField(std::string name, bool required = false);
FieldDef DateTimeField(std::string name, bool required = false);
FieldDef NestedField(std::string name, std::vector<FieldDef> rowLayout);

// True when both layouts have the same field names, types and text widths, nested ones too.
bool SameLayout(const std::vector<FieldDef>& a, const std::vector<FieldDef>& b);

}  // namespace parlino::dataset
