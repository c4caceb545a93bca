// The softphone's start-up: reading its own number and contacts and loading its sounds
// into the shared objects.
//
// Every step runs whatever an earlier one gave, so the program stays usable after a failed
// step: a missing or bad own number leaves it 0 (the subscriber types it in the Connection
// dialog), missing contacts leave the list empty, and a missing sound stays silent.
#pragma once

#include "client/ClientShared.h"

#include <QString>
#include <QStringList>

namespace parlino {

// Where start-up finds its files and sounds; tests point these elsewhere.
struct ClientStartupFiles {
    QString clientIdFile = QStringLiteral("ClientID.txt");
    QString contactsFile = QStringLiteral("contacts.txt");
    QString silenceFile = QStringLiteral("silence.wav");
    QString soundFolder = QStringLiteral(":/sounds/");  // holds "Answer", "Busy" and "RingIn"
};

// Fills `shared`; returns the messages of the steps that failed, in order.
QStringList StartUpClient(ClientShared& shared, const ClientStartupFiles& files);

// The first line of the file as a decimal integer. Throws std::runtime_error when the file
// cannot be read or the line is no decimal integer in range.
std::int32_t ReadOwnClientID(const QString& path);

// The lines of a single-byte text file; a missing file gives none. Throws
// std::runtime_error when the file exists but cannot be read.
QStringList ReadContacts(const QString& path);

}  // namespace parlino
