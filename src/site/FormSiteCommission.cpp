#include "site/FormSiteCommission.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/Program.h"
#include "platform/ui/InputBox.h"
#include "platform/ui/MessageBoxes.h"
#include "site/PlanFile.h"
#include "site/Report.h"
#include "site/SiteRun.h"

namespace site {
namespace {

// Columns of Rows.
enum Column { kController, kModel, kRevision, kProgress, kStep, kResult, kMessage };

// Short enough for the window to stay lively, long enough not to spin.
constexpr auto kPollWait = std::chrono::milliseconds(10);

ui::Control button(const std::string& caption, bool enabled = true) {
    ui::Control control;
    control.caption = caption;
    control.enabled = enabled;
    return control;
}

}  // namespace

FormSiteCommission::FormSiteCommission(app::Program& program, CommissionServices services)
    : program_(program), services_(std::move(services)) {
    LabelPlan.caption = "Open a plan file to list its controllers.";
    Rows.columns = {{"Controller", 1800}, {"Model", 1400},  {"Revision", 1100}, {"Progress", 1500},
                    {"Step", 1200},       {"Result", 1100}, {"Message", 3600}};
    Problems.columns = {{"Line", 600}, {"Problem", 8000}};
    Problems.visible = false;
    CmdOpen = button("Open…");
    CmdStart = button("Start", false);
    CmdStop = button("Stop", false);
    CmdClose = button("Close");
    PollTimer.intervalMs = 100;
}

FormSiteCommission::~FormSiteCommission() = default;

void FormSiteCommission::ShowDlg(ui::FormHost& owner) {
    Visible = true;
    owner.showModal(*this);
}

void FormSiteCommission::OpenPlan(const std::string& path) {
    if (running() || path.empty()) return;
    // A load changes the process's current folder: the plan and the files it names are
    // taken whole before any row runs.
    const std::string whole = std::filesystem::absolute(path).lexically_normal().string();
    std::vector<PlanProblem> problems;
    plan_ = readPlan(whole, problems);
    ReportPath.clear();
    LabelPlan.caption = whole;
    showRows();
    showProblems(problems);
    if (!problems.empty()) plan_.rows.clear();
    LabelStatus.caption = problems.empty() ? std::to_string(plan_.rows.size()) + " controllers"
                                           : "The plan has mistakes: mend them and open it again.";
    setUiState();
}

void FormSiteCommission::showRows() {
    Rows.items.clear();
    Rows.selected = 0;
    RowProgress.assign(plan_.rows.size(), ui::ProgressBar{});
    for (const PlanRow& row : plan_.rows) {
        Rows.items.push_back({rowController(row), {row.model, row.revision, "", "", "", ""}, 0});
    }
}

void FormSiteCommission::showProblems(const std::vector<PlanProblem>& problems) {
    Problems.items.clear();
    for (const PlanProblem& problem : problems) {
        Problems.items.push_back(
            {problem.line > 0 ? std::to_string(problem.line) : "", {problem.text}, 0});
    }
    Problems.visible = !problems.empty();
}

void FormSiteCommission::CmdStart_Click() {
    if (running() || plan_.rows.empty()) return;
    // One password for the site, asked only when a row is reached over the network; it lives
    // in the run's steps and goes with them.
    secure::Secret password;
    const bool byNetwork = std::any_of(plan_.rows.begin(), plan_.rows.end(),
                                       [](const PlanRow& row) { return !row.serial.empty(); });
    if (byNetwork && program_.platform.input != nullptr) {
        auto typed = program_.platform.input->askPassword(
            "Network password of the site (empty for none):", "Network password");
        if (!typed) return;
        password = std::move(*typed);
    }
    LabelStatus.caption = "Checking the plan…";
    const std::vector<PlanProblem> problems = services_.check(plan_, password);
    showProblems(problems);
    if (!problems.empty()) {
        LabelStatus.caption = "The plan has mistakes: nothing was sent.";
        return;
    }
    showRows();
    ReportPath.clear();
    closeWhenEnded_ = false;
    run_ = std::make_unique<SiteRun>(plan_, SiteOptions{.jobs = services_.jobs},
                                     services_.steps(password));
    run_->start();
    LabelStatus.caption = "Running…";
    setUiState();
}

void FormSiteCommission::CmdStop_Click() {
    if (!running() || run_->cancelled()) return;
    run_->cancel();
    LabelStatus.caption =
        "Stopping: no further controller starts; the running ones stop at their next window.";
    setUiState();
}

void FormSiteCommission::PollTimer_Timer() {
    if (!running()) return;
    std::vector<SiteEvent> events;
    const bool more = run_->wait(events, kPollWait);
    for (const SiteEvent& event : events) {
        if (event.row >= Rows.items.size()) continue;
        std::vector<std::string>& columns = Rows.items[event.row].subItems;
        if (event.step == "done") {
            columns[kResult - 1] = event.message;
            RowProgress[event.row].value = 1.0;
            continue;
        }
        columns[kStep - 1] = event.step;
        if (event.percent >= 0) RowProgress[event.row].value = event.percent / 100.0;
        if (!event.message.empty()) columns[kMessage - 1] = event.message;
    }
    if (!more) finish();
}

void FormSiteCommission::finish() {
    const Report& report = run_->report();
    const std::string path = reportBesidePlan(plan_.file);
    std::string why;
    if (writeReport(report, path, why)) {
        ReportPath = path;
        LabelStatus.caption = (run_->allSucceeded() ? "Every controller succeeded. " : "") +
                              std::string("Report: ") + path + " and " + csvPathFor(path);
    } else {
        // The rows stay on the screen with every result.
        LabelStatus.caption = "The report was not written: " + why;
    }
    // The run and the password its steps held go now.
    run_.reset();
    setUiState();
    if (closeWhenEnded_) Visible = false;
}

void FormSiteCommission::CmdClose_Click() {
    if (!running()) {
        Visible = false;
        return;
    }
    // The report is still written: the dialog closes once the running rows have stopped.
    closeWhenEnded_ = true;
    CmdStop_Click();
}

void FormSiteCommission::setUiState() {
    const bool busy = running();
    CmdOpen.enabled = !busy;
    CmdStart.enabled = !busy && !plan_.rows.empty();
    CmdStop.enabled = busy && !run_->cancelled();
    PollTimer.enabled = busy;
}

}  // namespace site
