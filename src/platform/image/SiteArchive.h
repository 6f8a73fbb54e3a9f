#pragma once
// The payload of a web-site image: a small archive of the site's files, which a controller
// serves by path (docs/image-format.md). Reading refuses anything it could not serve safely:
// paths that climb out of the site, duplicates, truncated or trailing bytes.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

struct SiteFile {
    std::string path;  // relative, '/' between names, e.g. "index.html", "img/logo.png"
    std::vector<uint8_t> content;
    bool operator==(const SiteFile&) const = default;
};

struct SiteReading {
    std::vector<SiteFile> files;
    std::string error;  // why the bytes are no site; empty when they are
};

constexpr std::size_t kMaxSiteFiles = 1024;

SiteReading readSiteArchive(std::span<const uint8_t> payload);
// Empty with `why` when a file cannot be stored (a bad path, too many files).
std::optional<std::vector<uint8_t>> serializeSiteArchive(const std::vector<SiteFile>& files,
                                                         std::string& why);
// Every regular file below `folder`, in path order; empty with `why` when the folder cannot
// be read, holds nothing or holds a symbolic link.
std::optional<std::vector<SiteFile>> siteFilesOf(const std::string& folder, std::string& why);
// Why `path` cannot name a file of a site; empty when it can.
std::string sitePathProblem(const std::string& path);

}  // namespace image
