#include "settingstool/SettingsJob.h"

#include <cerrno>
#include <cstring>

#include "app/Program.h"
#include "catalogue/Paths.h"
#include "catalogue/ResolveSelectedRevision.h"
#include "link/ByName.h"
#include "link/Errors.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "link/VarName.h"
#include "platform/kvxglib/AtomicFile.h"
#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
#include "platform/text/Text.h"
#include "settingstool/SettingsFile.h"

namespace settingstool {
namespace {

// A settings file is plain text on disk: a password must never land in one or come from one.
std::string firstPassword(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const sysvars::Variable* variable = sysvars::findByName(name);
        if (variable != nullptr && sysvars::isSecret(*variable)) return name;
    }
    return {};
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text.empty() ? "none" : text;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string PackageFile(app::Program& program, const std::string& dpac) {
    return catalogue::ResolvePath(program.platform.glib,
                                  "Prod:\\Program\\Packages\\" + dpac + ".Dpac");
}

SettingsJob::SettingsJob(app::Program& program, ToolArguments arguments)
    : program_(program), arguments_(std::move(arguments)) {}

bool SettingsJob::prepare(std::string& why) {
    catalogue::Catalogue& cat = program_.catalogue;
    cat.SelectedProjectFolder = arguments_.path;
    cat.SelectedModuleDirectory =
        catalogue::JoinPath(program_.platform.glib, arguments_.path, arguments_.cname);
    if (!catalogue::RegisterProject(program_.platform, cat, arguments_.path)) {
        why = "the naming library does not accept the project " + arguments_.path;
        return false;
    }
    program_.platform.nam.SelectModule(cat.ProjectNameHandle, cat.SelectedModuleDirectory, 0);
    return true;
}

std::optional<std::vector<std::string>> SettingsJob::packageNames(std::string& why) {
    const std::string path = PackageFile(program_, arguments_.dpac);
    os::FileFailure failure;
    const std::optional<std::string> text =
        program_.platform.files.readFile(os::toNativePath(path), failure);
    if (!text) {
        why = "the settings package \"" + arguments_.dpac + "\" cannot be read (" + path + ": " +
              failure.reason + ")";
        return std::nullopt;
    }
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text->size()) {
        size_t end = text->find('\n', start);
        if (end == std::string::npos) end = text->size();
        const std::string line = trimmed(text->substr(start, end - start));
        if (!line.empty() && line[0] != ';') names.push_back(line);
        start = end + 1;
    }
    if (names.empty()) {
        why = "the settings package " + path + " names no variables";
        return std::nullopt;
    }
    if (const std::string secret = firstPassword(names); !secret.empty()) {
        why = "the settings package \"" + arguments_.dpac + "\" names the password " + secret +
              "; passwords are never saved to or loaded from a settings file";
        return std::nullopt;
    }
    return names;
}

std::string SettingsJob::unknownNames(const std::vector<std::string>& names) {
    std::vector<std::string> unknown;
    for (const std::string& name : names) {
        clink::ResolvedVar var;
        if (!clink::ResolveVarName(program_, name, var)) unknown.push_back(name);
    }
    return unknown.empty() ? "" : joined(unknown);
}

bool SettingsJob::read(const std::string& name, clink::VarValue& value) {
    const clink::Connection& c = program_.connection;
    int32_t status = 0;
    clink::ResolvedVar var;
    // Reads by name cover no texts at a segment address; a settings file needs them too.
    if (clink::ResolveVarName(program_, name, var) && var.type == 5 &&
        (var.kind == 1 || var.kind == 2)) {
        std::u16string text;
        if (!clink::ReadText(program_.platform.glib, c.CurrentLink, c.CurrentPLA, c.CurrentELA,
                             var.file, 0, var.index, text, clink::flags::Normal, status,
                             text::toWide(name))) {
            return false;
        }
        value = text::fromWide(text);
        return true;
    }
    return clink::ReadVar(program_, c.CurrentPLA, c.CurrentELA, name, value, clink::flags::Normal,
                          status);
}

bool SettingsJob::save(const std::string& file, const Progress& progress, std::string& why) {
    const std::optional<std::vector<std::string>> names = packageNames(why);
    if (!names) return false;
    if (const std::string unknown = unknownNames(*names); !unknown.empty()) {
        why = "module " + arguments_.cname + " has no variables " + unknown +
              " of the settings package \"" + arguments_.dpac + "\"; nothing was saved";
        return false;
    }
    SettingsData data{arguments_.dpac, arguments_.cname, {}};
    const clink::Connection& c = program_.connection;
    for (size_t i = 0; i < names->size(); ++i) {
        const std::string& name = (*names)[i];
        if (progress) progress(i + 1, names->size(), name);
        clink::VarValue value;
        if (!read(name, value)) {
            why = "the controller " + std::to_string(c.CurrentPLA) + ":" +
                  std::to_string(c.CurrentELA) + " did not answer the read of " + name +
                  "; nothing was saved";
            return false;
        }
        data.values.emplace_back(name, value);
    }
    errno = 0;
    if (!kvxglib::writeFileAtomically(file, formatSettings(data))) {
        const int error = errno;
        why = "the settings file " + file + " cannot be written" +
              (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
        return false;
    }
    return true;
}

bool SettingsJob::load(const std::string& file, const Progress& progress, std::string& why) {
    os::FileFailure failure;
    const std::optional<std::string> text = program_.platform.files.readFile(file, failure);
    if (!text) {
        why = "the settings file " + file + " cannot be read: " + failure.reason;
        return false;
    }
    std::string damage;
    const std::optional<SettingsData> data = parseSettings(*text, damage);
    if (!data) {
        why = "the settings file " + file + " is not loaded: " + damage;
        return false;
    }
    if (data->module != arguments_.cname) {
        why = "the settings file " + file + " holds the settings of module " + data->module +
              ", not of " + arguments_.cname + "; nothing was loaded";
        return false;
    }
    std::vector<std::string> names;
    for (const auto& entry : data->values) names.push_back(entry.first);
    if (const std::string secret = firstPassword(names); !secret.empty()) {
        why = "the settings file " + file + " holds the password " + secret +
              "; passwords are never loaded from a settings file; nothing was loaded";
        return false;
    }
    if (const std::string unknown = unknownNames(names); !unknown.empty()) {
        why =
            "module " + arguments_.cname + " has no variables " + unknown + "; nothing was loaded";
        return false;
    }
    const clink::Connection& c = program_.connection;
    std::vector<std::string> written;
    for (size_t i = 0; i < data->values.size(); ++i) {
        const auto& [name, value] = data->values[i];
        if (progress) progress(i + 1, data->values.size(), name);
        int32_t status = 0;
        std::string failed;
        try {
            if (!clink::WriteVar(program_, c.CurrentPLA, c.CurrentELA, name, value,
                                 clink::flags::Normal, status)) {
                failed = "the controller " + std::to_string(c.CurrentPLA) + ":" +
                         std::to_string(c.CurrentELA) + " did not take " + name;
            }
        } catch (const clink::ConversionError& error) {
            failed = "the value of " + name + " does not suit the variable (" + error.what() + ")";
        }
        if (!failed.empty()) {
            const std::vector<std::string> rest(names.begin() + static_cast<long>(i), names.end());
            why = failed + ". Written: " + joined(written) + ". Not written: " + joined(rest) + ".";
            return false;
        }
        written.push_back(name);
    }
    return true;
}

}  // namespace settingstool
