// Makes the data folder the server opens: every table file of the exact layouts, a
// critical.fix of 1000 zero-filled records and, on request, the demo accounts and cards.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace parlino::tools {

// Refused because files are in the way; the message lists them. Nothing was written.
class InstallRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class InstallContent { Empty, Demo };

// Every file the installation writes below root, relative to it.
std::vector<std::filesystem::path> InstalledFiles(InstallContent content);

// Writes the files below root (folders made as needed). Throws InstallRefused when any of
// them exists already, and DatasetError or std::runtime_error when writing fails.
// now (days since 30 Dec 1899) stamps the demo accounts' cards and activation times.
void InstallTables(const std::filesystem::path& root, InstallContent content, double now);

}  // namespace parlino::tools
