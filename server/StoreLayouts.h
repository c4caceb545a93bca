// The layouts and file names of the server's tables.
#pragma once

#include "common/AccountNumbers.h"
#include "platform/dataset/FieldDef.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace parlino {

// Files, relative to the server's working directory, all in these folders.
inline constexpr std::array<const char*, 3> DataFolders = {"USERINFO", "USERLOGS", "USERPINS"};
inline constexpr const char* UsersFile = "USERINFO/summary.cds";
inline constexpr const char* NoncritFile = "USERINFO/noncrit.cds";
inline constexpr const char* CriticalFixPath = "USERINFO/critical.fix";
inline constexpr const char* Prev7CarrierFile = "USERLOGS/000_p7sd.cds";
inline constexpr const char* CurDayCarrierFile = "USERLOGS/000cursd.cds";
inline constexpr const char* TalksFile = "USERLOGS/000__tlk.cds";
inline constexpr const char* TempTalksFile = "USERLOGS/000__tmp.cds";
inline constexpr std::array<const char*, 3> PinPrefixes = {"080", "250", "500"};

std::string Prev7LogFile(std::int32_t clientId);   // "USERLOGS/<id>_p7sd.cds"
std::string CurDayLogFile(std::int32_t clientId);  // "USERLOGS/<id>cursd.cds"
std::string ActivatedPinFile(const std::string& prefix);  // "USERPINS/<p>__act.cds"
std::string ReleasedPinFile(const std::string& prefix);   // "USERPINS/<p>_rel.cds"
std::string GeneratedPinFile(const std::string& prefix);  // "USERPINS/<p>gen.cds"

// Which call log a log layout is for; the ServerDay limits differ.
enum class LogKind {
    NestedPrev7,   // users' Prev7ServDays: 1 to 8 (8 only during the day rollover)
    NestedCurDay,  // users' CurServDay: exactly 8, default 8
    FilePrev7,     // previous-days carrier and "_p7sd.cds" files: 1 to 7
    FileCurDay,    // current-day carrier and "cursd.cds" files: exactly 8, default 8
};

std::vector<dataset::FieldDef> LogLayout(LogKind kind);
std::vector<dataset::FieldDef> UsersLayout();
std::vector<dataset::FieldDef> NoncritLayout();
std::vector<dataset::FieldDef> TalksLayout();
std::vector<dataset::FieldDef> ActivatedPinLayout();
std::vector<dataset::FieldDef> ReleasedPinLayout();
std::vector<dataset::FieldDef> GeneratedPinLayout();

}  // namespace parlino
