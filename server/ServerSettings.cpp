#include "server/ServerSettings.h"

#include "platform/core/IniFile.h"
#include "server/Money.h"

#include <limits>
#include <stdexcept>

namespace parlino {

namespace {

constexpr const char* Section = "Server";

double ReadCharge(const IniFile& ini, const char* key)
{
    const std::string text = ini.readString(Section, key, {});
    if (text.empty())
        return 0.0;
    // Text that is no number, and a number too large for a double, read as NaN here.
    const double value = ini.readFloat(Section, key, std::numeric_limits<double>::quiet_NaN());
    if (!isAcceptablePrice(value))
        throw std::runtime_error(
            "\"" + std::string(key) + "\" is \"" + text + "\" in " + ini.path() +
            ": it must be a finite number of at least 0. Correct it, then click "
            "Start Server.");
    return value;
}

}  // namespace

ServerSettings ReadServerSettings(const std::string& iniPath)
{
    const IniFile ini(iniPath);
    ServerSettings settings;
    settings.tcpPort = ini.readInteger(Section, "TCP port", settings.tcpPort);
    if (settings.tcpPort < 0 || settings.tcpPort > 0xFFFF)
        throw std::runtime_error("TCP port " + std::to_string(settings.tcpPort) +
                                 " is not a port number");
    settings.netPayPerMin = ReadCharge(ini, "Net pay per min");
    settings.payPerDay = ReadCharge(ini, "Pay per day");
    return settings;
}

}  // namespace parlino
