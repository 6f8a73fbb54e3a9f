#include "platform/kvxglib/MachineConfig.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/os/NativePath.h"

namespace fs = std::filesystem;

namespace kvxglib {

std::string machineDirFromEnvironment() {
    const char* dir = std::getenv("KRELVAN_MACHINE_DIR");
    if (dir != nullptr && *dir != '\0') return dir;
    std::string home;
    if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    return home + "/.config/krelvan";
}

MachineConfig::MachineConfig(std::string machineDir)
    : machineDir_(std::move(machineDir)), files_(&SectionedFile::load) {
    while (machineDir_.size() > 1 && (machineDir_.back() == '/' || machineDir_.back() == '\\')) {
        machineDir_.pop_back();
    }
    // The program changes its current folder when it selects a module; a relative machine
    // folder would then point elsewhere.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(os::normaliseSeparators(machineDir_), ec);
    if (!ec && !machineDir_.empty()) machineDir_ = absolute.lexically_normal().string();
    while (machineDir_.size() > 1 && machineDir_.back() == '/') machineDir_.pop_back();
}

std::string MachineConfig::settingsFile() const {
    return os::toNativePath(machineDir_ + "/Kvxmatic.Ini");
}

std::string MachineConfig::setting(const std::string& key) {
    const auto file = files_.get(settingsFile());
    if (!file) return "";
    const std::string* value = file->find("Kvxmatic", key);
    return value != nullptr ? *value : "";
}

std::string MachineConfig::folderFromValue(const std::string& value) const {
    std::string normal = os::normaliseSeparators(value);
    fs::path path(normal);
    if (!path.is_absolute()) path = fs::path(machineDir_) / path;
    std::string out = path.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::string MachineConfig::productDir() {
    const std::string value = setting("ProductDir");
    return folderFromValue(value.empty() ? "\\kvx" : value);
}

std::string MachineConfig::slibDir() {
    const std::string value = setting("SLibDir");
    if (!value.empty()) return folderFromValue(value);
    return productDir() + "/SLib";
}

std::string MachineConfig::imageKeyFile() {
    return os::toNativePath(productDir() + "/System/ImageKey.pub");
}

}  // namespace kvxglib
