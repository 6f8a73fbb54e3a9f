#include "platform/kvxnam/RealLibrary.h"

#include <filesystem>
#include <system_error>

#include "platform/os/NativePath.h"
#include "platform/text/Text.h"

namespace kvxnam {

int32_t RealLibrary::OpenProject(const std::u16string& folder, int32_t& handle, int32_t,
                                 int32_t& out1, int32_t, int32_t, int32_t& out2,
                                 const std::u16string&) {
    handle = 0;
    out1 = 0;
    out2 = 0;
    const std::string text = text::fromWide(folder);
    if (text.empty()) return 0;
    const std::string native = os::toNativePath(text);
    std::error_code ec;
    if (!std::filesystem::is_directory(native, ec)) return 0;
    int32_t next = 1;
    while (projects_.count(next) != 0) ++next;
    projects_[next] = Project{native, ""};
    handle = next;
    return -1;
}

int32_t RealLibrary::CloseProject(int32_t& handle) {
    const bool known = projects_.erase(handle) != 0;
    handle = 0;
    return known ? -1 : 0;
}

int32_t RealLibrary::SelectModule(int32_t handle, const std::string& moduleFolder, int32_t) {
    const auto it = projects_.find(handle);
    if (it == projects_.end()) return 0;
    it->second.module = moduleFolder;
    return -1;
}

int32_t RealLibrary::LookupName(int32_t, const std::u16string&, int32_t&, int32_t&, int16_t&,
                                int32_t&, int32_t&, int32_t&, int32_t, int32_t&) {
    return 0;
}

std::optional<std::string> RealLibrary::projectFolder(int32_t handle) const {
    const auto it = projects_.find(handle);
    if (it == projects_.end()) return std::nullopt;
    return it->second.folder;
}

std::optional<std::string> RealLibrary::selectedModule(int32_t handle) const {
    const auto it = projects_.find(handle);
    if (it == projects_.end()) return std::nullopt;
    return it->second.module;
}

}  // namespace kvxnam
