#include "cli/ModuleAddressCommand.h"

#include <iostream>
#include <memory>

#include "cli/CommonArgs.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Selection.h"
#include "cli/Session.h"
#include "link/Module.h"

namespace cli {
namespace {

struct ModuleAddressArgs {
    int model = 0;
    std::string program;
    std::string oldAddress;
    std::string newAddress;
};

int runChange(const Options& options, const ModuleAddressArgs& args) {
    const ControllerAddress from = parseControllerAddress(args.oldAddress, false);
    const ControllerAddress to = parseControllerAddress(args.newAddress, false);
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    selectRevision(program, args.model, args.program);
    clink::Module module(program);
    bool changed = false;
    module.ChangeModuleAddr(from.pla, from.ela, to.pla, to.ela, changed);
    if (!changed) return exitcode::Failed;  // the reason has been shown
    const std::string address = std::to_string(to.pla) + ":" + std::to_string(to.ela);
    printResult(std::cout, chooseFormat(options.json), {{"moduleAddress", address}},
                "module address " + address);
    return exitcode::Ok;
}

}  // namespace

void addModuleAddressCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<ModuleAddressArgs>();
    CLI::App* cmd = app.add_subcommand(
        "change-module-address",
        "Rewrite the module files of a program for another controller address; refused when a "
        "controller already answers at the new address on the configured link");
    addMachineOption(*cmd, options.machineDir);
    addSelectionOptions(*cmd, args->model, args->program, true);
    cmd->add_option("OLD", args->oldAddress, "the address the files describe now, PLA:ELA")
        ->required();
    cmd->add_option("NEW", args->newAddress, "the new address, PLA:ELA")->required();
    cmd->callback(
        [&options, args] { options.run = [&options, args] { return runChange(options, *args); }; });
}

}  // namespace cli
