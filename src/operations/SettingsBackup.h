#pragma once
// Settings backups: a controller's settings saved with the settings tool's save before the
// first change to it, kept in the machine folder as backups/<serial>/<date-time>.settings and
// never overwritten, and written back from there on request.
#include <functional>
#include <optional>
#include <string>

namespace app {
struct Program;
}

namespace operations {

// <machineDir>/backups/<serial>; nothing usable as a folder name in `serial` is refused by
// backupSettings before anything is written.
std::string backupFolder(const std::string& machineDir, const std::string& serial);

// Saves the settings of the controller the program is connected to (its current link and
// address), for the module and settings package of the program's selected revision, into a
// new file of backupFolder(machineDir, serial). The file's path, or nothing with `why` (the
// controller stopped answering, the folder cannot be written, ...); a failure leaves no file.
std::optional<std::string> backupSettings(app::Program& program, const std::string& machineDir,
                                          const std::string& serial, std::string& why);

// The same save into `file` instead (made 0600); an existing file is kept and the save refused
// unless `replace`.
bool saveSettingsFile(app::Program& program, const std::string& file, bool replace,
                      std::string& why);

// Lets the single load back up first (while the main window's box is checked): the settings of
// a controller reached over TCP/IP, filed under its serial number. A revision without a
// settings package, or a controller whose serial number is not known (the serial link), has
// nothing to back up.
void offerBackupBeforeLoad(app::Program& program, const std::string& machineDir);

// The newest backup of `serial` (of kept applications with ".image"); nothing when there is none.
std::optional<std::string> newestBackup(const std::string& machineDir, const std::string& serial,
                                        const std::string& extension = ".settings");

// backupFolder(machineDir, serial), made (0700) when missing; nothing with `why` when `serial`
// could climb out of backups/ or hide, or the folder cannot be made.
std::optional<std::string> makeBackupFolder(const std::string& machineDir,
                                            const std::string& serial, std::string& why);

// Gives the finished temporary file `temporary` of `folder` the first free name of nameFor(1),
// nameFor(2), ...; a file that is there is never replaced. Its path, or nothing with `why`.
std::optional<std::string> publishNew(const std::string& temporary, const std::string& folder,
                                      const std::function<std::string(int)>& nameFor,
                                      std::string& why);

// The module and settings package a settings file names.
struct SettingsFileNames {
    std::string module;
    std::string package;
};

// Reads `file` through the program's file system and checks it whole (its checksum included):
// the names it holds, or nothing with `why` saying whether it could not be read or is damaged.
std::optional<SettingsFileNames> readSettingsFileNames(app::Program& program,
                                                       const std::string& file, std::string& why);

// Whether `file` holds the settings of the selected revision's module and settings package: a
// file of another model's package would leave the controller with the new program and none of
// its settings. False with `why` naming both modules or packages (or why the file cannot be
// read).
bool settingsFileFitsSelected(app::Program& program, const std::string& file, std::string& why);

// Writes the values of a backup back to the controller the program is connected to; the file
// is checked whole first, and must fit the selected revision (settingsFileFitsSelected). False
// with `why`.
bool restoreSettings(app::Program& program, const std::string& file, std::string& why);

}  // namespace operations
