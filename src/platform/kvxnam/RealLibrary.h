#pragma once
// The naming library on this system: projects opened on module folders, and names of the
// system variables resolved for the modules a project lists.
#include <map>
#include <optional>
#include <string>

#include "platform/kvxnam/Library.h"
#include "platform/kvxnam/ModulesDir.h"

namespace kvxnam {

class RealLibrary final : public Library {
  public:
    int32_t OpenProject(const std::u16string& folder, int32_t& handle, int32_t zero1, int32_t& out1,
                        int32_t zero2, int32_t zero3, int32_t& out2,
                        const std::u16string& empty) override;
    int32_t CloseProject(int32_t& handle) override;
    int32_t SelectModule(int32_t handle, const std::string& moduleFolder, int32_t zero) override;
    int32_t LookupName(int32_t handle, const std::u16string& name, int32_t& ignored1,
                       int32_t& ignored2, int16_t& file, int32_t& index, int32_t& type,
                       int32_t& kind, int32_t zero, int32_t& extra) override;

    // The native folder of an open project, nothing for an unknown handle.
    std::optional<std::string> projectFolder(int32_t handle) const;
    // The module folder last selected in an open project ("" when none).
    std::optional<std::string> selectedModule(int32_t handle) const;
    size_t openCount() const { return projects_.size(); }

  private:
    struct Project {
        std::string folder;
        std::string module;
        ModulesDir modules;
    };
    std::map<int32_t, Project> projects_;
};

}  // namespace kvxnam
