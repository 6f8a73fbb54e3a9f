#include "cli/SiteCheckCommand.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "site/PlanCheck.h"
#include "site/PlanFile.h"

namespace cli {
namespace {

struct SiteCheckArgs {
    std::string plan;
    std::string machineDir;
    bool passwordStdin = false;
};

// The password is used only to list the partitions of sealed controllers: at a terminal it is
// asked for only when the plan names a partition of a controller found by serial number.
void takePassword(app::Program& program, const SiteCheckArgs& args, const site::Plan& plan) {
    if (args.passwordStdin) {
        program.comm.NetworkPassword = passwordFromStdin();
        return;
    }
    const bool needed = std::any_of(plan.rows.begin(), plan.rows.end(), [](const auto& row) {
        return !row.serial.empty() && row.partition != 0;
    });
    if (!needed || isatty(STDIN_FILENO) == 0 || program.platform.input == nullptr) return;
    if (auto typed = program.platform.input->askPassword(
            "Network password of the site (empty for none): ", "Network password"))
        program.comm.NetworkPassword = *typed;
}

int runSiteCheck(const Options& options, const SiteCheckArgs& args) {
    std::vector<site::PlanProblem> problems;
    const site::Plan plan = site::readPlan(args.plan, problems);
    if (!plan.rows.empty()) {
        Session session(args.machineDir, std::cerr);
        app::Program& program = session.program();
        takePassword(program, args, plan);
        app::Dispatch(program, [&] { program.formMain.Form_Load(); });
        for (site::PlanProblem& p : site::checkPlan(program, plan)) problems.push_back(p);
        std::stable_sort(problems.begin(), problems.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
    }
    const OutputFormat format = chooseFormat(options.json);
    if (format == OutputFormat::Json) {
        Json list = Json::array();
        for (const site::PlanProblem& p : problems)
            list.push_back({{"line", p.line}, {"text", p.text}});
        Json result;
        result["plan"] = args.plan;
        result["rows"] = plan.rows.size();
        result["ok"] = problems.empty();
        result["problems"] = list;
        std::cout << jsonText(result) << '\n';
    } else {
        for (const site::PlanProblem& p : problems)
            std::cout << args.plan << ':' << (p.line > 0 ? std::to_string(p.line) + ":" : "") << ' '
                      << p.text << '\n';
        if (problems.empty())
            std::cout << args.plan << ": " << plan.rows.size()
                      << (plan.rows.size() == 1 ? " controller" : " controllers")
                      << ", no problems\n";
    }
    return problems.empty() ? exitcode::Ok : exitcode::Failed;
}

}  // namespace

void addSiteCheckCommand(CLI::App& site, Options& options) {
    auto args = std::make_shared<SiteCheckArgs>();
    CLI::App* check = site.add_subcommand(
        "check",
        "Check every row of a site plan against the catalogue, the network and the other rows, "
        "and print every problem with its line; nothing is changed on any controller");
    check->add_option("PLAN", args->plan, "the plan file (CSV, see docs/site-plan.md)")->required();
    check->add_flag("--password-stdin", args->passwordStdin,
                    "read the network password of the site from the first line of stdin (used "
                    "only to list the partitions of controllers that need it)");
    addMachineOption(*check, args->machineDir);
    check->callback([&options, args] {
        options.run = [&options, args] { return runSiteCheck(options, *args); };
    });
}

}  // namespace cli
