#include "platform/core/IniFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>

namespace parlino {

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

bool ParseWhole(const std::string& text, long long& value, int base)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return ec == std::errc() && ptr == end;
}

bool ParseWhole(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path))
{
    std::ifstream in(path_, std::ios::binary);
    std::string raw;
    while (in && std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::string line = Trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections_.push_back({Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        std::vector<Line>& lines = sections_.empty() ? leadingLines_ : sections_.back().lines;
        const auto equals = line.find('=');
        if (line.empty() || line.front() == ';' || line.front() == '#' || equals == std::string::npos
            || equals == 0) {
            lines.push_back({{}, raw});
            continue;
        }
        lines.push_back({Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))});
    }
}

const IniFile::Section* IniFile::findSection(const std::string& name) const
{
    for (const Section& section : sections_)
        if (SameName(section.name, name))
            return &section;
    return nullptr;
}

const IniFile::Line* IniFile::findKey(const std::string& section, const std::string& key) const
{
    if (const Section* found = findSection(section))
        for (const Line& line : found->lines)
            if (!line.key.empty() && SameName(line.key, key))
                return &line;
    return nullptr;
}

bool IniFile::sectionExists(const std::string& section) const
{
    return findSection(section) != nullptr;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    const Line* line = findKey(section, key);
    return line ? line->text : defaultValue;
}

int IniFile::readInteger(const std::string& section, const std::string& key, int defaultValue) const
{
    // Decimal only: a sign other than a leading "-", or a hexadecimal prefix, is bad text.
    const std::string text = readString(section, key, {});
    const bool negative = !text.empty() && text.front() == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::isdigit(static_cast<unsigned char>(digits.front())))
        return defaultValue;
    long long wide = 0;
    if (!ParseWhole(digits, wide, 10))
        return defaultValue;
    if (negative)
        wide = -wide;
    if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        return defaultValue;
    return static_cast<int>(wide);
}

double IniFile::readFloat(const std::string& section, const std::string& key, double defaultValue) const
{
    std::string text = readString(section, key, {});
    std::replace(text.begin(), text.end(), ',', '.');
    if (!text.empty() && text.front() == '+')
        text.erase(0, 1);
    double value = 0;
    return !text.empty() && ParseWhole(text, value) ? value : defaultValue;
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    auto found = std::find_if(sections_.begin(), sections_.end(),
                              [&](const Section& s) { return SameName(s.name, section); });
    if (found == sections_.end()) {
        sections_.push_back({section, {}});
        found = std::prev(sections_.end());
    }
    for (Line& line : found->lines) {
        if (!line.key.empty() && SameName(line.key, key)) {
            line.text = value;
            return;
        }
    }
    found->lines.push_back({key, value});
}

void IniFile::writeInteger(const std::string& section, const std::string& key, int value)
{
    writeString(section, key, std::to_string(value));
}

bool IniFile::save() const
{
    std::string text;
    const auto append = [&](const std::vector<Line>& lines) {
        for (const Line& line : lines)
            text += (line.key.empty() ? line.text : line.key + "=" + line.text) + "\n";
    };
    append(leadingLines_);
    for (const Section& section : sections_) {
        text += "[" + section.name + "]\n";
        append(section.lines);
    }
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace parlino
