#include "client/ContactsFile.h"

#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace parlino {

QStringList storedContacts(const QStringList& lines)
{
    QStringList stored;
    stored.reserve(lines.size());
    for (const QString& line : lines)
        stored.append(QString::fromLatin1(line.toLatin1()));
    return stored;
}

void writeContactsFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()).toStdString());
}

QStringList sortedContacts(QStringList lines)
{
    std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return lines;
}

std::int32_t decimalToInt32(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw std::runtime_error(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return static_cast<std::int32_t>(value);
}

}  // namespace parlino
