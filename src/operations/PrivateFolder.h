#pragma once
// The folders the site keeps its backups and reports in: for this user only, and never a
// link that could lead the files elsewhere.
#include <string>

namespace operations {

// Makes `path` (0700) when missing; an existing one must be a real folder. False with `why`,
// which names the folder as `what` ("the backup folder").
bool makePrivateFolder(const std::string& path, const std::string& what, std::string& why);

}  // namespace operations
