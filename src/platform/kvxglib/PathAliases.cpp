#include "platform/kvxglib/PathAliases.h"

#include <algorithm>
#include <array>
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
    for (const auto& [token, alias] : tokens) {
        const std::string t = token;
        if (path.size() < t.size() || os::foldCase(path.substr(0, t.size())) != t) continue;
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
