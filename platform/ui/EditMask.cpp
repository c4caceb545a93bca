#include "platform/ui/EditMask.h"

#include <QStringList>

namespace parlino::ui {

EditMask::EditMask(const QString& mask)
{
    const QStringList sections = mask.split(QLatin1Char(';'));
    const QString& positions = sections.value(0);
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const QChar c = positions.at(i);
        if (c == QLatin1Char('!')) {
            rightAligned_ = true;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('9')) {
            digits_.push_back(c == QLatin1Char('0'));
        } else if (c == QLatin1Char('\\') && i + 1 < positions.size()) {
            literals_.append(positions.at(++i));
        } else {
            literals_.append(c);
        }
    }
    if (sections.size() > 1)
        keepLiterals_ = sections.at(1) != QLatin1String("0");
    if (sections.size() > 2 && !sections.at(2).isEmpty())
        blank_ = sections.at(2).at(0);
}

bool EditMask::canHold(const QString& typed) const
{
    if (typed.size() > digitCount())
        return false;
    for (const QChar c : typed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool EditMask::isComplete(const QString& typed) const
{
    if (!canHold(typed))
        return false;
    // The typed digits fill the first positions, or the last ones when right-aligned; every
    // position left blank must be one that may be.
    const int filled = static_cast<int>(typed.size());
    const int blanks = digitCount() - filled;
    const int firstBlank = rightAligned_ ? 0 : filled;
    for (int i = firstBlank; i < firstBlank + blanks; ++i) {
        if (digits_[static_cast<std::size_t>(i)])
            return false;
    }
    return true;
}

}  // namespace parlino::ui
