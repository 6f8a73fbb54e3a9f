#pragma once
// The alias tokens that stand for installed folders: "Prod:", "Machine:" and "SLib:", in any
// letter case, followed by `\` or `/` (or ending the path).
#include <optional>
#include <string>

namespace kvxglib {

class MachineConfig;

enum class Alias { Prod, Machine, SLib };

struct AliasedPath {
    Alias alias;
    std::string rest;  // after the token and its separator
    bool trailingSeparator = false;
};

std::optional<AliasedPath> splitAlias(const std::string& path);

class PathAliases {
  public:
    explicit PathAliases(MachineConfig& config) : config_(config) {}

    // The full path: a leading alias replaced by its folder and the rest written with `/`;
    // a path without alias comes back unchanged.
    std::string resolve(const std::string& path);
    // The path to hand the file system: resolved, then each name found case-insensitively.
    std::string native(const std::string& path);

  private:
    MachineConfig& config_;
};

}  // namespace kvxglib
