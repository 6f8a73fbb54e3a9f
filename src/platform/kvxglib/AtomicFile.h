#pragma once
// Replacing a file so that a crash leaves either the old or the new file, never a mixture:
// a temporary file in the same folder, flushed to disk, then renamed over the old one.
#include <string>
#include <vector>

namespace kvxglib {

// False (and the old file untouched, no temporary left) when any step fails. A new file
// takes the old one's permission bits, or 0644 when there was none.
bool writeFileAtomically(const std::string& nativePath, const std::string& content);

struct FileText {
    std::string nativePath;
    std::string content;
};

// Files that belong together, each through its own temporary: all are written and flushed
// before the first is renamed into place, so that a full disk or a write error changes none
// of them. False (errno set, no temporary left) when any cannot be written.
bool writeFilesAtomically(const std::vector<FileText>& files);

// The same through a temporary file of a given name in the same folder, which a writer holds
// locked from creation to rename so that two writers never mix their texts. False with `why`
// when another writer holds it or it cannot be made (a folder in its place, say); the old
// file is untouched then.
bool writeFileAtomicallyVia(const std::string& nativePath, const std::string& temporary,
                            const std::string& content, std::string& why);

}  // namespace kvxglib
