#include "cli/LoadCommands.h"

#include <unistd.h>

#include <iostream>
#include <memory>

#include "cli/CommonArgs.h"
#include "cli/ConsoleForms.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/PartitionsCommand.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "cli/StopSignals.h"
#include "link/ConnectionChecks.h"
#include "load/AddressCommands.h"
#include "load/LoadController.h"
#include "load/PartitionCommands.h"
#include "load/PartitionList.h"
#include "load/WebSiteLoad.h"
#include "operations/ImageBackup.h"
#include "operations/OsUpgrade.h"
#include "operations/Selection.h"
#include "operations/SettingsBackup.h"
#include "platform/components/JobLoader.h"
#include "platform/components/LoadFigures.h"
#include "platform/kvxglib/MachineConfig.h"

namespace cli {
namespace {

constexpr ControllerAddress kAttached{255, 30};

struct LoadArgs {
    std::string machineDir;
    int model = 0;
    std::string program;
    LinkChoice choice;
    int partition = 0;
    bool yes = false;
    // load: no settings backup first
    bool noBackup = false;
    bool noCompress = false;  // the loads: plain blocks
    std::string address;  // change-address
    std::string name = "UnnamedPartition";
    std::string size = "2048";
    std::string file;  // restore-image: the kept application; none: the newest of the serial
    // The partition actions take --addr of `partitions`; none: the one a controller chosen by
    // serial number reports.
    std::optional<ControllerAddress> target = kAttached;
    uint32_t baud = 0;  // the partition actions take --baud of `partitions`
};

// A session on the chosen link with the dialogs of the command line.
struct Run {
    // With --json, stdout carries the result alone: the dialogs' lines go to stderr.
    Run(const Options& options, const LoadArgs& args)
        : session(args.machineDir, std::cerr),
          forms(options.json ? std::cerr : std::cout,
                isatty(options.json ? STDERR_FILENO : STDOUT_FILENO) != 0, args.yes),
          format(chooseFormat(options.json)) {
        session.messageBoxes().answerYes = args.yes;
        // Ctrl-C or a hang-up during a load or an upgrade is its Cancel: the controller
        // is left running what it ran, not stopped half way.
        session.screen().onEvents = [this] {
            if (StopSignals::asked()) forms.cancelProgress();
            forms.showProgress();
            if (const components::JobLoader* job = program().load.jobLoader)
                forms.showJobProgress(job->Progress());
        };
        program().load.forms = &forms;
        program().load.compression =
            args.noCompress ? transfer::Compression::Off : transfer::Compression::Auto;
    }
    ~Run() { program().load.forms = nullptr; }
    app::Program& program() { return session.program(); }

