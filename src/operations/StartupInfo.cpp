#include "operations/StartupInfo.h"

#include <filesystem>

#include "platform/kvxglib/MachineConfig.h"

namespace fs = std::filesystem;

namespace operations {

std::optional<std::string> missingFolderInfo(kvxglib::MachineConfig& config) {
    std::error_code ec;
    if (!fs::is_directory(config.machineDir(), ec)) {
        return "info: the machine folder " + config.machineDir() +
               " does not exist (give --machine or set KRELVAN_MACHINE_DIR)";
    }
    if (!fs::is_regular_file(config.settingsFile(), ec)) {
        return "info: " + config.settingsFile() + " does not exist; the product folder is " +
               config.productDir();
    }
    if (!fs::is_directory(config.productDir(), ec)) {
        return "info: the product folder " + config.productDir() + " (ProductDir of " +
               config.settingsFile() + ") does not exist";
    }
    return std::nullopt;
}

}  // namespace operations
