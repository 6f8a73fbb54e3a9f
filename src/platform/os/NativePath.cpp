#include "platform/os/NativePath.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace os {

std::string normaliseSeparators(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    return out;
}

std::string foldCase(const std::string& text) {
    std::string out = text;
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && foldCase(a) == foldCase(b);
}

bool lessIgnoreCase(const std::string& a, const std::string& b) {
    const std::string fa = foldCase(a);
    const std::string fb = foldCase(b);
    return fa != fb ? fa < fb : a < b;
}

std::string toNativePath(const std::string& path) {
    const std::string normal = normaliseSeparators(path);
    // A path that exists as written needs no search: one look-up instead of two per name, and
    // a bare stat, without taking the path apart into a path object first.
    struct stat st {};
    if (!normal.empty() && ::stat(normal.c_str(), &st) == 0) return normal;
    std::string resolved;
    size_t pos = 0;
    if (!normal.empty() && normal[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    bool folderExists = true;
    while (pos <= normal.size()) {
        size_t end = normal.find('/', pos);
        if (end == std::string::npos) end = normal.size();
        std::string name = normal.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty()) continue;
        const std::string folder = resolved.empty() ? "." : resolved;
        std::string chosen = name;
        std::error_code ec;
        if (folderExists && name != "." && name != ".." && !fs::exists(fs::path(folder) / name, ec)) {
            for (fs::directory_iterator it(folder, ec), endIt; !ec && it != endIt; it.increment(ec)) {
                const std::string entry = it->path().filename().string();
                if (equalsIgnoreCase(entry, name)) {
                    chosen = entry;
                    break;
                }
            }
        }
        if (!resolved.empty() && resolved.back() != '/') resolved += '/';
        resolved += chosen;
        folderExists = fs::is_directory(resolved, ec);
    }
    if (normal.size() > 1 && normal.back() == '/' && resolved.back() != '/') resolved += '/';
    return resolved;
}

}  // namespace os
