#pragma once
// Replacing a file so that a crash leaves either the old or the new file, never a mixture:
// a temporary file in the same folder, flushed to disk, then renamed over the old one.
#include <string>

namespace kvxglib {

// False (and the old file untouched, no temporary left) when any step fails. A new file
// takes the old one's permission bits, or 0644 when there was none.
bool writeFileAtomically(const std::string& nativePath, const std::string& content);

// The same through a temporary file of a given name in the same folder, which a writer holds
// locked from creation to rename so that two writers never mix their texts. False with `why`
// when another writer holds it or it cannot be made (a folder in its place, say); the old
// file is untouched then.
bool writeFileAtomicallyVia(const std::string& nativePath, const std::string& temporary,
                            const std::string& content, std::string& why);

}  // namespace kvxglib
