#pragma once
// The modules a project lists in its Modules.Dir, read tolerantly: a short, missing or
// malformed file lists no modules (or those before the damage), never more.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvxnam {

struct ListedModule {
    std::u16string name;  // as listed, trailing spaces removed
    uint8_t pla = 0;
    uint8_t ela = 0;
};

// The modules of a Modules.Dir image.
std::vector<ListedModule> parseModulesDir(std::string_view bytes);

// Letter case folded for ASCII and the Latin-1 letters (all that code page 850 can name).
std::u16string foldModuleName(std::u16string_view name);

// The module list of one project folder, read again only when the file's size or time changed.
class ModulesDir {
  public:
    ModulesDir() = default;
    explicit ModulesDir(std::string projectFolder) : folder_(std::move(projectFolder)) {}

    // The listed module of that name (letter case ignored), nothing when it is not listed.
    std::optional<ListedModule> find(std::u16string_view moduleName);

  private:
    struct Stamp {
        bool present = false;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time{};
        bool operator==(const Stamp&) const = default;
    };
    void refresh();

    std::string folder_;
    std::optional<Stamp> stamp_;
    std::vector<ListedModule> modules_;
};

}  // namespace kvxnam
