// What "Start Server" takes from its settings file, checked before the server changes
// anything: a charge that is no finite amount of at least 0 would make or lose money at
// every minute or day, and a port outside 0..65535 names no port.
#pragma once

#include <string>

namespace parlino {

struct ServerSettings {
    int tcpPort = 1101;         // "TCP port"
    double netPayPerMin = 0.0;  // "Net pay per min"
    double payPerDay = 0.0;     // "Pay per day"
};

// Reads section "Server" of the file; a missing file, key or value gives the default. A
// value that cannot be used throws, naming the key, the value and the file.
ServerSettings ReadServerSettings(const std::string& iniPath);

}  // namespace parlino
