#pragma once
// Replacing a file so that a crash leaves either the old or the new file, never a mixture:
// a temporary file in the same folder, flushed to disk, then renamed over the old one.
#include <string>

namespace kvxglib {

// False (and the old file untouched, no temporary left) when any step fails. A new file
// takes the old one's permission bits, or 0644 when there was none.
bool writeFileAtomically(const std::string& nativePath, const std::string& content);

}  // namespace kvxglib
