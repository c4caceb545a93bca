#include "platform/dataset/Field.h"

#include "platform/dataset/Dataset.h"

#include <cmath>

namespace parlino::dataset {

Field::Field(Dataset& owner, int index, FieldDef def)
    : owner_(owner), index_(index), def_(std::move(def))
{
    if (def_.type == FieldType::Nested)
        nested_.reset(new Dataset(owner, *this, def_.nestedFields));
}

Field::~Field() = default;

std::string Field::DisplayTitle() const
{
    return def_.displayTitle.empty() ? def_.name : def_.displayTitle;
}

int Field::DisplayWidth() const
{
    if (def_.displayWidth > 0)
        return def_.displayWidth;
    switch (def_.type) {
    case FieldType::Text: return def_.size > 0 ? def_.size : 10;
    case FieldType::Integer: return 10;
    case FieldType::Float: return 12;
    case FieldType::Date: return 10;
    case FieldType::Time: return 8;
    case FieldType::DateTime: return 19;
    case FieldType::Nested: return 10;
    }
    return 10;
}

Value Field::GetValue() const
{
    return owner_.ActiveValue(index_);
}

Value Field::Coerce(const Value& value) const
{
    if (value.IsNull())
        return value;
    switch (def_.type) {
    case FieldType::Integer: {
        const std::int32_t integer = value.ToInteger();
        if ((def_.minValue && integer < *def_.minValue) || (def_.maxValue && integer > *def_.maxValue)) {
            std::string message = std::to_string(integer) + " is not a valid value for field '" +
                                  def_.name + "'.";
            if (def_.minValue && def_.maxValue)
                message += " The allowed range is " + std::to_string(*def_.minValue) + " to " +
                           std::to_string(*def_.maxValue) + ".";
            throw DatasetError(message);
        }
        return integer;
    }
    case FieldType::Float:
    case FieldType::DateTime: return value.ToFloat();
    case FieldType::Date: return std::trunc(value.ToFloat());
    case FieldType::Time: {
        const double number = value.ToFloat();
        return std::fabs(number - std::trunc(number));
    }
    case FieldType::Text: {
        std::string text = value.ToText();
        if (text.empty())  // an empty text is no value, as a cleared grid cell
            return {};
        if (def_.size > 0 && text.size() > static_cast<std::size_t>(def_.size))
            text.resize(static_cast<std::size_t>(def_.size));
        return text;
    }
    case FieldType::Nested: break;
    }
    throw DatasetError("Field '" + def_.name + "' holds a table, not a value");
}

void Field::SetValue(const Value& value)
{
    owner_.CheckEditing();
    Value stored = Coerce(value);
    if (OnValidate)
        OnValidate(*this, stored);
    owner_.CheckEditing();  // a hook may have posted or cancelled the row
    owner_.StoreValue(index_, std::move(stored));
}

void Field::SetAsInteger(std::int32_t v)
{
    SetValue(Value(v));
}

void Field::SetAsFloat(double v)
{
    SetValue(Value(v));
}

void Field::SetAsText(const std::string& v)
{
    if (def_.type == FieldType::Text)
        SetValue(Value(v));
    else
        SetValue(v.empty() ? Value() : Value(Value(v).ToFloat()));
}

}  // namespace parlino::dataset
