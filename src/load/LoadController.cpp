#include "load/LoadController.h"

#include <utility>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/Texts.h"
#include "catalogue/WaitSeconds.h"
#include "load/CommandLock.h"
#include "load/JobLoad.h"
#include "load/OsUpgrade.h"
#include "load/ProgramPartitionChoice.h"
#include "load/ProgressText.h"

namespace load {
namespace {

constexpr int32_t kNoFileForC = 330;
constexpr int32_t kNoFileForOthers = 331;
constexpr int16_t kSerial = 1;
constexpr int16_t kNameAttribute = 2;

bool isAbsolute(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '\\' || path[0] == '/') return true;
    return path.find(':') != std::string::npos;  // a drive or an alias such as "Prod:"
}

// Before anything changes on the controller. A failed backup stops the load: the user asked for
// one and can clear the box to load without it.
bool BackUpSettingsFirst(program::Program& program) {
    program::MainWindow& window = program.mainWindow;
    if (!window.CheckBackupSettings.value || !program.load.backupSettings) return true;
    window.CtrlStatusLine.caption = "Saving the controller's settings";
    std::string why;
    const std::optional<std::string> file = program.load.backupSettings(why);
    if (!file) {
        catalogue::ShowErrorMessage(
            program.platform.glib,
            "The settings were not backed up, so nothing was loaded: " + why + ". Clear \"" +
                window.CheckBackupSettings.caption + "\" to load without a backup.");
        return false;
    }
    window.CtrlStatusLine.caption =
        file->empty() ? "No settings backup: " + why : "Settings backed up to " + *file;
    return true;
}

// The program change the operating-system question names beside the system's: what the
// target partition holds now, as far as the controller names it, and what goes in.
std::string programChange(program::Program& program, const catalogue::CProgram& selected,
                          uint8_t partition) {
    if (partition == 0) return {};
    const clink::Connection& c = program.connection;
    std::string now;
    if (!ControllerOf(program).partText(c.CurrentPLA, c.CurrentELA, partition, kNameAttribute,
                                        now))
        now.clear();
    if (!now.empty() && now.back() == '\0') now.pop_back();
    const std::string to = "\"" + selected.Name + "\" " + selected.Revision;
    const std::string where = "Program in partition " + std::to_string(partition);
    return now.empty() ? where + ": " + to + "."
                       : where + " from \"" + now + "\" to " + to + ".";
}

}  // namespace

std::string ProgramDirectory(program::Program& program, const std::string& directory) {
    const std::string& revisionFolder = program.catalogue.SelectedProjectFolder;
    if (isAbsolute(directory) || revisionFolder.empty()) return directory;
    return catalogue::JoinPath(program.platform.glib, revisionFolder, directory);
}

LoadOutcome LoadController(program::Program& program) {
    // Good for this load only, whatever becomes of it.
    const bool osChecked = std::exchange(program.load.osChecked, false);
    CommandLock lock(program, Unlock::FromProgramOptions);
    if (!lock.acquired()) return LoadOutcome::NotRun;
    kvxglib::Library& glib = program.platform.glib;
    const catalogue::Catalogue& cat = program.catalogue;
    if (cat.SelectedProgramIndex < 1 ||
        static_cast<size_t>(cat.SelectedProgramIndex) > cat.ProgramList.size()) {
        catalogue::ShowErrorMessage(glib, "Select a program revision first.");
        return LoadOutcome::NotRun;
    }
    const catalogue::CProgram selected =
        cat.ProgramList[static_cast<size_t>(cat.SelectedProgramIndex) - 1];
    clink::Connection& c = program.connection;
    Controller& controller = ControllerOf(program);
    if (!controller.readControllerAddress(c.CurrentPLA, c.CurrentELA)) {
        catalogue::ShowInfoMessage(glib, "No controller connected");
        program.mainWindow.ResetMainWindowState();
        return LoadOutcome::NotRun;
    }
    controller.detectOsKind(c.CurrentPLA, c.CurrentELA);
    const bool kvxrealC = c.ControllerOsKind == "C";
    // What would end the load is found out before anything changes: no backup, clock or
    // operating system is touched for a load that cannot take place.
    const std::string& jobFile = kvxrealC ? selected.FileC : selected.File;
    if (jobFile.empty()) {
        catalogue::ShowErrorMessage(
            glib, catalogue::GetText(glib, kvxrealC ? kNoFileForC : kNoFileForOthers));
        return LoadOutcome::NotRun;
    }
    LoadTarget target;
    if (kvxrealC) {
        target = ChooseLoadTarget(program);
        if (target.partition == 0) {
            catalogue::ShowErrorMessage(glib, target.why);
            return LoadOutcome::NotRun;
        }
        if (!target.note.empty()) program.mainWindow.CtrlStatusLine.caption = target.note;
    }
    if (!BackUpSettingsFirst(program)) return LoadOutcome::NotRun;
    if (!kvxrealC) controller.coolStart(c.CurrentPLA, c.CurrentELA);
    const std::string directory = ProgramDirectory(program, selected.Directory);
    if ((kvxrealC || c.CommKind == kSerial) && !osChecked)
        CheckOsRevision(program, directory, programChange(program, selected, target.partition));
    controller.setClock(c.CurrentPLA, c.CurrentELA);
    program.mainWindow.CtrlStatusLine.caption = "Setting the clock in the controller";
    // Two seconds from the setting, not to a whole second: nothing in the controller keys on
    // whole seconds, and many loads at once would each wait up to a second more.
    catalogue::WaitFromNow(program.platform, 2);
    return LoadProgramFiles(program, directory, jobFile, target);
}

LoadOutcome LoadProgramFiles(program::Program& program, const std::string& directory,
                             const std::string& jobFile, const LoadTarget& target) {
    if (!catalogue::SelectModuleFolder(program.platform, directory, false)) {
        catalogue::ShowErrorMessage(program.platform.glib,
                                    "The module directory '" + directory + "' does not exist.");
        return LoadOutcome::NotRun;
    }
    program.mainWindow.CtrlStatusLine.caption = "Loading the Controller";
    if (program.connection.ControllerOsKind == "C")
        return LoadKvxrealCApplication(program, directory, jobFile, target);
    return RunJobLoader(program, directory, jobFile);
}

void ShowJobLoaderProgress(program::Program& program) {
    if (program.load.jobLoader == nullptr) return;
    program.mainWindow.ProgressBar1.value = ClampedProgress(program.load.jobLoader->Progress());
}

void ShowJobLoaderInfo(program::Program& program) {
    if (program.load.jobLoader != nullptr) program.load.jobLoader->ShowInfo(-1);
}

}  // namespace load
