#include "cli/LoadCommands.h"

#include <unistd.h>

#include <iostream>
#include <memory>

#include "cli/CommonArgs.h"
#include "cli/ConsoleForms.h"
#include "cli/ConsoleUi.h"
#include "cli/Options.h"
#include "cli/PartitionsCommand.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "link/ConnectionChecks.h"
#include "load/AddressCommands.h"
#include "load/CommandLock.h"
#include "load/LoadController.h"
#include "load/OsUpgrade.h"
#include "load/PartitionCommands.h"
#include "load/PartitionList.h"
#include "load/WebSiteLoad.h"
#include "platform/components/JobLoader.h"

namespace cli {
namespace {

constexpr ControllerAddress kAttached{255, 30};

struct LoadArgs {
    std::string machineDir;
    int model = 0;
    int program = 0;
    std::string link;
    int partition = 0;
    bool yes = false;
    std::string address;  // change-address
    std::string name = "UnnamedPartition";
    std::string size = "2048";
    std::string serial;  // load-web on a controller without KVXreal C
    ControllerAddress target = kAttached;  // the partition actions take --addr of `partitions`
    uint32_t baud = 0;                     // and its --baud
};

// A session on the chosen link with the dialogs of the command line.
struct Run {
    explicit Run(const LoadArgs& args)
        : session(args.machineDir, std::cerr),
          forms(std::cout, isatty(STDOUT_FILENO) != 0, args.yes) {
        session.messageBoxes().answerYes = args.yes;
        session.screen().onEvents = [this] {
            forms.showProgress();
            if (const components::JobLoader* job = program().load.jobLoader)
                forms.showJobProgress(job->Progress());
        };
        program().load.forms = &forms;
    }
    ~Run() { program().load.forms = nullptr; }
    app::Program& program() { return session.program(); }

    Session session;
    ConsoleForms forms;
};

void addLinkOption(CLI::App& cmd, LoadArgs& args) {
    cmd.add_option("--link", args.link, "tcp:HOST:PORT, serial:PATH, or serial for the Port of "
                                        "Kvxmatic.Ini")
        ->required();
    addMachineOption(cmd, args.machineDir);
}

// Connects to the attached controller and reads its address, as every command starts.
bool connected(Run& run, const LoadArgs& args) {
    if (!connectProgram(run.session, args.link, args.target, args.baud)) return false;
    clink::Connection& c = run.program().connection;
    if (!clink::ReadControllerAddress(run.program(), c.CurrentPLA, c.CurrentELA)) {
        std::cerr << "error: No controller connected\n";
        return false;
    }
    return true;
}

// Selects the row of partition `number` in the partition list, as a click would.
bool selectPartition(app::Program& program, int number) {
    load::RefreshPartitionList(program);
    const auto& rows = program.formMain.CtrlPartitions.items;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].text == std::to_string(number)) {
            program.formMain.CtrlPartitions_ItemClick(static_cast<int>(i) + 1);
            return true;
        }
    }
    std::cerr << "error: the controller lists no partition " << number << '\n';
    return false;
}

int runLoad(const LoadArgs& args) {
    Run run(args);
    selectRevision(run.program(), args.model, args.program);
    if (!connected(run, args)) return exitcode::Failed;
    clink::DetectControllerOsKind(run.program(), run.program().connection.CurrentPLA,
                                  run.program().connection.CurrentELA);
    // The list as the window shows it: the active partition's row is selected.
    if (run.program().connection.ControllerOsKind == "C") {
        if (args.partition == 0) {
            load::RefreshPartitionList(run.program());
        } else if (!selectPartition(run.program(), args.partition)) {
            return exitcode::Failed;
        }
    }
    const load::LoadOutcome outcome = load::LoadController(run.program());
    std::cout << (outcome == load::LoadOutcome::Loaded ? "loaded\n" : "not loaded\n");
    return outcome == load::LoadOutcome::Loaded ? exitcode::Ok : exitcode::Failed;
}

// "Load Web-site": the site into a KVXreal C controller's web partition, or the TCP/IP option
// image into an older controller's port (found on the network by --serial).
int runLoadWeb(const LoadArgs& args) {
    Run run(args);
    app::Program& program = run.program();
    selectRevision(program, args.model, args.program);
    if (!program.SelectedHasWebSite) {
        std::cerr << "error: the selected program has no web site\n";
        return exitcode::Failed;
    }
    if (!connected(run, args)) return exitcode::Failed;
    clink::DetectControllerOsKind(program, program.connection.CurrentPLA,
                                  program.connection.CurrentELA);
    program.current.CurrentSN = args.serial;
    if (program.connection.ControllerOsKind == "C" && args.partition != 0 &&
        !selectPartition(program, args.partition))
        return exitcode::Failed;
    // Without --yes a question is put to the user at a terminal.
    if (!args.yes && isatty(STDIN_FILENO) != 0) {
        run.session.messageBoxes().answerYes.reset();
        run.session.messageBoxes().prompt = true;
    }
    const bool ok = load::LoadWebSiteCommand(program) == load::WebLoadOutcome::Loaded;
    std::cout << (ok ? "loaded\n" : "not loaded\n");
    return ok ? exitcode::Ok : exitcode::Failed;
}

