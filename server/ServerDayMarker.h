// The record of a new server day in progress, ".\USERINFO\newday.fix": written (and synced)
// before the day changes any log or balance, removed once every account has its day. A
// program that dies in between finds it at the next Reload All and finishes that day, so
// that every account is rolled over and charged the fee exactly once.
//
// Per account it keeps the balance before the day and a hash of its previous-days log file:
// a file that still has that hash was not rolled over yet; a balance is set from the one
// before the day, so charging it again changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace parlino {

inline constexpr const char* ServerDayMarkerPath = "USERINFO/newday.fix";

struct ServerDayMarker {
    struct Account {
        std::int32_t clientId = 0;
        double balanceBefore = 0.0;
        std::uint64_t prev7LogHash = 0;  // of the file's bytes; 0 when it did not exist
    };
    double fee = 0.0;
    std::vector<Account> accounts;
};

// Writes the marker and syncs it and its folder; throws DatasetError when it cannot.
void WriteServerDayMarker(const std::string& path, const ServerDayMarker& marker);
// None when there is no marker; throws DatasetError for one that cannot be read or is damaged.
std::optional<ServerDayMarker> ReadServerDayMarker(const std::string& path);
// Removes the marker for good (its folder synced); throws DatasetError when it cannot.
void RemoveServerDayMarker(const std::string& path);

// A 64-bit hash of a file's bytes (FNV-1a); 0 for a file that cannot be read.
std::uint64_t FileHash(const std::string& path);

}  // namespace parlino
