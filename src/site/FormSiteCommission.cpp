#include "site/FormSiteCommission.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>

#include "app/Program.h"
#include "catalogue/CatalogueFiles.h"
#include "platform/ui/InputBox.h"
#include "platform/ui/MessageBoxes.h"
#include "site/PlanFile.h"
#include "site/Report.h"
#include "site/SiteRun.h"

namespace site {
namespace {

// Columns of Rows.
enum Column {
    kController,
    kName,
    kAddress,
    kModel,
    kRevision,
    kPartition,
    kProgress,
    kStep,
    kResult,
    kMessage
};

// Short enough for the window to stay lively, long enough not to spin.
constexpr auto kPollWait = std::chrono::milliseconds(10);

ui::Control button(const std::string& caption, bool enabled = true) {
    ui::Control control;
    control.caption = caption;
    control.enabled = enabled;
    return control;
}

bool validRow(int row, size_t count) { return row >= 1 && static_cast<size_t>(row) <= count; }

std::string partitionText(int partition) { return partition == 0 ? "" : std::to_string(partition); }

}  // namespace

FormSiteCommission::FormSiteCommission(app::Program& program, CommissionServices services)
    : program_(program),
      services_(std::move(services)),
      checking_(services_.closeWait),
      searching_(services_.closeWait) {
    LabelPlan.caption = "Open a plan file, or search the network, to list the controllers.";
    Rows.columns = {{"Controller", 1800}, {"Name", 1400},     {"Address", 1800},  {"Model", 2400},
                    {"Revision", 1100},   {"Partition", 900}, {"Progress", 1500}, {"Step", 1200},
                    {"Result", 1100},     {"Message", 3600}};
    Models.columns = {{"Model", 3600}};
    for (const catalogue::CModel& model : program_.catalogue.ModelList)
        Models.items.push_back({model.Name, {}, 0});
    Revisions.columns = {{"Revision", 1100}, {"Program", 3600}};
    CheckEveryRow.caption = "Every row";
    LabelPartition.caption = "Partition:";
    LabelPartition.toolTip = TextPartition.toolTip =
        "The flash partition to load into, 1..255; empty: the one program partition the "
        "controller does not run";
    CmdRemove = button("Remove", false);
    Problems.columns = {{"Line", 600}, {"Problem", 8000}};
    Problems.visible = false;
    LabelJobs.caption = "Controllers at once:";
    TextJobs.text = std::to_string(SiteOptions{}.jobs);
    CmdOpen = button("Open…");
    CmdSearch = button("Search");
    CmdStart = button("Start", false);
    CmdStop = button("Stop", false);
    CmdClose = button("Close");
    PollTimer.intervalMs = 100;
    setUiState();
}

FormSiteCommission::~FormSiteCommission() = default;

void FormSiteCommission::ShowDlg(ui::FormHost& owner) {
    Visible = true;
    owner.showModal(*this);
}

void FormSiteCommission::OpenPlan(const std::string& path) {
    if (running() || waiting() || path.empty()) return;
    // A load changes the process's current folder: the plan and the files it names are
    // taken whole before any row runs.
    const std::string whole = std::filesystem::absolute(path).lexically_normal().string();
    std::vector<PlanProblem> problems;
    plan_ = readPlan(whole, problems);
    fromSearch_ = false;
    found_.clear();
    ReportPath.clear();
    LabelPlan.caption = whole;
    showRows();
    showProblems(problems);
    if (!problems.empty()) plan_.rows.clear();
    LabelStatus.caption = problems.empty() ? std::to_string(plan_.rows.size()) + " controllers"
                                           : "The plan has mistakes: mend them and open it again.";
    setUiState();
}

void FormSiteCommission::CmdSearch_Click() {
    if (running() || waiting() || !services_.search) return;
    // The rows of a plan and the rows found never mix in one run.
    plan_ = Plan{};
    fromSearch_ = true;
    found_.clear();
    ReportPath.clear();
    LabelPlan.caption = "Controllers found on the network";
    showRows();
    showProblems({});
    LabelStatus.caption = "Searching…";
    searching_.start(services_.search);
    setUiState();
}

void FormSiteCommission::takeSearch() {
    auto outcome = searching_.take(kPollWait);
    if (!outcome) return;
    setUiState();
    if (!Visible) return;  // closed while it ran
    if (!outcome->value) {
        LabelStatus.caption = "The search failed: " + outcome->error;
        return;
    }
    if (!outcome->value->problem.empty()) {
        LabelStatus.caption = "No controllers could be searched for: " + outcome->value->problem;
        return;
    }
    found_ = std::move(outcome->value->found);
    const auto& models = program_.catalogue.ModelList;
    for (size_t i = 0; i < found_.size(); ++i) {
        PlanRow row;
        row.line = static_cast<int>(i) + 1;
        row.serial = found_[i].serial;
        // The model the controller reports, when exactly one of the catalogue has its number;
        // the revision is always the engineer's choice.
        const auto same = [&](const catalogue::CModel& m) {
            return static_cast<long>(m.Model) == found_[i].modelNumber;
        };
        if (std::count_if(models.begin(), models.end(), same) == 1)
            row.model = std::find_if(models.begin(), models.end(), same)->Name;
        plan_.rows.push_back(row);
    }
    showRows();
    LabelStatus.caption =
        found_.empty() ? "No controller answered on the network."
                       : std::to_string(found_.size()) +
                             " controllers found: choose the model and the revision of each row "
                             "(or of every row at once).";
    setUiState();
}

void FormSiteCommission::showRows() {
    Rows.items.clear();
    Rows.selected = 0;
    RowProgress.assign(plan_.rows.size(), ui::ProgressBar{});
    for (size_t i = 0; i < plan_.rows.size(); ++i) {
        const PlanRow& row = plan_.rows[i];
        const bool found = fromSearch_ && i < found_.size();
        Rows.items.push_back(
            {rowController(row),
             {found ? found_[i].name : "", found ? found_[i].address : "", row.model, row.revision,
              partitionText(row.partition), "", "", "", ""},
             0});
    }
}

void FormSiteCommission::showRow(size_t row) {
    std::vector<std::string>& columns = Rows.items.at(row).subItems;
    columns[kModel - 1] = plan_.rows[row].model;
    columns[kRevision - 1] = plan_.rows[row].revision;
    columns[kPartition - 1] = partitionText(plan_.rows[row].partition);
}

void FormSiteCommission::showProblems(const std::vector<PlanProblem>& problems) {
    Problems.columns[0].header = fromSearch_ ? "Row" : "Line";
    Problems.items.clear();
    for (const PlanProblem& problem : problems) {
        Problems.items.push_back(
            {problem.line > 0 ? std::to_string(problem.line) : "", {problem.text}, 0});
    }
    Problems.visible = !problems.empty();
}

void FormSiteCommission::Rows_ItemClick(int row) {
    if (!validRow(row, Rows.items.size())) return;
    Rows.selected = row;
    setUiState();
}

std::vector<size_t> FormSiteCommission::chosenRows() const {
    if (!fromSearch_) return {};
    std::vector<size_t> rows;
    if (CheckEveryRow.value) {
        for (size_t i = 0; i < plan_.rows.size(); ++i) rows.push_back(i);
    } else if (validRow(Rows.selected, plan_.rows.size())) {
        rows.push_back(static_cast<size_t>(Rows.selected) - 1);
    }
    return rows;
}

const std::vector<catalogue::CProgram>& FormSiteCommission::programsOf(const std::string& model) {
    if (const auto known = programs_.find(model); known != programs_.end()) return known->second;
    // Read apart from the window's catalogue, whose selection stays as the engineer left it.
    const catalogue::Catalogue& cat = program_.catalogue;
    for (const catalogue::CModel& m : cat.ModelList)
        if (m.Name == model)
            return programs_[model] = catalogue::ProgramsOfModel(program_.platform.glib, cat, m);
    return programs_[model];
}

void FormSiteCommission::showChoice() {
    const bool choosing = fromSearch_ && !running() && !waiting() && !plan_.rows.empty();
    Models.enabled = choosing;
    Revisions.enabled = choosing;
    CheckEveryRow.enabled = choosing;
    TextPartition.enabled = choosing;
    CmdRemove.enabled = choosing && validRow(Rows.selected, plan_.rows.size());
    Models.selected = 0;
    Revisions.clear();
    TextPartition.text.clear();
    const std::vector<size_t> rows = chosenRows();
    if (!choosing || rows.empty()) return;
    // The first row chosen shows its choice.
    const PlanRow& first = plan_.rows[rows.front()];
    TextPartition.text = partitionText(first.partition);
    for (size_t m = 0; m < Models.items.size(); ++m)
        if (Models.items[m].text == first.model) Models.selected = static_cast<int>(m) + 1;
    if (Models.selected == 0) return;
    for (const catalogue::CProgram& p : programsOf(first.model)) {
        Revisions.items.push_back({p.Revision, {p.Name}, 0});
        if (p.Revision == first.revision)
            Revisions.selected = static_cast<int>(Revisions.items.size());
    }
}

void FormSiteCommission::Models_ItemClick(int row) {
    if (!Models.enabled || !validRow(row, Models.items.size())) return;
    const std::vector<size_t> rows = chosenRows();
    if (rows.empty()) {
        LabelStatus.caption = "Select a row first, or tick Every row.";
        return;
    }
    const std::string& model = Models.items[static_cast<size_t>(row) - 1].text;
    for (size_t r : rows) {
        PlanRow& planRow = plan_.rows[r];
        if (planRow.model == model) continue;
        // A revision belongs to its model.
        planRow.model = model;
        planRow.revision.clear();
        showRow(r);
    }
    showChoice();
}

void FormSiteCommission::Revisions_ItemClick(int row) {
    if (!Revisions.enabled || !validRow(row, Revisions.items.size())) return;
    const std::string model = Models.selectedText();
    const std::string& revision = Revisions.items[static_cast<size_t>(row) - 1].text;
    // Only rows of the model the list belongs to.
    for (size_t r : chosenRows()) {
        if (plan_.rows[r].model != model) continue;
        plan_.rows[r].revision = revision;
        showRow(r);
    }
    Revisions.selected = row;
}

void FormSiteCommission::TextPartition_Change(const std::string& text) {
    TextPartition.text = text;
    if (!TextPartition.enabled) return;
    int partition = 0;
    if (!text.empty() && !parseNumber(text, 1, 255, partition)) {
        LabelStatus.caption =
            "A partition is a number from 1 to 255 (empty: the one program partition the "
            "controller does not run).";
        return;
    }
    const std::vector<size_t> rows = chosenRows();
    if (rows.empty()) {
        LabelStatus.caption = "Select a row first, or tick Every row.";
        return;
    }
    for (size_t r : rows) {
        plan_.rows[r].partition = partition;
        showRow(r);
    }
}

void FormSiteCommission::CmdRemove_Click() {
    if (!CmdRemove.enabled || !fromSearch_ || !validRow(Rows.selected, plan_.rows.size())) return;
    const auto at = static_cast<size_t>(Rows.selected) - 1;
    plan_.rows.erase(plan_.rows.begin() + static_cast<std::ptrdiff_t>(at));
    if (at < found_.size()) found_.erase(found_.begin() + static_cast<std::ptrdiff_t>(at));
    // Problems name rows by their number in the list.
    for (size_t i = 0; i < plan_.rows.size(); ++i) plan_.rows[i].line = static_cast<int>(i) + 1;
    showRows();
    showProblems({});
    setUiState();
}

bool FormSiteCommission::everyRowChosen() {
    std::vector<PlanProblem> missing;
    for (size_t i = 0; i < plan_.rows.size(); ++i) {
        const PlanRow& row = plan_.rows[i];
        if (!row.model.empty() && !row.revision.empty()) continue;
        const std::string text =
            row.model.empty() ? "choose its model and revision" : "choose its revision";
        missing.push_back({row.line, rowController(row) + ": " + text + ", or remove the row"});
        Rows.items[i].subItems[kMessage - 1] = text;
    }
    showProblems(missing);
    return missing.empty();
}

void FormSiteCommission::CmdStart_Click() {
    if (running() || waiting() || plan_.rows.empty()) return;
    int jobs = 0;
    if (!parseNumber(TextJobs.text, 1, kMaxJobs, jobs)) {
        LabelStatus.caption = "Controllers at once: a number from 1 to " +
                              std::to_string(kMaxJobs) + ", not \"" + TextJobs.text + "\".";
        return;
    }
    if (fromSearch_ && !everyRowChosen()) {
        LabelStatus.caption = "Every row needs a model and a revision: nothing was sent.";
        return;
    }
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
    showProblems({});
    password_ = password;
    jobs_ = jobs;
    LabelStatus.caption = "Checking the plan…";
    // The check reaches the network: off the window's thread, on the plan as it is now.
    checking_.start(
        [check = services_.check, plan = plan_, password] { return check(plan, password); });
    setUiState();
}

void FormSiteCommission::takeCheck() {
    auto outcome = checking_.take(kPollWait);
    if (!outcome) return;
    // Nothing more needs the password but the run.
    const secure::Secret password = std::move(password_);
    setUiState();
    if (!Visible) return;  // closed while it ran: nothing starts
    const std::vector<PlanProblem> problems =
        outcome->value
            ? *outcome->value
            : std::vector<PlanProblem>{{0, "the check could not run: " + outcome->error}};
    showProblems(problems);
    if (!problems.empty()) {
        LabelStatus.caption = "The plan has mistakes: nothing was sent.";
        return;
    }
    showRows();
    ReportPath.clear();
    closeWhenEnded_ = false;
    run_ = std::make_unique<SiteRun>(plan_, SiteOptions{.jobs = jobs_}, services_.steps(password));
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
    if (searching_.busy()) takeSearch();
    if (checking_.busy()) takeCheck();
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
    std::string why;
    // Rows from the search have no plan to lie beside: their report goes into the machine
    // folder, a new file for every run.
    const std::optional<std::string> path =
        fromSearch_
            ? reportInMachineFolder(services_.machineDir, program_.platform.clock.timeOfDay(), why)
            : std::optional<std::string>(reportBesidePlan(plan_.file));
    if (path && writeReport(report, *path, why)) {
        ReportPath = *path;
        LabelStatus.caption = (run_->allSucceeded() ? "Every controller succeeded. " : "") +
                              std::string("Report: ") + *path + " and " + csvPathFor(*path);
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
        // A check or search still running ends unseen.
        Visible = false;
        return;
    }
    // The report is still written: the dialog closes once the running rows have stopped.
    closeWhenEnded_ = true;
    CmdStop_Click();
}

void FormSiteCommission::setUiState() {
    const bool busy = running() || waiting();
    CmdOpen.enabled = !busy;
    CmdSearch.enabled = !busy && static_cast<bool>(services_.search);
    CmdStart.enabled = !busy && !plan_.rows.empty();
    CmdStop.enabled = running() && !run_->cancelled();
    TextJobs.enabled = !busy;
    LabelJobs.enabled = !busy;
    PollTimer.enabled = busy;
    showChoice();
}

}  // namespace site
