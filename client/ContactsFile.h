// The contact lines as the softphone keeps them: each a name, "=" and a Client_ID, stored in
// "contacts.txt" as single-byte text with every line ended by CR LF, in the order the
// Contacts dialog shows them. No widgets; the dialog and start-up share these.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace parlino {

// The lines as they are stored: a character outside ISO 8859-1 becomes "?", so the list in
// memory always reads the same as the file.
QStringList storedContacts(const QStringList& lines);

// Replaces the file by `lines`. The old file stays whole until the new one is complete, so
// a failed write loses nothing. Throws std::runtime_error naming the file and the reason.
void writeContactsFile(const QString& path, const QStringList& lines);

// The lines in case-insensitive order of their whole text (name, "=", Client_ID); lines
// that differ only in case keep their order.
QStringList sortedContacts(QStringList lines);

// A decimal integer of 32 bits, blanks around it allowed. Throws std::runtime_error saying
// that the text is no valid integer value.
std::int32_t decimalToInt32(const QString& text);

}  // namespace parlino
