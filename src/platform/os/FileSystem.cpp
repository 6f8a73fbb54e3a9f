#include "platform/os/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/os/NativePath.h"
#include "platform/os/PosixFile.h"

namespace fs = std::filesystem;

namespace os {

std::vector<std::string> RealFileSystem::listFiles(const std::string& pattern) {
    const std::string normal = normaliseSeparators(pattern);
    const size_t slash = normal.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : normal.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? normal : normal.substr(slash + 1);
    if (mask.empty()) mask = "*";
    const std::string foldedMask = foldCase(mask);
    // A mask ending in ".*" also matches names without an extension ("KVXre*.*" finds
    // "KVXrealC"), as the catalogue's masks expect.
    const bool anyExtension = foldedMask.size() >= 2 && foldedMask.ends_with(".*");
    const std::string withoutExtension =
        anyExtension ? foldedMask.substr(0, foldedMask.size() - 2) : std::string();

    // Each name with its folded form, folded once: the order is lessIgnoreCase's. The folder
    // is read with readdir, whose entry type spares a stat (and a path object) per file.
    std::vector<std::pair<std::string, std::string>> found;
    const std::string native = toNativePath(folder);
    DIR* dir = ::opendir(native.c_str());
    if (dir == nullptr) return {};
    while (const dirent* entry = ::readdir(dir)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // The file system does not say, or a link: what it points to counts.
            struct stat st {};
            const std::string path = native + (native.back() == '/' ? "" : "/") + entry->d_name;
            regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (!regular) continue;
        std::string name = entry->d_name;
        std::string folded = foldCase(name);
        const bool matches =
            fnmatch(foldedMask.c_str(), folded.c_str(), FNM_PERIOD) == 0 ||
            (anyExtension && folded.find('.') == std::string::npos &&
             fnmatch(withoutExtension.c_str(), folded.c_str(), FNM_PERIOD) == 0);
        if (matches) {
            found.emplace_back(std::move(folded), std::move(name));
        }
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& entry : found) names.push_back(std::move(entry.second));
    return names;
}

std::string RealFileSystem::currentDirectory() {
    std::error_code ec;
    return fs::current_path(ec).string();
}

bool RealFileSystem::changeDirectory(const std::string& folder) {
    std::error_code ec;
    fs::current_path(toNativePath(folder), ec);
    return !ec;
}

std::optional<std::string> RealFileSystem::readFile(const std::string& path, FileFailure& failure) {
    auto file = openNative(toNativePath(path), O_RDONLY, failure);
    if (!file) return std::nullopt;
    return file->readToEnd(failure);
}

bool RealFileSystem::writeFile(const std::string& path, const std::string& content,
                               FileFailure& failure) {
    auto file = openNative(toNativePath(path), O_WRONLY | O_CREAT | O_TRUNC, failure);
    return file && file->writeAt(0, content, failure) && file->close(failure);
}

std::unique_ptr<RandomAccessFile> RealFileSystem::openReadWrite(const std::string& path,
                                                                FileFailure& failure) {
    return openNative(toNativePath(path), O_RDWR | O_CREAT, failure);
}

}  // namespace os
