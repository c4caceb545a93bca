// One field value of a table row: null, a 32-bit integer, a float or a single-byte text.
//
// Date, time and date-time fields hold floats counting days since 30 December 1899, the
// fraction being the time of day.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace parlino::dataset {

class Value {
public:
    Value() = default;                                    // null
    Value(std::int32_t integer) : data_(integer) {}       // NOLINT: implicit on purpose
    Value(double number) : data_(number) {}               // NOLINT
    Value(std::string text) : data_(std::move(text)) {}   // NOLINT
    Value(const char* text) : data_(std::string(text)) {} // NOLINT

    bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }
    bool IsInteger() const { return std::holds_alternative<std::int32_t>(data_); }
    bool IsFloat() const { return std::holds_alternative<double>(data_); }
    bool IsText() const { return std::holds_alternative<std::string>(data_); }

    // The value converted: integers and floats into each other (floats rounded), texts parsed
    // and numbers printed; null gives 0 or "". A text that is no number throws DatasetError.
    std::int32_t ToInteger() const;
    double ToFloat() const;
    std::string ToText() const;
    // The text itself, without a copy; empty for a value that is not a text.
    std::string_view TextView() const
    {
        const std::string* text = std::get_if<std::string>(&data_);
        return text ? std::string_view(*text) : std::string_view();
    }

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, std::int32_t, double, std::string> data_;
};

}  // namespace parlino::dataset
