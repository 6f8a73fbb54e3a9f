#include "cli/SettingsCommands.h"

#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/CommonArgs.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "operations/SettingsBackup.h"
#include "platform/kvxglib/MachineConfig.h"

namespace cli {
namespace {

struct SettingsArgs {
    std::string machineDir;
    int model = 0;
    std::string program;  // a row number or a revision text
    std::string serial;
    std::string file;
    bool passwordStdin = false;
    bool force = false;
};

// The revision selected first: clicking it resets the connection the window would have.
bool connect(Session& session, const SettingsArgs& args) {
    selectRevision(session.program(), args.model, args.program);
    return connectProgram(session, {"", args.serial, args.passwordStdin}, std::nullopt);
}

int runBackup(const Options& options, const SettingsArgs& args) {
    // Told before the controller is read; the save itself still never replaces a file that
    // appears meanwhile.
    if (std::error_code ec; !args.file.empty() && !args.force &&
                            std::filesystem::symlink_status(args.file, ec).type() !=
                                std::filesystem::file_type::not_found) {
        std::cerr << "error: " << args.file
                  << " already exists and was kept (--force replaces it)\n";
        return exitcode::Failed;
    }
    Session session(args.machineDir, std::cerr);
    if (!connect(session, args)) return exitcode::Failed;
    app::Program& program = session.program();
    std::string why;
    std::optional<std::string> file;
    if (args.file.empty()) {
        const std::string machine =
            args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir;
        file = operations::backupSettings(program, machine, args.serial, why);
    } else if (operations::saveSettingsFile(program, args.file, args.force, why)) {
        file = args.file;
    }
    if (!file) {
        std::cerr << "error: " << why << '\n';
        return exitcode::Failed;
    }
    printResult(std::cout, chooseFormat(options.json), {{"serial", args.serial}, {"file", *file}},
                "saved to " + *file);
    return exitcode::Ok;
}

int runRestore(const Options& options, const SettingsArgs& args) {
    Session session(args.machineDir, std::cerr);
    const std::string machine =
        args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir;
    std::string file = args.file;
    if (file.empty()) {
        const std::optional<std::string> newest = operations::newestBackup(machine, args.serial);
        if (!newest) {
            std::cerr << "error: there is no backup of " << args.serial << " in "
                      << operations::backupFolder(machine, args.serial) << '\n';
            return exitcode::Failed;
        }
        file = *newest;
    }
    // What is about to be restored is told before anything is written to the controller.
    std::string why;
    const std::optional<operations::SettingsFileNames> names =
        operations::readSettingsFileNames(session.program(), file, why);
    if (!names) {
        std::cerr << "error: " << why << '\n';
        return exitcode::Failed;
    }
    const std::string& module = names->module;
    const std::string& package = names->package;
    std::cerr << "restoring " << file << " (module " << module << ", settings package \"" << package
              << "\") to " << args.serial << '\n';
    if (!connect(session, args)) return exitcode::Failed;
    if (!operations::restoreSettings(session.program(), file, why)) {
        std::cerr << "error: " << why << '\n';
        return exitcode::Failed;
    }
    printResult(std::cout, chooseFormat(options.json),
                {{"serial", args.serial}, {"file", file}, {"module", module}, {"package", package}},
                "restored " + file);
    return exitcode::Ok;
}

void addShared(CLI::App& command, SettingsArgs& args, const std::string& fileHelp) {
    command
        .add_option("SERIAL", args.serial,
                    "serial number of the controller, found on the TCP/IP network")
        ->required();
    command.add_option("FILE", args.file, fileHelp);
    addSelectionOptions(command, args.model, args.program, true);
    command.add_flag("--password-stdin", args.passwordStdin,
                     "read the controller's network password from the first line of stdin");
    addMachineOption(command, args.machineDir, " (and its backups folder)");
}

}  // namespace

void addSettingsCommands(CLI::App& app, Options& options) {
    CLI::App* settings = app.add_subcommand(
        "settings",
        "Save a controller's settings (its revision's settings package) and write "
        "them back");
    settings->require_subcommand(1);
    auto args = std::make_shared<SettingsArgs>();

    CLI::App* backup = settings->add_subcommand(
        "backup",
        "Save the settings into a new file of the machine folder's backups/SERIAL, "
        "named by the UTC time, or into FILE");
    addShared(*backup, *args, "save here instead (an existing file is kept unless --force)");
    backup->add_flag("--force", args->force, "replace FILE when it exists");
    backup->callback(
        [&options, args] { options.run = [&options, args] { return runBackup(options, *args); }; });

    CLI::App* restore = settings->add_subcommand(
        "restore",
        "Write saved settings back: FILE, or the newest backup of SERIAL; the file "
        "is checked whole and must belong to the module of --program");
    addShared(*restore, *args, "the settings file (default: the newest backup of SERIAL)");
    restore->callback([&options, args] {
        options.run = [&options, args] { return runRestore(options, *args); };
    });
}

}  // namespace cli