int runUpgrade(const LoadArgs& args) {
    Run run(args);
    selectRevision(run.program(), args.model, args.program);
    if (!connected(run, args)) return exitcode::Failed;
    app::Program& program = run.program();
    load::CommandLock lock(program, load::Unlock::FromProgramOptions);
    clink::DetectControllerOsKind(program, program.connection.CurrentPLA,
                                  program.connection.CurrentELA);
    const auto& selected =
        program.catalogue.ProgramList[static_cast<size_t>(program.catalogue.SelectedProgramIndex) - 1];
    const load::OsCheck result =
        load::CheckOsRevision(program, load::ProgramDirectory(program, selected.Directory));
    const char* words[] = {"no image to compare", "operating system is current", "not upgraded",
                           "upgraded", "upgrade failed"};
    std::cout << words[static_cast<int>(result)] << '\n';
    return result == load::OsCheck::Current || result == load::OsCheck::Upgraded
               ? exitcode::Ok
               : exitcode::Failed;
}

int runChangeAddress(const LoadArgs& args) {
    const ControllerAddress to = parseControllerAddress(args.address, false);
    Run run(args);
    if (!connectProgram(run.session, args.link, kAttached)) return exitcode::Failed;
    const load::AddressChange result = load::ChangeAddressTo(run.program(), to.pla, to.ela);
    if (result != load::AddressChange::Changed) return exitcode::Failed;
    std::cout << "address " << to.pla << ':' << to.ela << '\n';
    return exitcode::Ok;
}

int runReset(const LoadArgs& args) {
    Run run(args);
    if (!connectProgram(run.session, args.link, kAttached)) return exitcode::Failed;
    if (!load::ResetController(run.program())) return exitcode::Failed;
    std::cout << "cold start sent; the controller answers at 254:30\n";
    return exitcode::Ok;
}

int runPartition(const LoadArgs& args, const std::string& what) {
    Run run(args);
    if (!connected(run, args)) return exitcode::Failed;
    app::Program& program = run.program();
    // The partition commands act on the controller attached to the link, as in the window.
    const clink::Connection& c = program.connection;
    if ((args.target.pla != kAttached.pla || args.target.ela != kAttached.ela) &&
        (args.target.pla != c.CurrentPLA || args.target.ela != c.CurrentELA)) {
        std::cerr << "error: partitions " << what << " acts on the controller attached to the "
                  << "link (255:30), which is " << c.CurrentPLA << ':' << c.CurrentELA
                  << "; --addr " << args.target.pla << ':' << args.target.ela
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
    for (const ui::ListItem& row : program.formMain.CtrlPartitions.items) {
        std::cout << row.text;
        for (const std::string& column : row.subItems) std::cout << '\t' << column;
        std::cout << '\n';
    }
    return done ? exitcode::Ok : exitcode::Failed;
}

template <class Runner>
void setRun(CLI::App& cmd, Options& options, std::shared_ptr<LoadArgs> args, Runner runner) {
    cmd.callback([&options, args, runner] {
        options.run = [args, runner] { return runner(*args); };
    });
}

}  // namespace

void addLoadCommands(CLI::App& app, Options& options) {
    auto args = std::make_shared<LoadArgs>();
    CLI::App* load = app.add_subcommand(
        "load", "Load the selected program into the attached controller, as \"Load Controller\" "
                "does; on KVXreal C controllers into a partition");
    addSelectionOptions(*load, args->model, args->program, true);
    addLinkOption(*load, *args);
    load->add_option("--partition", args->partition,
                     "target partition (default: the active one)")
        ->check(CLI::Range(1, 255));
    load->add_flag("--yes", args->yes, "answer OK to an operating-system upgrade");
    setRun(*load, options, args, runLoad);

    CLI::App* web = app.add_subcommand(
        "load-web", "Load the selected program's web site into the attached controller, as "
                    "\"Load Web-site\" does: on KVXreal C controllers into a web partition, on "
                    "others the TCP/IP option image into the port");
    addSelectionOptions(*web, args->model, args->program, true);
    addLinkOption(*web, *args);
    web->add_option("--partition", args->partition,
                    "target partition (default: the first web partition)")
        ->check(CLI::Range(1, 255));
    web->add_option("--serial", args->serial,
                    "serial number of a controller without KVXreal C, found by a network search "
                    "for the TCP/IP option reload");
    web->add_flag("--yes", args->yes, "answer OK to the question of another partition");
    setRun(*web, options, args, runLoadWeb);

    CLI::App* upgrade = app.add_subcommand(
        "upgrade-os", "Compare the controller's operating system with the revision's image and "
                      "upgrade it when they differ");
    addSelectionOptions(*upgrade, args->model, args->program, true);
    addLinkOption(*upgrade, *args);
    upgrade->add_flag("--yes", args->yes, "answer OK to the upgrade question");
    setRun(*upgrade, options, args, runUpgrade);

    CLI::App* change = app.add_subcommand(
        "change-address", "Give the attached controller a new address; refused when another "
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
            options.run = [args, link, what] {
                // The link options are those of `partitions`, given before or after the action.
                args->link = link->link;
                args->machineDir = link->machineDir;
                args->target = parseControllerAddress(link->address, true);
                args->baud = link->baud;
                return runPartition(*args, what);
            };
        });
    }
}

}  // namespace cli
