#include "platform/kvxglib/PathText.h"

#include <algorithm>

#include "platform/kvxglib/PathAliases.h"

namespace kvxglib {
namespace {

std::string withSeparator(std::string text, char separator) {
    std::replace_if(text.begin(), text.end(), isSeparator, separator);
    return text;
}

// Length of `path` without its trailing separators, keeping a lone root separator.
size_t trimmedLength(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && isSeparator(path[end - 1])) --end;
    return end;
}

}  // namespace

std::string joinPath(const std::string& name, const std::string& folder) {
    if (!name.empty() && name[0] == '/') return name;
    if (name.rfind("\\\\", 0) == 0 || splitAlias(name).has_value()) return name;
    std::string relative = name;
    if (!relative.empty() && relative[0] == '\\') relative.erase(0, 1);
    if (folder.empty()) return relative;

    const bool slashStyle =
        folder.find('/') != std::string::npos || folder.find('\\') == std::string::npos;
    const char separator = slashStyle ? '/' : '\\';
    std::string joined = slashStyle ? withSeparator(folder, '/') : folder;
    if (!isSeparator(joined.back())) joined += separator;
    return joined + withSeparator(relative, separator);
}

std::string parentFolder(const std::string& path) {
    const size_t end = trimmedLength(path);
    size_t pos = end;
    while (pos > 0 && !isSeparator(path[pos - 1])) --pos;
    if (pos == 0) return "";
    size_t folderEnd = pos - 1;  // at the separator before the last name
    while (folderEnd > 0 && isSeparator(path[folderEnd - 1])) --folderEnd;
    if (folderEnd == 0) return path.substr(0, 1);                          // the root itself
    if (path[folderEnd - 1] == ':') return path.substr(0, folderEnd + 1);  // "Prod:\"
    return path.substr(0, folderEnd);
}

std::string lastPathName(const std::string& path) {
    const size_t end = trimmedLength(path);
    size_t pos = end;
    while (pos > 0 && !isSeparator(path[pos - 1])) --pos;
    if (pos == end && end == 1) return "";  // a lone root
    return path.substr(pos, end - pos);
}

bool isBareName(const std::string& path) {
    return std::none_of(path.begin(), path.end(), isSeparator);
}

}  // namespace kvxglib
