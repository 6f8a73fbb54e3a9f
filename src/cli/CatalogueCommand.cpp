#include "cli/CatalogueCommand.h"

#include <iostream>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Selection.h"
#include "cli/Session.h"

namespace cli {
namespace {

struct CatalogueArgs {
    int model = 0;  // 0 when not given
    std::string program;
    bool modelGiven = false;
    bool programGiven = false;
};

void printModels(const app::Program& program, OutputFormat format) {
    std::vector<Row> rows;
    std::vector<std::string> lines;
    long long n = 0;
    for (const catalogue::CModel& model : program.catalogue.ModelList) {
        ++n;
        rows.push_back({numberField("number", "#", n),
                        textField("productLine", "Product line", model.Velmoro),
                        textField("name", "Model", model.Name)});
        lines.push_back(std::to_string(n) + '\t' + model.Velmoro + '\t' + model.Name);
    }
    printRows(std::cout, format, rows, lines);
}

void printPrograms(const app::Program& program, OutputFormat format) {
    std::vector<Row> rows;
    std::vector<std::string> lines;
    long long m = 0;
    for (const catalogue::CProgram& entry : program.catalogue.ProgramList) {
        ++m;
        rows.push_back({numberField("number", "#", m),
                        textField("revision", "Revision", entry.Revision),
                        textField("name", "Description", entry.Name),
                        boolField("current", "Current", entry.Current,
                                  entry.Current ? "<- current" : "")});
        lines.push_back(std::to_string(m) + '\t' + entry.Revision + '\t' + entry.Name + '\t' +
                        (entry.Current ? "*" : "-"));
    }
    printRows(std::cout, format, rows, lines);
}

void printResolved(const app::Program& program, OutputFormat format) {
    const catalogue::Catalogue& cat = program.catalogue;
    const std::string line = "resolved\temail=" + std::to_string(program.SelectedHasEMail) +
                             "\tweb=" + std::to_string(program.SelectedHasWebSite) +
                             "\tsettings=" + program.SelectedSettingsPackage +
                             "\tproject=" + cat.SelectedProjectFolder +
                             "\tmodule=" + cat.SelectedModuleDirectory;
    const auto yesNo = [](bool b) { return std::string(b ? "yes" : "no"); };
    printRecord(std::cout, format,
                {boolField("email", "E-mail", program.SelectedHasEMail,
                           yesNo(program.SelectedHasEMail)),
                 boolField("web", "Web site", program.SelectedHasWebSite,
                           yesNo(program.SelectedHasWebSite)),
                 textField("settings", "Settings package", program.SelectedSettingsPackage),
                 textField("project", "Project folder", cat.SelectedProjectFolder),
                 textField("module", "Module", cat.SelectedModuleDirectory)},
                line);
}

int runCatalogue(const Options& options, const CatalogueArgs& args) {
    Session session(options.machineDir, std::cerr);
    app::Program& program = session.program();
    app::FormMain& form = program.formMain;
    app::Dispatch(program, [&] { form.Form_Load(); });
    const OutputFormat format = chooseFormat(options.json);

    if (!args.modelGiven) {
        printModels(program, format);
        return exitcode::Ok;
    }
    checkRow(args.model, form.CtrlModels.items.size(), "model");
    app::Dispatch(program, [&] { form.CtrlModels_ItemClick(args.model); });
    if (!args.programGiven) {
        printPrograms(program, format);
        return exitcode::Ok;
    }
    const int row = programRow(program, args.program, args.model);
    app::Dispatch(program, [&] { form.CtrlPrograms_ItemClick(row); });
    printResolved(program, format);
    return exitcode::Ok;
}

}  // namespace

void addCatalogueCommand(CLI::App& app, Options& options) {
    auto args = std::make_shared<CatalogueArgs>();
    CLI::App* cmd = app.add_subcommand(
        "catalogue", "List the models, the programs of a model, or resolve one program");
    addMachineOption(*cmd, options.machineDir);
    addSelectionOptions(*cmd, args->model, args->program, false);
    cmd->callback([&options, args, cmd] {
        args->modelGiven = cmd->count("--model") > 0;
        args->programGiven = cmd->count("--program") > 0;
        options.run = [&options, args] { return runCatalogue(options, *args); };
    });
}

}  // namespace cli
