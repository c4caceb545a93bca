#include "client/ConnectionSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace parlino {

namespace {

const std::string Section = "Server";

void Save(const IniFile& ini)
{
    if (!ini.save())
        throw std::runtime_error("Cannot create file \"" + ini.path() + "\"");
}

}  // namespace

ConnectionSettings ConnectionSettings::Read(IniFile& ini)
{
    const ConnectionSettings defaults;
    if (!ini.sectionExists(Section))
        defaults.Write(ini);
    ConnectionSettings settings;
    settings.IpAddress = QString::fromStdString(
        ini.readString(Section, "IP address", defaults.IpAddress.toStdString()));
    settings.HostName = QString::fromStdString(
        ini.readString(Section, "Host name", defaults.HostName.toStdString()));
    settings.SelectedIndex = ini.readInteger(Section, "Selected index", defaults.SelectedIndex);
    settings.TcpPort = ini.readInteger(Section, "TCP port", defaults.TcpPort);
    return settings;
}

void ConnectionSettings::Write(IniFile& ini) const
{
    ini.writeString(Section, "IP address", IpAddress.toStdString());
    ini.writeString(Section, "Host name", HostName.toStdString());
    ini.writeInteger(Section, "Selected index", SelectedIndex);
    ini.writeInteger(Section, "TCP port", TcpPort);
    Save(ini);
}

QString ProgramIniPath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    QString name = program.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return program.dir().filePath(name + QStringLiteral(".ini"));
}

}  // namespace parlino
