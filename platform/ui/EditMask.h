// The input masks of the masked edit, in the notation the dialogs are written with:
// "mask;keep literals;blank", for example "!990\.;0;_".
//
// Mask characters understood: '0' a digit that must be there, '9' a digit that may be left
// out, '\' makes the next character a literal, '!' lets the digits typed stand right-aligned
// (the missing optional ones are the leading blanks). Any other character is a literal.
// The second section says whether the text keeps the literals ('1') or not ('0'); the third
// is the character that shows an empty position.
#pragma once

#include <QString>

#include <vector>

namespace parlino::ui {

class EditMask {
public:
    EditMask() = default;
    explicit EditMask(const QString& mask);

    // How many digits the mask holds.
    int digitCount() const { return static_cast<int>(digits_.size()); }
    // The text with its literals, as many characters as the field may hold.
    int maxLength() const { return digitCount() + static_cast<int>(literals_.size()); }
    bool keepsLiterals() const { return keepLiterals_; }
    QChar blank() const { return blank_; }
    bool isEmpty() const { return digits_.empty() && literals_.isEmpty(); }

    // True while `typed` may still grow into an accepted value: digits only, not too many.
    bool canHold(const QString& typed) const;
    // True when `typed` fills every position that must be filled.
    bool isComplete(const QString& typed) const;
    // The mask's literals, in order; shown beside the typed digits.
    const QString& literals() const { return literals_; }

private:
    std::vector<bool> digits_;  // one per digit position: true where the digit is required
    QString literals_;
    bool rightAligned_ = false;
    bool keepLiterals_ = true;
    QChar blank_ = QLatin1Char('_');
};

}  // namespace parlino::ui
