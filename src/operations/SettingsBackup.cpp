#include "operations/SettingsBackup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "app/Program.h"
#include "app/SettingsToolCommand.h"
#include "catalogue/Catalogue.h"
#include "operations/BackupName.h"
#include "operations/PrivateFolder.h"
#include "settingstool/SettingsFile.h"
#include "settingstool/SettingsJob.h"

namespace operations {
namespace {

// The serial number becomes a folder name: nothing that could climb out of backups/ or hide.
bool safeFolderName(const std::string& serial) {
    if (serial.empty() || serial.size() > 64 || serial[0] == '.') return false;
    for (const char c : serial) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '-' || c == '_' || c == '.';
        if (!plain) return false;
    }
    return true;
}

// The settings job takes over the catalogue's project and module for its own naming project;
// the window goes on with its selection afterwards, so it gets it back.
class KeptSelection {
  public:
    explicit KeptSelection(app::Program& program)
        : program_(program),
          handle_(program.catalogue.ProjectNameHandle),
          project_(program.catalogue.SelectedProjectFolder),
          module_(program.catalogue.SelectedModuleDirectory) {}
    ~KeptSelection() {
        catalogue::Catalogue& cat = program_.catalogue;
        if (cat.ProjectNameHandle != handle_ && cat.ProjectNameHandle != 0) {
            int32_t opened = cat.ProjectNameHandle;
            program_.platform.nam.CloseProject(opened);
        }
        cat.ProjectNameHandle = handle_;
        cat.SelectedProjectFolder = project_;
        cat.SelectedModuleDirectory = module_;
        if (handle_ != 0) program_.platform.nam.SelectModule(handle_, module_, 0);
    }
    KeptSelection(const KeptSelection&) = delete;
    KeptSelection& operator=(const KeptSelection&) = delete;

  private:
    app::Program& program_;
    int32_t handle_;
    std::string project_;
    std::string module_;
};

std::optional<settingstool::ToolArguments> selectedTarget(app::Program& program, std::string& why) {
    app::SettingsToolArguments selected;
    if (!app::SelectedSettingsTarget(program, selected, why)) return std::nullopt;
    if (selected.dpac.empty()) {
        why =
            "the selected revision names no settings package, so there are no settings to "
            "save";
        return std::nullopt;
    }
    settingstool::ToolArguments arguments;
    arguments.path = selected.path;
    arguments.cname = selected.cname;
    arguments.dpac = selected.dpac;
    return arguments;
}

// What to do when the name is taken.
enum class Taken { NextNumber, Refuse, Replace };

void syncFolder(const std::string& folder) {
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Gives the finished temporary its name. A hard link fails when the name is taken, whoever
// took it, so nothing is replaced unless asked; a rename replaces a link itself, never what it
// points to.
std::optional<std::string> publish(const std::string& temporary, const std::string& folder,
                                   const std::function<std::string(int)>& nameFor, Taken taken,
                                   std::string& why) {
    for (int n = 1; n < 1000; ++n) {
        const std::string path = folder + "/" + nameFor(n);
        const bool done = taken == Taken::Replace ? ::rename(temporary.c_str(), path.c_str()) == 0
                                                  : ::link(temporary.c_str(), path.c_str()) == 0;
        if (done) {
            syncFolder(folder);
            return path;
        }
        if (errno == EEXIST && taken == Taken::NextNumber) continue;
        why = errno == EEXIST ? path + " already exists and was kept"
                              : path + " cannot be written: " + std::strerror(errno);
        return std::nullopt;
    }
    why = "too many files named " + nameFor(1) + " in " + folder;
    return std::nullopt;
}

// The controller's values for the selected revision's package, saved into `folder`. Written
// under a hidden name first (0600 from mkstemp, kept by the job's atomic save), so that neither
// a failure nor a crash leaves a file that looks whole.
std::optional<std::string> saveInto(app::Program& program, const std::string& folder,
                                    const std::function<std::string(int)>& nameFor, Taken taken,
                                    std::string& why) {
    const std::optional<settingstool::ToolArguments> target = selectedTarget(program, why);
    if (!target) return std::nullopt;
    std::string temporary = folder + "/.partial-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        why = "the folder " + folder + " cannot be written: " + std::strerror(errno);
        return std::nullopt;
    }
    ::close(fd);
    std::optional<std::string> path;
    {
        KeptSelection kept(program);
        settingstool::SettingsJob job(program, *target);
        if (job.prepare(why) && job.save(temporary, nullptr, why))
            path = publish(temporary, folder, nameFor, taken, why);
    }
    ::unlink(temporary.c_str());
    return path;
}

}  // namespace

std::string backupFolder(const std::string& machineDir, const std::string& serial) {
    return machineDir + "/backups/" + serial;
}