    StopSignals signals;
    Session session;
    ConsoleForms forms;
    OutputFormat format;
};

void addLinkOption(CLI::App& cmd, LoadArgs& args, const std::string& serialHelp = "") {
    addLinkChoiceOptions(cmd, args.choice, serialHelp);
    addMachineOption(cmd, args.machineDir);
}

// Connects to the attached controller and reads its address, as every command starts.
bool connected(Run& run, const LoadArgs& args) {
    if (!connectProgram(run.session, args.choice, args.target, args.baud)) return false;
    clink::Connection& c = run.program().connection;
    if (!clink::ReadControllerAddress(run.program(), c.CurrentPLA, c.CurrentELA)) {
        std::cerr << "error: No controller connected\n";
        return false;
    }
    return true;
}

bool selectPartition(app::Program& program, int number) {
    std::string why;
    if (operations::selectPartitionRow(program, number, why)) return true;
    std::cerr << "error: " << why << '\n';
    return false;
}

int runLoad(const Options& options, const LoadArgs& args) {
    Run run(options, args);
    // As the window does by default: the settings of a controller found by serial number are
    // saved into the machine folder's backups before anything changes.
    app::Program& program = run.program();
    const std::string machineDir =
        args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir;
    operations::offerBackupBeforeLoad(program, machineDir);
    // An older controller's running application is kept before the load stops it.
    operations::keepImagesBeforeLoad(program, machineDir);
    program.formMain.CheckBackupSettings.value = !args.noBackup;
    program.load.backupSettings = [backup = program.load.backupSettings](std::string& why) {
        std::optional<std::string> file = backup(why);
        if (file && !file->empty()) std::cerr << "settings backed up to " << *file << '\n';
        return file;
    };
    selectRevision(run.program(), args.model, args.program);
    if (!connected(run, args)) return exitcode::Failed;
    clink::DetectControllerOsKind(run.program(), run.program().connection.CurrentPLA,
                                  run.program().connection.CurrentELA);
    // The list as the window shows it: the active partition's row is selected, which is no
    // choice; the load then takes the one free program partition.
    if (run.program().connection.ControllerOsKind == "C") {
        if (args.partition == 0) {
            load::RefreshPartitionList(run.program());
        } else if (!selectPartition(run.program(), args.partition)) {
            return exitcode::Failed;
        }
    }
    const bool loaded = load::LoadController(run.program()) == load::LoadOutcome::Loaded;
    printResult(std::cout, run.format, {{"loaded", loaded}}, loaded ? "loaded" : "not loaded");
    return loaded ? exitcode::Ok : exitcode::Failed;
}

// "Load Web-site": the site into a KVXreal C controller's web partition, or the TCP/IP option
// image into an older controller's port (found on the network by --serial).
int runLoadWeb(const Options& options, const LoadArgs& args) {
    Run run(options, args);
    app::Program& program = run.program();
    selectRevision(program, args.model, args.program);
    if (!program.SelectedHasWebSite) {
        std::cerr << "error: the selected program has no web site\n";
        return exitcode::Failed;
    }
    if (!connected(run, args)) return exitcode::Failed;
    clink::DetectControllerOsKind(program, program.connection.CurrentPLA,
                                  program.connection.CurrentELA);
    // With --link as well, --serial names the controller whose TCP/IP option is reloaded.
    if (!args.choice.link.empty()) program.current.CurrentSN = args.choice.serial;
    if (program.connection.ControllerOsKind == "C" && args.partition != 0 &&
        !selectPartition(program, args.partition))
        return exitcode::Failed;
    // Without --yes a question is put to the user at a terminal.
    if (!args.yes && isatty(STDIN_FILENO) != 0) {
        run.session.messageBoxes().answerYes.reset();
        run.session.messageBoxes().askPerson = operations::askOnTerminal(std::cerr);
    }
    const bool ok = load::LoadWebSiteCommand(program) == load::WebLoadOutcome::Loaded;
    printResult(std::cout, run.format, {{"loaded", ok}}, ok ? "loaded" : "not loaded");
    return ok ? exitcode::Ok : exitcode::Failed;
}

// Puts a kept application back into an older controller, after a question (--yes: OK).
int runRestoreImage(const Options& options, const LoadArgs& args) {
    Run run(options, args);
    app::Program& program = run.program();
    if (!connected(run, args)) return exitcode::Failed;
    clink::DetectControllerOsKind(program, program.connection.CurrentPLA,
                                  program.connection.CurrentELA);
    const std::string serial =
        args.choice.serial.empty() ? program.current.CurrentSN : args.choice.serial;
    std::string file = args.file;
    if (file.empty()) {
        const std::string machineDir =
            args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir;
        if (serial.empty()) {
            std::cerr << "error: no serial number is known for this controller: name the kept "
                         "application with --file, or the controller with --serial\n";
            return exitcode::Failed;
        }
        const std::optional<std::string> newest =
            operations::newestBackup(machineDir, serial, ".image");
        if (!newest) {
            std::cerr << "error: no application of " << serial << " is kept in "
                      << operations::backupFolder(machineDir, serial) << '\n';
            return exitcode::Failed;
        }
        file = *newest;
    }
    if (!args.yes && isatty(STDIN_FILENO) != 0) {
        run.session.messageBoxes().answerYes.reset();
        run.session.messageBoxes().askPerson = operations::askOnTerminal(std::cerr);
    }
    std::string why;
    components::LoadFigures moved;
    const bool restored = operations::restoreImage(program, file, why, &moved);
    if (!restored) std::cerr << "error: the kept application was not put back: " << why << '\n';
    if (restored && !components::loadedText(moved).empty())
        std::cerr << components::loadedText(moved) << '\n';
    printResult(std::cout, run.format, {{"restored", restored}, {"file", file}},
                restored ? "restored " + file + "; the application runs" : "not restored");
    return restored ? exitcode::Ok : exitcode::Failed;
}

int runUpgrade(const Options& options, const LoadArgs& args) {
    Run run(options, args);
    selectRevision(run.program(), args.model, args.program);
    if (!connected(run, args)) return exitcode::Failed;
    app::Program& program = run.program();
    clink::DetectControllerOsKind(program, program.connection.CurrentPLA,
                                  program.connection.CurrentELA);
    const load::OsCheck result = operations::upgradeOs(program);
    const char* words[] = {"no image to compare", "operating system is current", "not upgraded",
                           "upgraded", "upgrade failed"};
    const bool ok = result == load::OsCheck::Current || result == load::OsCheck::Upgraded;
    const std::string word = words[static_cast<int>(result)];
    printResult(std::cout, run.format, {{"outcome", word}, {"ok", ok}}, word);
    return ok ? exitcode::Ok : exitcode::Failed;
}

int runChangeAddress(const Options& options, const LoadArgs& args) {
    const ControllerAddress to = parseControllerAddress(args.address, false);
    Run run(options, args);
    if (!connectProgram(run.session, args.choice, kAttached)) return exitcode::Failed;
    const load::AddressChange result =
        load::ChangeAddressTo(run.program(), to.pla, to.ela, load::NetworkSearch::Search);
    if (result != load::AddressChange::Changed) return exitcode::Failed;
    const std::string address = std::to_string(to.pla) + ":" + std::to_string(to.ela);
    printResult(std::cout, run.format, {{"address", address}}, "address " + address);
    return exitcode::Ok;
}

int runReset(const Options& options, const LoadArgs& args) {
    Run run(options, args);
    if (!connectProgram(run.session, args.choice, kAttached)) return exitcode::Failed;
    if (!load::ResetController(run.program())) return exitcode::Failed;
    // A cold-started controller answers at 254:30 until its address is read again.
    const clink::Connection& c = run.program().connection;
    const std::string address = std::to_string(c.CurrentPLA) + ":" + std::to_string(c.CurrentELA);
    printResult(std::cout, run.format, {{"coldStart", true}, {"address", address}},
                "cold start sent; the controller answers at " + address);
    return exitcode::Ok;
}

int runPartition(const Options& options, const LoadArgs& args, const std::string& what) {
    Run run(options, args);
    if (!connected(run, args)) return exitcode::Failed;
    app::Program& program = run.program();
    // The partition commands act on the controller attached to the link, as in the window.
    const clink::Connection& c = program.connection;
    if (args.target && (args.target->pla != kAttached.pla || args.target->ela != kAttached.ela) &&
        (args.target->pla != c.CurrentPLA || args.target->ela != c.CurrentELA)) {
        std::cerr << "error: partitions " << what << " acts on the controller attached to the "
                  << "link (255:30), which is " << c.CurrentPLA << ':' << c.CurrentELA
                  << "; --addr " << args.target->pla << ':' << args.target->ela
                  << " names another controller. Nothing was changed.\n";
        return exitcode::Usage;
    }
    bool done = false;
    if (what == "add") {
        program.formMain.CtrlPartitionName.text = args.name;
        program.formMain.CtrlPartitionSize.text = args.size;
        done = load::AddPartition(program);
    } else if (what == "remove") {
        done = load::RemovePartitionCommand(program);
    } else {
        done = selectPartition(program, args.partition) && load::TogglePartition(program);
    }
    std::vector<Row> rows;
    std::vector<std::string> lines;
    for (const ui::ListItem& row : program.formMain.CtrlPartitions.items) {
        static const char* const keys[] = {"name", "title", "loaded", "size", "maxSize", "type"};
        Row fields{numericTextField("number", "Nr", row.text)};
        std::string line = row.text;
        for (size_t i = 0; i < row.subItems.size(); ++i) {
            if (i < std::size(keys)) fields.push_back(textField(keys[i], keys[i], row.subItems[i]));
            line += '\t' + row.subItems[i];
        }
        rows.push_back(std::move(fields));
        lines.push_back(std::move(line));
    }
    // The lines as they always were, on a terminal too: the window's own columns.
    printRows(std::cout, run.format == OutputFormat::Json ? OutputFormat::Json : OutputFormat::Tab,
              rows, lines);
    return done ? exitcode::Ok : exitcode::Failed;
}

template <class Runner>
void setRun(CLI::App& cmd, Options& options, std::shared_ptr<LoadArgs> args, Runner runner) {
    cmd.callback([&options, args, runner] {
        options.run = [&options, args, runner] { return runner(options, *args); };
    });
}

}  // namespace

void addLoadCommands(CLI::App& app, Options& options) {
    auto args = std::make_shared<LoadArgs>();
    CLI::App* load = app.add_subcommand(
        "load",
        "Load the selected program into the attached controller, as \"Load Controller\" "
        "does; on KVXreal C controllers into a partition");
    addSelectionOptions(*load, args->model, args->program, true);
    addLinkOption(*load, *args);
    load->add_option("--partition", args->partition,
                     "target partition (default: the one program partition that does not run)")
        ->check(CLI::Range(1, 255));
    load->add_flag("--yes", args->yes,
                   "answer OK to an operating-system upgrade, and to loading an older controller "
                   "that cannot give back the application it runs");
    load->add_flag("--no-backup", args->noBackup,
                   "do not save the controller's settings into the machine folder's backups "
                   "first (saved by default for a controller found by --serial)");
    addNoCompressFlag(*load, args->noCompress);
    setRun(*load, options, args, runLoad);

    CLI::App* web = app.add_subcommand(
        "load-web",
        "Load the selected program's web site into the attached controller, as "
        "\"Load Web-site\" does: on KVXreal C controllers into a web partition, on "
        "others the TCP/IP option image into the port");
    addSelectionOptions(*web, args->model, args->program, true);
    addLinkOption(*web, *args,
                  "the controller with this serial number, found on the TCP/IP network: alone, "
                  "instead of --link; with --link, a controller without KVXreal C whose TCP/IP "
                  "option is reloaded");
    web->add_option("--partition", args->partition,
                    "target partition (default: the first web partition)")
        ->check(CLI::Range(1, 255));
    web->add_flag("--yes", args->yes, "answer OK to the question of another partition");
    addNoCompressFlag(*web, args->noCompress);
    setRun(*web, options, args, runLoadWeb);

    CLI::App* restore = app.add_subcommand(
        "restore-image",
        "Put an application kept before a load back into an older controller and start it: "
        "the newest one kept for its serial number, or --file");
    addLinkOption(*restore, *args,
                  "the controller with this serial number: alone, found on the TCP/IP network; "
                  "with --link, whose kept applications are meant");
    restore->add_option("--file", args->file,
                        "the kept application (backups/<serial>/<time>.image in the machine "
                        "folder); default: the newest one of the controller's serial number");
    restore->add_flag("--yes", args->yes, "answer OK to the question (without it: Cancel)");
    addNoCompressFlag(*restore, args->noCompress);
    setRun(*restore, options, args, runRestoreImage);

    CLI::App* upgrade = app.add_subcommand(
        "upgrade-os",
        "Compare the controller's operating system with the revision's image and "
        "upgrade it when they differ");
    addSelectionOptions(*upgrade, args->model, args->program, true);
    addLinkOption(*upgrade, *args);
    upgrade->add_flag("--yes", args->yes, "answer OK to the upgrade question");
    addNoCompressFlag(*upgrade, args->noCompress);
    setRun(*upgrade, options, args, runUpgrade);

    CLI::App* change =
        app.add_subcommand("change-address",
                           "Give the attached controller a new address; refused when another "
                           "controller already answers there");
    addLinkOption(*change, *args);
    change->add_option("NEW", args->address, "the new address, PLA:ELA")->required();
    setRun(*change, options, args, runChangeAddress);

    CLI::App* reset = app.add_subcommand("reset", "Cold-start the attached controller");
    addLinkOption(*reset, *args);
    reset->add_flag("--yes", args->yes, "answer Yes to the reset question (without it: No)");
    setRun(*reset, options, args, runReset);
}

void addPartitionEditCommands(const PartitionsCommand& partitions, Options& options) {
    auto args = std::make_shared<LoadArgs>();
    const struct {
        const char* name;
        const char* help;
    } commands[] = {
        {"add", "Create a partition of --name and --size kilobytes, numbered from 32"},
        {"remove", "Remove the highest-numbered partition from 16 to 50 (--yes to confirm)"},
        {"toggle", "Activate --partition, or deactivate it when it is the active one"}};
    for (const auto& c : commands) {
        CLI::App* cmd = addPartitionsAction(partitions, c.name, c.help);
        const std::string what = c.name;
        if (what == "add") {
            cmd->add_option("--name", args->name, "partition name (default UnnamedPartition)");
            cmd->add_option("--size", args->size, "size in KB (default 2048)");
        } else if (what == "remove") {
            cmd->add_flag("--yes", args->yes, "answer OK to the removal question");
        } else {
            cmd->add_option("--partition", args->partition, "the partition")->required();
        }
        std::shared_ptr<LinkArgs> link = partitions.link;
        cmd->callback([&options, args, link, what] {
            options.run = [&options, args, link, what] {
                // The link options are those of `partitions`, given before or after the action.
                args->choice = link->choice;
                args->machineDir = link->machineDir;
                args->target.reset();
                if (!link->address.empty())
                    args->target = parseControllerAddress(link->address, true);
                args->baud = link->baud;
                return runPartition(options, *args, what);
            };
        });
    }
}

}  // namespace cli
