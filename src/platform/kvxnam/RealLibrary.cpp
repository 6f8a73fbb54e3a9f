#include "platform/kvxnam/RealLibrary.h"

#include <filesystem>
#include <system_error>

#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
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
    projects_[next] = Project{native, "", ModulesDir(native)};
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

int32_t RealLibrary::LookupName(int32_t handle, const std::u16string& name, int32_t& ignored1,
                                int32_t& ignored2, int16_t& file, int32_t& index, int32_t& type,
                                int32_t& kind, int32_t, int32_t& extra) {
    const auto it = projects_.find(handle);
    if (it == projects_.end()) return 0;
    // <module>.<file>.<variable>: a module folder's name may hold dots, the variable part not.
    const auto variableDot = name.rfind(u'.');
    if (variableDot == std::u16string::npos || variableDot == 0) return 0;
    const auto fileDot = name.rfind(u'.', variableDot - 1);
    if (fileDot == std::u16string::npos || fileDot == 0) return 0;
    const auto module = it->second.modules.find(std::u16string_view(name).substr(0, fileDot));
    if (!module) return 0;
    const sysvars::Variable* v = sysvars::findByName(text::fromWide(name.substr(fileDot + 1)));
    if (v == nullptr) return 0;
    // The two outputs the program ignores carry the module's address from Modules.Dir, the
    // last one a text's longest length.
    ignored1 = module->pla;
    ignored2 = module->ela;
    file = static_cast<int16_t>(v->file);
    index = v->index;
    type = static_cast<int32_t>(v->type);
    kind = v->kind;
    extra = v->maxLength;
    return -1;
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
