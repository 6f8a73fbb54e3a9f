#include "cli/CatalogueCommand.h"

#include <iostream>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/Options.h"
#include "cli/Session.h"

namespace cli {
namespace {

struct CatalogueArgs {
    int model = 0;  // 0 when not given
    int program = 0;
};

int runCatalogue(const Options& options, const CatalogueArgs& args) {
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });

    if (args.model == 0) {
        int n = 0;
        for (const catalogue::CModel& model : program.catalogue.ModelList) {
            std::cout << ++n << '\t' << model.Velmoro << '\t' << model.Name << '\n';
        }
        return exitcode::Ok;
    }
    checkRow(args.model, form.CtrlModels.items.size(), "model");
    app::Dispatch(program, [&] { form.CtrlModels_ItemClick(args.model); });
    if (args.program == 0) {
        int m = 0;
        for (const catalogue::CProgram& entry : program.catalogue.ProgramList) {
            std::cout << ++m << '\t' << entry.Revision << '\t' << entry.Name << '\t'
                      << (entry.Current ? "*" : "-") << '\n';
        }
        return exitcode::Ok;
    }
    checkRow(args.program, form.CtrlPrograms.items.size(), "program");
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(args.program); });
    std::cout << "resolved\temail=" << program.SelectedHasEMail
              << "\tweb=" << program.SelectedHasWebSite
              << "\tsettings=" << program.SelectedSettingsPackage
              << "\tproject=" << program.catalogue.SelectedProjectFolder
              << "\tmodule=" << program.catalogue.SelectedModuleDirectory << '\n';
    return exitcode::Ok;
}

}  // namespace

void addCatalogueCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<CatalogueArgs>();
    CLI::App* cmd = app.add_subcommand(
        "catalogue", "List the models, the programs of a model, or resolve one program");
    addMachineOption(*cmd, options.machineDir);
    addSelectionOptions(*cmd, args->model, args->program, false);
    cmd->callback([&options, args] {
        options.run = [&options, args] { return runCatalogue(options, *args); };
    });
}

}  // namespace cli
