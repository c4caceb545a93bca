// Where the softphone connects: section "Server" of its settings file.
#pragma once

#include "platform/core/IniFile.h"

#include <QString>

namespace parlino {

struct ConnectionSettings {
    QString ipAddress = QStringLiteral("127.0.0.1");
    QString hostName = QStringLiteral("localhost");
    // 0: connect by IP address; any other value: by host name.
    int selectedIndex = 0;
    int tcpPort = 1101;

    // Reads the section; a file without it first gets the four keys with their defaults
    // and is saved. Throws std::runtime_error when that save fails.
    static ConnectionSettings read(IniFile& ini);
    // Writes all four keys and saves the file. Throws std::runtime_error when it cannot.
    void write(IniFile& ini) const;
};

// The settings file of the running program: beside it, named after it with ".ini".
QString programIniPath();

}  // namespace parlino
