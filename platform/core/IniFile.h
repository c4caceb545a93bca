// The programs' settings files: "[Section]" lines followed by "Key=Value" lines.
//
// Sections and keys are matched without regard to ASCII case, values are trimmed. A
// missing or unreadable file reads as empty, so every read gives its default. Lines that
// are not keys (comments, blank lines) are kept when the file is written back.
#pragma once

#include <string>
#include <vector>

namespace parlino {

class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }
    bool sectionExists(const std::string& section) const;

    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A value that is not a whole decimal integer in range ("-12", not "+12", "0x1" or "$1")
    // gives the default.
    int readInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // A value that is not a number gives the default; "," is taken as the decimal point too.
    double readFloat(const std::string& section, const std::string& key, double defaultValue) const;

    // Changes are kept in memory until save().
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, int value);
    // Writes the whole file; false when it cannot be written.
    bool save() const;

private:
    struct Line {
        std::string key;   // empty for a line that is not a key
        std::string text;  // the value of a key, else the line as read
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    const Section* findSection(const std::string& name) const;
    const Line* findKey(const std::string& section, const std::string& key) const;

    std::string path_;
    std::vector<Line> leadingLines_;  // lines before the first section
    std::vector<Section> sections_;
};

}  // namespace parlino
