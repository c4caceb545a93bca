// How accounts are numbered and what status an account can have, the same in both programs.
//
// A subscriber is his Client_ID. The server's tables hold 101 to 1000; arrays kept per
// Client_ID have a slot for every number from 1 to 1001. Numbers 801 to 899 are outside lines
// (line n is 800 + n): accounts of the gateway to the telephone network, which set their own
// price per minute. A subscriber dials 1 to 800.
#pragma once

#include <cstddef>
#include <cstdint>

namespace parlino {

inline constexpr std::int32_t FirstClientID = 101;
inline constexpr std::int32_t LastClientID = 1000;

// Per-Client_ID arrays: slot Client_ID - 1 for every Client_ID from 1 to ClientIDSlotCount.
inline constexpr int ClientIDSlotCount = 1001;

inline constexpr std::int32_t FirstOutsideLine = 801;
inline constexpr std::int32_t LastOutsideLine = 899;
inline constexpr int OutsideLineCount = LastOutsideLine - FirstOutsideLine + 1;

// The highest number a subscriber can dial; outside lines are beyond it.
inline constexpr std::int32_t LastDialableClientID = 800;

inline constexpr bool isOutsideLine(std::int32_t clientId)
{
    return clientId >= FirstOutsideLine && clientId <= LastOutsideLine;
}

// The line number of an account (5 for 805), in 64 bits: the account may come from a peer
// and be any int32.
inline constexpr std::int64_t outsideLineNumber(std::int32_t account)
{
    return std::int64_t{account} - (FirstOutsideLine - 1);
}

// The slot of an outside line in arrays kept per line (0 for 801).
inline constexpr std::size_t outsideLineSlot(std::int32_t clientId)
{
    return static_cast<std::size_t>(clientId - FirstOutsideLine);
}

// An account's status, as the users table stores it (at most 8 characters).
inline constexpr const char* StatusOnline = "ONLINE";
inline constexpr const char* StatusOffline = "OFFLINE";
inline constexpr const char* StatusBanned = "BANNED";

}  // namespace parlino
