#include "platform/dataset/Value.h"

#include "platform/dataset/DatasetErrors.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace parlino::dataset {

namespace {
std::int32_t RoundToInt32(double number)
{
    if (!std::isfinite(number) || number >= 2147483647.5 || number < -2147483648.5)
        throw DatasetError("Value out of the integer range");
    return static_cast<std::int32_t>(std::llround(number));
}

double ParseNumber(const std::string& text)
{
    if (text.empty())
        return 0;
    char* end = nullptr;
    errno = 0;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE)
        throw DatasetError("'" + text + "' is not a valid number");
    return number;
}
}  // namespace

std::int32_t Value::ToInteger() const
{
    if (const auto* integer = std::get_if<std::int32_t>(&data_))
        return *integer;
    if (const auto* number = std::get_if<double>(&data_))
        return RoundToInt32(*number);
    if (const auto* text = std::get_if<std::string>(&data_))
        return RoundToInt32(ParseNumber(*text));
    return 0;
}

double Value::ToFloat() const
{
    if (const auto* integer = std::get_if<std::int32_t>(&data_))
        return *integer;
    if (const auto* number = std::get_if<double>(&data_))
        return *number;
    if (const auto* text = std::get_if<std::string>(&data_))
        return ParseNumber(*text);
    return 0;
}

std::string Value::ToText() const
{
    if (const auto* integer = std::get_if<std::int32_t>(&data_))
        return std::to_string(*integer);
    if (const auto* number = std::get_if<double>(&data_)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *number);
        return buffer;
    }
    if (const auto* text = std::get_if<std::string>(&data_))
        return *text;
    return {};
}

}  // namespace parlino::dataset
