#include "cli/SiteRunCommand.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>

#include "app/Program.h"
#include "cli/CommonArgs.h"
#include "cli/NetworkCommands.h"
#include "cli/Options.h"
#include "cli/SiteConsole.h"
#include "cli/StopSignals.h"
#include "operations/TerminalInput.h"
#include "platform/kvxglib/MachineConfig.h"
#include "site/PlanFile.h"
#include "site/Report.h"
#include "site/RunLock.h"
#include "site/SiteRun.h"
#include "site/SiteSteps.h"

namespace cli {
namespace {

constexpr auto kEventWait = std::chrono::milliseconds(200);

struct SiteRunArgs {
    std::string plan;
    int jobs = 8;
    std::string report;
    std::string onlyFailed;
    bool redo = false;  // --only-failed given, with a report or without one
    bool noBackup = false;
    bool noCompress = false;
    bool passwordStdin = false;
    std::string machineDir;
    bool yes = false;
};

void printProblems(const std::vector<site::PlanProblem>& problems, const std::string& plan) {
    for (const site::PlanProblem& problem : problems) {
        std::cerr << plan;
        if (problem.line > 0) std::cerr << ":" << problem.line;
        std::cerr << ": " << problem.text << '\n';
    }
}

// The one password of the site: from stdin when asked to, else at a prompt when a row is
// reached by its serial number and there is someone to type it; none otherwise. --yes asks
// nothing at all: a controller that wants a password then fails its row, saying so.
secure::Secret sitePassword(const SiteRunArgs& args, const site::Plan& plan) {
    if (args.passwordStdin) return passwordFromStdin();
    const bool byNetwork =
        std::any_of(plan.rows.begin(), plan.rows.end(),
                    [](const site::PlanRow& row) { return !row.serial.empty(); });
    if (!byNetwork || args.yes || isatty(STDIN_FILENO) == 0) return {};
    operations::TerminalInput input;
    return input.askPassword("Network password of the site (empty for none): ", "Network password")
        .value_or(secure::Secret());
}

bool confirmed(const SiteRunArgs& args, size_t rows) {
    if (args.yes) return true;
    if (isatty(STDIN_FILENO) == 0)
        throw UsageError{"without a terminal to ask, --yes confirms the run"};
    std::cerr << "Commission " << rows << " controller" << (rows == 1 ? "" : "s") << " from "
              << args.plan << "? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

// A load makes the module folder the process's current folder: every path of the run is
// made whole first, so that no worker's load moves another's files.
std::string whole(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).lexically_normal().string();
}

int runSite(SiteRunArgs args) {
    args.plan = whole(args.plan);
    args.report = whole(args.report);
    args.onlyFailed = whole(args.onlyFailed);
    args.machineDir =
        whole(args.machineDir.empty() ? kvxglib::machineDirFromEnvironment() : args.machineDir);
    std::vector<site::PlanProblem> problems;
    site::Plan plan = site::readPlan(args.plan, problems);
    if (!problems.empty()) {
        printProblems(problems, args.plan);
        std::cerr << "The plan has mistakes: nothing was sent.\n";
        return exitcode::Failed;
    }
    // Held until the process ends: a second run of this plan would work on the same
    // controllers at once.
    std::string why;
    const std::unique_ptr<site::RunLock> lock =
        site::RunLock::take(args.machineDir, args.plan, why);
    if (!lock) {
        std::cerr << "error: " << why << ": nothing was sent.\n";
        return exitcode::Failed;
    }
    if (args.redo) {
        if (args.onlyFailed.empty()) {
            const auto newest = site::newestReportOf(args.plan);
            if (!newest)
                throw UsageError{"no report of " + args.plan +
                                 " beside it: name the report to redo with --only-failed=REPORT"};
            args.onlyFailed = *newest;
        }
        const auto previous = site::readReport(args.onlyFailed, why);
        if (!previous) throw UsageError{why};
        // Another plan's report would name none of this plan's rows, and so "redo" nothing.
        if (!site::reportOfPlan(*previous, args.plan))
            throw UsageError{args.onlyFailed + " is the report of " + previous->plan + ", not of " +
                             args.plan + ": nothing was sent"};
        plan.rows = site::rowsToRedo(plan, *previous);
        if (plan.rows.empty()) {
            std::cout << "Every controller of " << args.onlyFailed << " succeeded: nothing to "
                      << "redo.\n";
            return exitcode::Ok;
        }
    }
    // Each run has a report of its own, so an earlier one (a rerun's rows that succeeded)
    // is never written over; it must be writable before any controller changes.
    std::string reportPath = args.report;
    if (reportPath.empty()) {
        const auto fresh =
            site::newReportBesidePlan(args.plan, std::chrono::system_clock::now(), why);
        if (fresh) reportPath = *fresh;
    }
    if (reportPath.empty() || !site::reportWritable(reportPath, why)) {
        std::cerr << "error: " << why << "\nNothing was sent.\n";
        return exitcode::Failed;
    }
    site::SiteSetup setup{args.machineDir, sitePassword(args, plan), nullptr};
    setup.compression = args.noCompress ? transfer::Compression::Off : transfer::Compression::Auto;
    // The check's one search serves every row.
    auto heard = std::make_shared<site::Sightings>();
    site::PlanCheckResult checked =
        site::checkSitePlanAndPreview(setup, plan, std::cerr, heard.get());
    problems = std::move(checked.problems);
    setup.sightings = heard;
    if (!problems.empty()) {
        printProblems(problems, args.plan);
        std::cerr << "The plan has mistakes: nothing was sent.\n";
        return exitcode::Failed;
    }
    // What is about to change, before the question: as the run's piped lines, row by row.
    for (const site::RowPreview& p : checked.previews)
        std::cout << p.controller << "\tpreview\t" << site::describe(p) << '\n';
    if (!confirmed(args, plan.rows.size())) {
        std::cerr << "Nothing was sent.\n";
        return exitcode::Failed;
    }

    // From here on Ctrl-C stops the run rather than the process, so that the report is written;
    // before, nothing was sent and it may end the process as usual.
    StopSignals signals;
    site::SiteRun run(plan, {.jobs = args.jobs, .backup = !args.noBackup},
                      [&setup](const site::PlanRow& row, site::RowContext& context) {
                          return std::make_unique<site::SiteSteps>(setup, row, context);
                      });
    SiteConsole console(std::cout, isatty(STDOUT_FILENO) != 0, plan);
    run.start();
    std::vector<site::SiteEvent> events;
    while (run.wait(events, kEventWait)) {
        console.show(events);
        events.clear();
        if (StopSignals::asked() && !run.cancelled()) {
            run.cancel();
            console.note(
                "Stopping: no further controller starts; the running ones stop at "
                "their next window.");
        }
    }
    console.summary(run.report());
    if (!site::writeReport(run.report(), reportPath, why)) {
        // Nothing is lost: the whole report goes to the terminal instead.
        std::cerr << "error: " << why << "\nThe report follows here instead:\n"
                  << site::reportCsv(run.report());
        return exitcode::Failed;
    }
    std::cout << "Report: " << reportPath << " and " << site::csvPathFor(reportPath) << '\n';
    return run.allSucceeded() ? exitcode::Ok : exitcode::Failed;
}

}  // namespace

void addSiteRunCommand(CLI::App& site, Options& options) {
    auto args = std::make_shared<SiteRunArgs>();
    CLI::App* run = site.add_subcommand(
        "run",
        "Check the plan, then commission its controllers: back up the settings, upgrade the "
        "operating system where needed, load, read back and compare, change the address, load "
        "the settings file; several at once; a report of every row");
    run->add_option("PLAN", args->plan, "the plan file (docs/site-plan.md)")->required();
    run->add_option("--jobs", args->jobs, "controllers at once (default 8)")
        ->check(CLI::Range(1, site::kMaxJobs));
    run->add_option(
        "--report", args->report,
        "the report's JSON file, its CSV beside it (default: a new one beside the plan, "
        "named by the UTC time)");
    CLI::Option* redo =
        run->add_option("--only-failed", args->onlyFailed,
                        "redo only the rows that did not succeed in this earlier report (without "
                        "one: the newest report of the plan)")
            ->expected(0, 1);
    run->add_flag("--no-backup", args->noBackup, "do not save each controller's settings first");
    addNoCompressFlag(*run, args->noCompress);
    run->add_flag("--password-stdin", args->passwordStdin,
                  "read the site's network password from the first line of stdin");
    addMachineOption(*run, args->machineDir);
    run->add_flag("--yes", args->yes, "run without asking first");
    run->callback([&options, args, redo] {
        args->redo = redo->count() > 0;
        options.run = [args] { return runSite(*args); };
    });
}

}  // namespace cli
