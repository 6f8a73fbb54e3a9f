#pragma once
// Names of settings backups: the UTC time of the backup, sortable as text
// ("2026-12-09T08-15-02Z.settings"), with "_2", "_3", ... for further backups of one second.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace operations {

std::string backupStamp(std::chrono::system_clock::time_point time);
// The name of file `n` (from 1) of the second `stamp`, without its extension: the stamp, then
// "_2", "_3", ...
std::string numberedStamp(const std::string& stamp, int n);
// Backup `n` (from 1) of the second `stamp`; kept applications end in ".image".
std::string backupFileName(const std::string& stamp, int n,
                           const std::string& extension = ".settings");
// The newest of `names` that are backup names (others are ignored); nothing when none is.
std::optional<std::string> newestBackupName(const std::vector<std::string>& names,
                                            const std::string& extension = ".settings");

}  // namespace operations
