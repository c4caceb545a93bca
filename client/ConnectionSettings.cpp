#include "client/ConnectionSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace parlino {

namespace {

const std::string Section = "Server";

void save(const IniFile& ini)
{
    if (!ini.save())
        throw std::runtime_error("Cannot create file \"" + ini.path() + "\"");
}

}  // namespace

ConnectionSettings ConnectionSettings::read(IniFile& ini)
{
    const ConnectionSettings defaults;
    if (!ini.sectionExists(Section))
        defaults.write(ini);
    ConnectionSettings settings;
    // The file holds single-byte text.
    settings.ipAddress = QString::fromLatin1(
        ini.readString(Section, "IP address", defaults.ipAddress.toLatin1().toStdString()));
    settings.hostName = QString::fromLatin1(
        ini.readString(Section, "Host name", defaults.hostName.toLatin1().toStdString()));
    settings.selectedIndex = ini.readInteger(Section, "Selected index", defaults.selectedIndex);
    // A number that is no port reads as the default, as bad text does.
    const int port = ini.readInteger(Section, "TCP port", defaults.tcpPort);
    settings.tcpPort = port >= 1 && port <= 65535 ? port : defaults.tcpPort;
    return settings;
}

void ConnectionSettings::write(IniFile& ini) const
{
    ini.writeString(Section, "IP address", ipAddress.toLatin1().toStdString());
    ini.writeString(Section, "Host name", hostName.toLatin1().toStdString());
    ini.writeInteger(Section, "Selected index", selectedIndex);
    ini.writeInteger(Section, "TCP port", tcpPort);
    save(ini);
}

QString programIniPath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    QString name = program.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return program.dir().filePath(name + QStringLiteral(".ini"));
}

}  // namespace parlino
