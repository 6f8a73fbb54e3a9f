#include "cli/SiteCheckCommand.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

#include "app/Dispatch.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "platform/kvxglib/MachineConfig.h"
#include "site/PlanCheck.h"
#include "site/PlanFile.h"
#include "site/Report.h"
#include "site/RunLock.h"

namespace cli {
namespace {

struct SiteCheckArgs {
    std::string plan;
    std::string machineDir;
    bool passwordStdin = false;
    std::string report;  // the run's; empty: a new one beside the plan
};

// The password is used only to look at sealed controllers (their partitions, what they run): at
// a terminal it is asked for only when the plan names a controller found by serial number.
void takePassword(app::Program& program, const SiteCheckArgs& args, const site::Plan& plan) {
    if (args.passwordStdin) {
        program.comm.NetworkPassword = passwordFromStdin();
        return;
    }
    const bool needed = std::any_of(plan.rows.begin(), plan.rows.end(),
                                    [](const auto& row) { return !row.serial.empty(); });
    if (!needed || isatty(STDIN_FILENO) == 0 || program.platform.input == nullptr) return;
    if (auto typed = program.platform.input->askPassword(
            "Network password of the site (empty for none): ", "Network password"))
        program.comm.NetworkPassword = *typed;
}

Json previewJson(const site::RowPreview& p) {
    const auto address = [](const std::optional<site::StationAddress>& a) {
        return a ? Json(site::addressText(*a)) : Json(nullptr);
    };
    return {{"line", p.line},
            {"controller", p.controller},
            {"osFrom", p.osFrom},
            {"osTo", p.osTo},
            {"partition", p.partition},
            {"partitionWhy", p.partitionWhy},
            {"programFrom", p.programFrom},
            {"programTo", p.programTo},
            {"addressFrom", address(p.addressFrom)},
            {"addressTo", address(p.addressTo)},
            {"settingsFile", p.settingsFile},
            {"text", site::describe(p)}};
}

// What would stop a run before it sends anything: a report it cannot write beside the plan,
// another run of the plan under way.
void runWouldStop(const SiteCheckArgs& args, std::vector<site::PlanProblem>& problems) {
    std::string why;
    const std::optional<std::string> report =
        !args.report.empty()
            ? args.report
            : site::newReportBesidePlan(args.plan, std::chrono::system_clock::now(), why);
    if (!report || !site::reportWritable(*report, why))
        problems.push_back({0, "the run's report could not be written: " + why});
    const std::string machineDir =
        args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir;
    if (!site::RunLock::take(machineDir, args.plan, why)) problems.push_back({0, why});
}

int runSiteCheck(const Options& options, const SiteCheckArgs& args) {
    std::vector<site::PlanProblem> problems;
    const site::Plan plan = site::readPlan(args.plan, problems);
    std::vector<site::RowPreview> previews;
    if (!plan.rows.empty()) {
        runWouldStop(args, problems);
        Session session(args.machineDir, std::cerr);
        app::Program& program = session.program();
        takePassword(program, args, plan);
        app::Dispatch(program, [&] { program.formMain.Form_Load(); });
        site::PlanCheckResult checked = site::checkPlanAndPreview(program, plan);
        for (site::PlanProblem& p : checked.problems) problems.push_back(p);
        previews = std::move(checked.previews);
        std::stable_sort(problems.begin(), problems.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
    }
    const OutputFormat format = chooseFormat(options.json);
    if (format == OutputFormat::Json) {
        Json list = Json::array();
        for (const site::PlanProblem& p : problems)
            list.push_back({{"line", p.line}, {"text", p.text}});
        Json preview = Json::array();
        for (const site::RowPreview& p : previews) preview.push_back(previewJson(p));
        Json result;
        result["plan"] = args.plan;
        result["rows"] = plan.rows.size();
        result["ok"] = problems.empty();
        result["problems"] = list;
        result["preview"] = preview;
        std::cout << jsonText(result) << '\n';
    } else {
        // What a run would do first, the problems that stop it after, closest to the prompt.
        if (!previews.empty()) std::cout << "What a run will do:\n";
        for (const site::RowPreview& p : previews)
            std::cout << "  line " << p.line << ", " << p.controller << ": " << site::describe(p)
                      << '\n';
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
        "show what a run will do to each controller, and print every problem with its line; "
        "nothing is changed on any controller");
    check->add_option("PLAN", args->plan, "the plan file (CSV, see docs/site-plan.md)")->required();
    check->add_flag("--password-stdin", args->passwordStdin,
                    "read the network password of the site from the first line of stdin (used "
                    "only to look at the controllers that need it: partitions, what they run)");
    check->add_option("--report", args->report,
                      "the report the run will write (default: a new one beside the plan): "
                      "checked that it can be written");
    addMachineOption(*check, args->machineDir);
    check->callback([&options, args] {
        options.run = [&options, args] { return runSiteCheck(options, *args); };
    });
}

}  // namespace cli
