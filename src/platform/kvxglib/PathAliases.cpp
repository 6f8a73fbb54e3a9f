#include "platform/kvxglib/PathAliases.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "platform/kvxglib/MachineConfig.h"
#include "platform/kvxglib/PathText.h"
#include "platform/os/NativePath.h"

namespace kvxglib {

std::optional<AliasedPath> splitAlias(const std::string& path) {
    static constexpr std::array<std::pair<const char*, Alias>, 3> tokens{{
        {"prod:", Alias::Prod},
        {"machine:", Alias::Machine},
        {"slib:", Alias::SLib},
    }};
    // Asked for every file the program opens: compared in place, nothing allocated.
    const auto startsWith = [&path](std::string_view token) {
        if (path.size() < token.size()) return false;
        for (size_t i = 0; i < token.size(); ++i) {
            const auto c = static_cast<unsigned char>(path[i]);
            if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != static_cast<unsigned char>(token[i]))
                return false;
        }
        return true;
    };
    for (const auto& [token, alias] : tokens) {
        const std::string_view t = token;
        if (!startsWith(t)) continue;
        if (path.size() == t.size()) return AliasedPath{alias, "", false};
        if (!isSeparator(path[t.size()])) continue;
        size_t start = t.size();
        while (start < path.size() && isSeparator(path[start])) ++start;
        std::string rest = path.substr(start);
        return AliasedPath{alias, rest, isSeparator(path.back())};
    }
    return std::nullopt;
}

std::string PathAliases::resolve(const std::string& path) {
    const auto aliased = splitAlias(path);
    if (!aliased) return path;
    std::string folder;
    switch (aliased->alias) {
        case Alias::Prod:
            folder = config_.productDir();
            break;
        case Alias::Machine:
            folder = config_.machineDir();
            break;
        case Alias::SLib:
            folder = config_.slibDir();
            break;
    }
    std::string rest = aliased->rest;
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (rest.empty() && !aliased->trailingSeparator && folder.size() > 1) folder.pop_back();
    return folder + rest;
}

std::string PathAliases::native(const std::string& path) { return os::toNativePath(resolve(path)); }

}  // namespace kvxglib
