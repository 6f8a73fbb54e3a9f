#include "link/ChangeModuleAddress.h"

#include <cstring>
#include <optional>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/ResolveSelectedRevision.h"
#include "link/FileError.h"
#include "link/ModuleFiles.h"
#include "link/RecordFile.h"
#include "link/VarName.h"

namespace clink {
namespace {

std::string reason(const std::string& text) { return text.empty() ? "unknown error" : text; }

// The message for a failed whole-file read or write, in the program's own words.
std::string describe(const std::string& path, const os::FileFailure& failure) {
    const char* verb = failure.step == os::FileFailure::Step::Open   ? "open"
                       : failure.step == os::FileFailure::Step::Read ? "read"
                                                                     : "write";
    return std::string("Can not ") + verb + " the file " + path + ": " + reason(failure.reason);
}

std::string readTextFile(os::FileSystem& files, const std::string& path) {
    os::FileFailure failure;
    std::optional<std::string> content = files.readFile(path, failure);
    if (!content) throw FileError(describe(path, failure));
    return *std::move(content);
}

void writeTextFile(os::FileSystem& files, const std::string& path, const std::string& content) {
    os::FileFailure failure;
    if (!files.writeFile(path, content, failure)) throw FileError(describe(path, failure));
}

void deleteFile(kvxglib::Library& glib, const std::string& path) {
    int32_t status = 0;
    glib.DeleteFile(path, 0, status, "");
}

// One atomic rename over the old file: at every moment the folder holds the old or the new.
void replaceFile(kvxglib::Library& glib, const std::string& from, const std::string& to) {
    int32_t status = 0;
    if (glib.RenameFile(from, to, 0, status, "") == 0) {
        deleteFile(glib, from);
        throw FileError("Can not replace the file " + to + ": " + std::strerror(status));
    }
}

// The replacements written beside the old files; removed unless committed.
struct Staged {
    kvxglib::Library& glib;
    std::string modulesDir;
    std::string existsMod;
    bool committed = false;
    ~Staged() {
        if (committed) return;
        if (!modulesDir.empty()) deleteFile(glib, modulesDir);
        if (!existsMod.empty()) deleteFile(glib, existsMod);
    }
};

// Writes the three records of Modules.Dir into the staged `path`; false when it cannot be
// opened (the user has been told, under the name of the file they know: `shownPath`).
bool writeModulesDir(program::Program& program, const std::string& path, const std::string& shownPath,
                     int16_t pla, int16_t ela, const std::string& moduleName) {
    deleteFile(program.platform.glib, path);  // a leftover of an interrupted change
    auto file = OpenRecordFile(program.platform, path, kModulesDirRecordLength, shownPath);
    if (!file) return false;
    for (int record = 1; record <= 3; ++record) {
        file->put(record, ModulesDirRecord(record, pla, ela, moduleName));
    }
    if (!file->close()) {
        throw FileError("Can not write the file " + shownPath + ": " + reason(file->failure()));
    }
    return true;
}

}  // namespace

bool ChangeModuleAddress(program::Program& program, int16_t pla, int16_t ela) {
    LinkState& state = program.linkState;
    catalogue::Catalogue& cat = program.catalogue;
    // The files written last belong to one revision; another revision's files still hold
    // whatever address they were given.
    if (pla == state.ModulePLA && ela == state.ModuleELA &&
        cat.SelectedProjectFolder == state.ModuleProject &&
        cat.SelectedModuleDirectory == state.ModuleFolder)
        return true;

    kvxglib::Library& glib = program.platform.glib;
    // Record 2 would cut a longer name, and the cut name would never be found again.
    const std::string moduleName = CurrentModuleName(program);
    if (!ModuleNameFitsModulesDir(moduleName)) {
        catalogue::ShowErrorMessage(
            glib, "The module name " + moduleName + " is longer than the " +
                      std::to_string(kModulesDirNameLength) +
                      " characters Modules.Dir can hold. The module files are left unchanged.");
        return false;
    }
    if (cat.ProjectNameHandle != 0) {
        int32_t handle = cat.ProjectNameHandle;
        program.platform.nam.CloseProject(handle);
        cat.ProjectNameHandle = 0;
    }
    const std::string project = cat.SelectedProjectFolder;
    if (project.empty()) return false;  // no revision selected: no module files to change
    const std::string moduleFolder =
        catalogue::JoinPath(glib, project, cat.SelectedModuleDirectory);

    // Everything is written beside the old files first; they are replaced only when all
    // replacements are complete, so a failure leaves the module describing its old address.
    const std::string modulesDir = catalogue::JoinPath(glib, project, "Modules.Dir");
    Staged staged{glib, catalogue::JoinPath(glib, project, "NewModules.Dir"), "", false};
    if (!writeModulesDir(program, staged.modulesDir, modulesDir, pla, ela, moduleName))
        return false;

    const std::string existsMod = catalogue::JoinPath(glib, moduleFolder, "Exists.Mod");
    const std::string newExistsMod = catalogue::JoinPath(glib, moduleFolder, "NewExists.Mod");
    const std::string lines = readTextFile(program.platform.files, existsMod);
    staged.existsMod = newExistsMod;
    writeTextFile(program.platform.files, newExistsMod, ExistsModWithAddress(lines, pla, ela));

    const std::string kvx = catalogue::JoinPath(glib, project, "Modules.Kvx");
    const int32_t plaWritten = glib.WriteSettingNumber(kvx, "Module", "PLA", pla, 0);
    const int32_t elaWritten = glib.WriteSettingNumber(kvx, "Module", "ELA", ela, 0);
    if ((plaWritten & elaWritten) == 0) return false;

    replaceFile(glib, staged.modulesDir, modulesDir);
    staged.modulesDir.clear();
    replaceFile(glib, newExistsMod, existsMod);
    staged.committed = true;

    if (!catalogue::RegisterProject(program.platform, cat, project)) cat.ProjectNameHandle = 0;
    state.ModulePLA = pla;
    state.ModuleELA = ela;
    state.ModuleProject = project;
    state.ModuleFolder = cat.SelectedModuleDirectory;
    return true;
}

}  // namespace clink
