// krelvan-cli: the program's operations without windows.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>

#include "cli/CatalogueCommand.h"
#include "cli/Completion.h"
#include "cli/ControllerCommands.h"
#include "cli/ControllerLink.h"
#include "cli/LoadCommands.h"
#include "cli/ModuleAddressCommand.h"
#include "cli/NameCommands.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/ScanModulesCommand.h"
#include "cli/SettingsCommands.h"
#include "cli/SiteCheckCommand.h"
#include "cli/SiteRunCommand.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Krelvan: commissioning of building-automation controllers, from the command line"};
    app.formatter(cli::helpFormatter());
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "print the help of every command and exit");
    cli::Options options;
    // Given before or after the command: the commands fall through to these options.
    app.fallthrough();
    app.add_flag("--json", options.json, "print results as JSON (for scripts)");
    cli::addCatalogueCommand(app, options);
    const cli::PartitionsCommand partitions = cli::addControllerCommands(app, options);
    cli::addNameCommands(app, options);
    cli::addModuleAddressCommand(app, options);
    cli::addLoadCommands(app, options);
    cli::addPartitionEditCommands(partitions, options);
    cli::addNetworkCommands(app, options);
    cli::addScanModulesCommand(app, options);
    CLI::App* site = app.add_subcommand(
        "site", "Commission a whole site from a plan of many controllers (docs/site-plan.md)");
    site->require_subcommand(1);
    cli::addSiteCheckCommand(*site, options);
    cli::addSiteRunCommand(*site, options);
    cli::addSettingsCommands(app, options);
    cli::addCompletionOption(app, "krelvan-cli");  // last: it prints every command
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::Success& done) {  // --completion printed its script
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return cli::exitcode::Usage;
    }
    try {
        return options.run ? options.run() : cli::exitcode::Usage;
    } catch (const cli::UsageError& error) {
        std::cerr << "usage error: " << error.message << '\n';
        return cli::exitcode::Usage;
    } catch (const cli::LinkError& error) {
        std::cerr << "error: " << error.message << '\n';
        return cli::exitcode::Failed;
    } catch (const std::exception& error) {
        std::cerr << "error: " << error.what() << '\n';
        return cli::exitcode::Failed;
    }
}
