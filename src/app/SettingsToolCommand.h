#pragma once
// "Save/Load settings": the command line of the external settings tool and its start.
#include <optional>
#include <string>

namespace program {
struct Program;
}

namespace app {

struct SettingsToolArguments {
    long port = 0;  // the link handle; 0 for the serial link
    long pla = 0;
    long ela = 0;
    std::string path;   // the folder that holds the module folder
    std::string cname;  // the module folder's name
    std::string dpac;   // the revision's settings package
};

// PORT="…" PLA="…" ELA="…" PATH="…" CNAME="…" DPAC="…", one blank between. The format has no
// escape, so a value holding a double quote would move the argument boundaries: nothing is
// built then and `why` names the argument.
std::optional<std::string> SettingsToolCommandLine(const SettingsToolArguments& arguments,
                                                   std::string& why);

// PATH, CNAME and DPAC of the selected program row (DPAC empty when its revision has no settings
// package); false with `why` when no row is selected.
bool SelectedSettingsTarget(program::Program& program, SettingsToolArguments& arguments,
                            std::string& why);

// Builds the command line for the selected program and the current controller and starts the
// tool without waiting for it. Every refusal is told to the user.
void RunSettingsTool(program::Program& program, const std::string& toolFolder);

}  // namespace app