std::optional<std::string> makeBackupFolder(const std::string& machineDir,
                                            const std::string& serial, std::string& why) {
    if (!safeFolderName(serial)) {
        why = "the serial number \"" + serial + "\" cannot name a backup folder; nothing was saved";
        return std::nullopt;
    }
    const std::string folder = backupFolder(machineDir, serial);
    if (!makePrivateFolder(machineDir + "/backups", "the backup folder", why) ||
        !makePrivateFolder(folder, "the backup folder", why))
        return std::nullopt;
    return folder;
}

std::optional<std::string> backupSettings(app::Program& program, const std::string& machineDir,
                                          const std::string& serial, std::string& why) {
    const std::optional<std::string> folder = makeBackupFolder(machineDir, serial, why);
    if (!folder) return std::nullopt;
    const std::string stamp = backupStamp(program.platform.clock.timeOfDay());
    return saveInto(
        program, *folder, [&stamp](int n) { return backupFileName(stamp, n); }, Taken::NextNumber,
        why);
}

bool saveSettingsFile(app::Program& program, const std::string& file, bool replace,
                      std::string& why) {
    const size_t slash = file.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : file.substr(0, slash + (slash == 0));
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        why = file + " names no file";
        return false;
    }
    return saveInto(
               program, folder, [&name](int) { return name; },
               replace ? Taken::Replace : Taken::Refuse, why)
        .has_value();
}

void offerBackupBeforeLoad(app::Program& program, const std::string& machineDir) {
    program.load.backupSettings = [&program,
                                   machineDir](std::string& why) -> std::optional<std::string> {
        constexpr int16_t kSerial = 1;
        app::SettingsToolArguments target;
        if (!app::SelectedSettingsTarget(program, target, why)) return std::nullopt;
        if (target.dpac.empty()) {
            why = "the revision has no settings package";
            return "";
        }
        // On the serial link CurrentSN may still name the last TCP/IP controller. (A controller
        // chosen by serial number on the command line has no kind of link set.)
        if (program.connection.CommKind == kSerial || program.current.CurrentSN.empty()) {
            why =
                "no serial number is known for this controller (only one found on the TCP/IP "
                "network has one)";
            return "";
        }
        return backupSettings(program, machineDir, program.current.CurrentSN, why);
    };
}

std::optional<std::string> publishNew(const std::string& temporary, const std::string& folder,
                                      const std::function<std::string(int)>& nameFor,
                                      std::string& why) {
    return publish(temporary, folder, nameFor, Taken::NextNumber, why);
}

std::optional<std::string> newestBackup(const std::string& machineDir, const std::string& serial,
                                        const std::string& extension) {
    if (!safeFolderName(serial)) return std::nullopt;
    const std::string folder = backupFolder(machineDir, serial);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> names;
    // Only plain files: a link planted there must not choose what gets restored.
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        const std::string path = folder + "/" + entry->d_name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    const std::optional<std::string> newest = newestBackupName(names, extension);
    if (!newest) return std::nullopt;
    return folder + "/" + *newest;
}

bool settingsFileFitsSelected(app::Program& program, const std::string& file, std::string& why) {
    why.clear();
    const std::optional<settingstool::ToolArguments> target = selectedTarget(program, why);
    if (!target) return false;
    const std::optional<SettingsFileNames> names = readSettingsFileNames(program, file, why);
    if (!names) return false;
    if (names->module != target->cname)
        why = "the settings file " + file + " holds the settings of module " + names->module +
              ", not of " + target->cname;
    else if (names->package != target->dpac)
        why = "the settings file " + file + " holds the settings package \"" + names->package +
              "\", not \"" + target->dpac + "\" of the selected revision";
    return why.empty();
}

bool restoreSettings(app::Program& program, const std::string& file, std::string& why) {
    why.clear();
    if (!settingsFileFitsSelected(program, file, why)) {
        why += "; nothing was loaded";
        return false;
    }
    std::optional<settingstool::ToolArguments> target = selectedTarget(program, why);
    if (!target) return false;
    KeptSelection kept(program);
    settingstool::SettingsJob job(program, *target);
    return job.prepare(why) && job.load(file, nullptr, why);
}

std::optional<SettingsFileNames> readSettingsFileNames(app::Program& program,
                                                       const std::string& file, std::string& why) {
    os::FileFailure failure;
    const std::optional<std::string> text = program.platform.files.readFile(file, failure);
    if (!text) {
        why = "the settings file " + file + " cannot be read: " + failure.reason;
        return std::nullopt;
    }
    std::string damage;
    const std::optional<settingstool::SettingsData> data =
        settingstool::parseSettings(*text, damage);
    if (!data) {
        why = "the settings file " + file + " is damaged: " + damage;
        return std::nullopt;
    }
    return SettingsFileNames{data->module, data->package};
}

}  // namespace operations
