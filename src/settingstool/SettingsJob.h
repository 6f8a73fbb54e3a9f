#pragma once
// What the settings tool does, on the program's own platform: the package's variable names
// resolved for the module, the controller's values saved to a settings file, or a saved file's
// values written back. Everything is checked before the first value travels: a package
// naming variables the module lacks, or a damaged file, changes nothing.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/VarValue.h"
#include "settingstool/ToolArguments.h"

namespace app {
struct Program;
}

namespace settingstool {

// Called before each variable: its position (1-based), the count and its name.
using Progress = std::function<void(size_t position, size_t count, const std::string& name)>;

// The package file of `dpac`: "Prod:\Program\Packages\<dpac>.Dpac".
std::string PackageFile(app::Program& program, const std::string& dpac);

class SettingsJob {
  public:
    // The program's connection must already name the link and the controller address.
    SettingsJob(app::Program& program, ToolArguments arguments);

    // Opens the naming project on PATH and selects the module CNAME.
    bool prepare(std::string& why);
    // The package's variable names, in order; one per line, blank lines and ";" comments
    // skipped.
    std::optional<std::vector<std::string>> packageNames(std::string& why);

    // Reads every value, then writes the file atomically: a failure leaves the old file.
    bool save(const std::string& file, const Progress& progress, std::string& why);
    // Checks the whole file first; then writes value by value. When the controller stops
    // answering, `why` lists what was written and what was not.
    bool load(const std::string& file, const Progress& progress, std::string& why);

  private:
    // One value by name, texts included.
    bool read(const std::string& name, clink::VarValue& value);
    // The names of `names` the module does not have, joined for a message; empty when none.
    std::string unknownNames(const std::vector<std::string>& names);

    app::Program& program_;
    ToolArguments arguments_;
};

}  // namespace settingstool
