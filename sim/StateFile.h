#pragma once
// The state folder: one file per controller, replaced whole after every change (temporary
// file, fsync, rename, fsync of the folder), so a crash leaves the old or the new file. The
// files hold password verifiers: they are the owner's alone (0600, in a 0700 folder).
#include <optional>
#include <string>

#include "sim/ControllerState.h"

namespace sim {

class StateFolder {
  public:
    explicit StateFolder(std::string folder) : folder_(std::move(folder)) {}

    std::string pathOf(const std::string& controllerId) const;
    // False with `error` when the file cannot be written; the old file then stays.
    bool save(const std::string& controllerId, const ControllerState& state,
              std::string& error) const;
    // Nothing when there is no file yet; false with `error` for a file that cannot be read
    // or is damaged.
    bool load(const std::string& controllerId, std::optional<ControllerState>& state,
              std::string& error) const;

  private:
    std::string folder_;
};

bool writeFileAtomically(const std::string& path, const std::string& content, std::string& error);

}  // namespace sim
