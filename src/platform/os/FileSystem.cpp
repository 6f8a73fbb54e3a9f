#include "platform/os/FileSystem.h"

#include <fcntl.h>
#include <fnmatch.h>

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
    if (mask == "*.*" || mask.empty()) mask = "*";  // "*.*" also matches names without a dot
    const std::string foldedMask = foldCase(mask);

    // Each name with its folded form, folded once: the order is lessIgnoreCase's.
    std::vector<std::pair<std::string, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(toNativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string name = it->path().filename().string();
        std::string folded = foldCase(name);
        if (fnmatch(foldedMask.c_str(), folded.c_str(), FNM_PERIOD) == 0) {
            found.emplace_back(std::move(folded), std::move(name));
        }
    }
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
