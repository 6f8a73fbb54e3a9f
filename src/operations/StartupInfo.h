#pragma once
// A new user's first question when the catalogue comes out empty: which folder did it look
// in? One "info:" line names the first of machine folder, Kvxmatic.Ini and product folder
// that does not exist.
#include <optional>
#include <string>

namespace kvxglib {
class MachineConfig;
}

namespace operations {

std::optional<std::string> missingFolderInfo(kvxglib::MachineConfig& config);

}  // namespace operations
