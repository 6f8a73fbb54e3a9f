#pragma once
// What tells a changed file from an unchanged one without reading it: identity, size and
// modification time. A file replaced by rename gets a new identity even within one tick.
#include <cstdint>
#include <optional>
#include <string>

namespace kvxglib {

struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// Nothing when the file does not exist or cannot be examined.
std::optional<FileStamp> stampOf(const std::string& nativePath);

}  // namespace kvxglib
