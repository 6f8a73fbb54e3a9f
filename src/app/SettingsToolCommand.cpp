#include "app/SettingsToolCommand.h"

#include <array>
#include <utility>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ProgramStart.h"
#include "catalogue/ResolveSelectedRevision.h"
#include "link/ConnectionChecks.h"

namespace app {
namespace {
constexpr int16_t kSerial = 1;
}  // namespace

std::optional<std::string> SettingsToolCommandLine(const SettingsToolArguments& a,
                                                   std::string& why) {
    const std::array<std::pair<const char*, std::string>, 6> named{{
        {"PORT", std::to_string(a.port)},
        {"PLA", std::to_string(a.pla)},
        {"ELA", std::to_string(a.ela)},
        {"PATH", a.path},
        {"CNAME", a.cname},
        {"DPAC", a.dpac},
    }};
    std::string line;
    for (const auto& [name, value] : named) {
        if (value.find('"') != std::string::npos) {
            why = std::string("the value of ") + name + " holds a double quote: " + value;
            return std::nullopt;
        }
        if (!line.empty()) line += ' ';
        line += std::string(name) + "=\"" + value + "\"";
    }
    return line;
}

bool SelectedSettingsTarget(program::Program& program, SettingsToolArguments& arguments,
                            std::string& why) {
    kvxglib::Library& glib = program.platform.glib;
    catalogue::Catalogue& cat = program.catalogue;
    // The menu entry is also enabled by the reset of the window state, before any program
    // row has been clicked.
    if (cat.SelectedProgramIndex < 1 ||
        static_cast<size_t>(cat.SelectedProgramIndex) > cat.ProgramList.size()) {
        why = "Select a program first: the settings tool works on the module of the selected "
              "program.";
        return false;
    }
    const catalogue::CProgram& selected =
        cat.ProgramList[static_cast<size_t>(cat.SelectedProgramIndex) - 1];
    arguments.path = catalogue::ParentFolder(glib, selected.Directory);
    arguments.cname = catalogue::LastPathName(glib, selected.Directory);
    bool eMail = false;
    bool webSite = false;
    const std::string revision = selected.Revision;
    catalogue::ResolveSelectedRevision(program.platform, cat, revision, eMail, webSite,
                                       arguments.dpac);
    return true;
}

void RunSettingsTool(program::Program& program, const std::string& toolFolder) {
    kvxglib::Library& glib = program.platform.glib;
    SettingsToolArguments arguments;
    if (std::string why; !SelectedSettingsTarget(program, arguments, why)) {
        catalogue::ShowErrorMessage(glib, why);
        return;
    }
    clink::Connection& connection = program.connection;
    // Nothing on the serial link keeps the current address up to date (it may still be the
    // last TCP/IP controller's): the tool gets the address the connected controller answers.
    if (connection.CommKind == kSerial &&
        !clink::ReadControllerAddress(program, connection.CurrentPLA, connection.CurrentELA)) {
        catalogue::ShowErrorMessage(glib, "No controller answers on the serial link, so the "
                                          "settings tool was not started.");
        return;
    }
    arguments.port = connection.CurrentLink;
    arguments.pla = connection.CurrentPLA;
    arguments.ela = connection.CurrentELA;

    const std::string tool =
        catalogue::JoinPath(glib, toolFolder, "SettingsTool");
    if (!catalogue::FileExists(glib, tool)) {
        catalogue::ShowErrorMessage(glib, "The settings tool is not installed: " + tool);
        return;
    }
    std::string why;
    const std::optional<std::string> line = SettingsToolCommandLine(arguments, why);
    if (!line) {
        catalogue::ShowErrorMessage(glib, "The settings tool cannot be started: " + why +
                                              " (its command line cannot carry one).");
        return;
    }
    catalogue::RunProgram(program.platform, tool, *line);
}

}  // namespace app
