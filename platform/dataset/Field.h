// A field of an open table: its definition and the value it has in the current row.
#pragma once

#include "platform/dataset/FieldDef.h"

#include <functional>
#include <memory>
#include <string>

namespace parlino::dataset {

class Dataset;

class Field {
public:
    Field(Dataset& owner, int index, FieldDef def);
    ~Field();
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    const FieldDef& Def() const { return def_; }           // the whole definition
    const std::string& Name() const { return def_.name; }  // field name
    FieldType Type() const { return def_.type; }           // value type
    int Size() const { return def_.size; }                 // text width (0 for other types)
    int Index() const { return index_; }                   // position in the layout
    bool Required() const { return def_.required; }        // must not be null at post
    bool ReadOnly() const { return def_.readOnly; }        // not editable in grids
    std::string DisplayTitle() const;                      // grid column title
    int DisplayWidth() const;                              // grid column width in characters
    Dataset& Owner() const { return owner_; }              // the table it belongs to

    // Value in the current row (the edit buffer while editing or inserting); null when the
    // table has no current row.
    Value GetValue() const;
    bool IsNull() const { return GetValue().IsNull(); }
    // Assigns a value to the current row, which must be in edit or insert state. Checks
    // the integer range, then calls OnValidate, then stores (texts cut to the width, an
    // empty text as null, dates and times reduced to their part). Throws DatasetError or
    // whatever OnValidate throws; the field keeps its old value then.
    void SetValue(const Value& value);
    void Clear() { SetValue(Value()); }  // sets null

    // Typed access; reads of null give 0 / 0.0 / "".
    std::int32_t AsInteger() const { return GetValue().ToInteger(); }
    double AsFloat() const { return GetValue().ToFloat(); }
    double AsDateTime() const { return GetValue().ToFloat(); }
    std::string AsText() const { return GetValue().ToText(); }
    void SetAsInteger(std::int32_t v);
    void SetAsFloat(double v);
    void SetAsDateTime(double v) { SetAsFloat(v); }
    void SetAsText(const std::string& v);

    // The nested table of a Nested field (it follows the owner's current row); else nullptr.
    Dataset* Nested() const { return nested_.get(); }

    // Called with the new value before it is stored; throwing (SilentAbort to refuse without
    // a message) keeps the old value.
    std::function<void(Field&, const Value&)> OnValidate;

private:
    friend class Dataset;
    // The value as it would be stored in this field (type conversion, cut, range check).
    Value Coerce(const Value& value) const;

    Dataset& owner_;
    int index_;
    FieldDef def_;
    std::unique_ptr<Dataset> nested_;
};

}  // namespace parlino::dataset
