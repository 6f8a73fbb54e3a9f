#include "site/FormSiteCommission.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/Program.h"
#include "catalogue/CatalogueFiles.h"
#include "platform/ui/InputBox.h"
#include "platform/ui/MessageBoxes.h"
#include "site/PlanFile.h"
#include "site/Report.h"
#include "site/SiteRun.h"
#include "site/RunLock.h"

namespace site {
namespace {

using Col = FormSiteCommission::Column;

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

std::string optionalAddress(const std::optional<StationAddress>& address) {
    return address ? addressText(*address) : "";
}

// A cell of Rows by its column (the first is the item's text).
std::string& cell(ui::ListItem& item, Col column) {
    return column == Col::ColLine ? item.text : item.subItems.at(column - 1);
}

RowState stateOf(RowResult result) {
    switch (result) {
        case RowResult::Succeeded:
            return RowState::Succeeded;
        case RowResult::Failed:
            return RowState::Failed;
        case RowResult::Cancelled:
            return RowState::Cancelled;
        case RowResult::NotStarted:
            break;
    }
    return RowState::NotStarted;
}

bool inside(const std::filesystem::path& path, const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code error;
    auto whole = std::filesystem::weakly_canonical(folder, error);
    if (error) return false;
    if (whole.filename().empty()) whole = whole.parent_path();  // a trailing slash
    const auto [end, unused] = std::mismatch(whole.begin(), whole.end(), path.begin(), path.end());
    (void)unused;
    return end == whole.end();
}

// Whether a new file can be made in `folder`, tried rather than guessed from its mode.
bool canWriteIn(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return false;
    const auto probe = folder / (".krelvan-write-test-" + std::to_string(::getpid()));
    std::ofstream(probe.string()).close();
    const bool made = std::filesystem::exists(probe, error);
    std::filesystem::remove(probe, error);
    return made;
}

}  // namespace

std::string countText(const Report& report) {
    const RowResult order[] = {RowResult::Succeeded, RowResult::Failed, RowResult::Cancelled,
                               RowResult::NotStarted};
    std::string text;
    for (RowResult result : order) {
        const auto count =
            std::count_if(report.rows.begin(), report.rows.end(),
                          [result](const auto& row) { return row.result == result; });
        if (count == 0) continue;
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + resultText(result);
    }
    return text;
}

std::optional<std::string> chooseReportPath(const std::string& planFile,
                                            const std::vector<std::string>& ownFolders,
                                            const std::string& machineDir,
                                            std::chrono::system_clock::time_point now,
                                            std::string& why) {
    if (!planFile.empty()) {
        std::error_code error;
        const auto plan = std::filesystem::weakly_canonical(planFile, error);
        const bool own = std::any_of(ownFolders.begin(), ownFolders.end(),
                                     [&plan](const std::string& f) { return inside(plan, f); });
        // A report of the run's own: an earlier run's is never written over.
        if (!error && !own && canWriteIn(plan.parent_path()))
            if (auto beside = newReportBesidePlan(planFile, now, why)) return beside;
    }
    return reportInMachineFolder(machineDir, now, why);
}

FormSiteCommission::FormSiteCommission(app::Program& program, CommissionServices services)
    : program_(program),
      services_(std::move(services)),
      checking_(services_.closeWait),
      searching_(services_.closeWait) {
    LabelPlan.caption = "Open a plan file, or search the network, to list the controllers.";
    // The outcome first, then what the run does, then the plan; each column as wide as its
    // widest text, these widths being the least.
    Rows.columns = {{"Line", 0},
                    {"Controller", 0},
                    {"Name", 0},
                    {"Progress", 1500},
                    {"Step", 0},
                    {"Result", 0},
                    {"What the run does", 0},
                    {"Address", 0},
                    {"Address after", 0},
                    {"New address", 0},
                    {"Model", 0},
                    {"Revision", 0},
                    {"Partition", 0},
                    {"Settings", 0},
                    {"Message", 0}};

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
    Problems.columns = {{"Line", 600}, {"Problem", 0}};
    Problems.visible = false;
    LabelJobs.caption = "Controllers at once:";
    TextJobs.text = std::to_string(SiteOptions{}.jobs);
    CmdOpen = button("Open…");
    CmdSearch = button("Search");
    CmdStart = button("Start", false);
    CmdStop = button("Stop", false);
    CmdRedo = button("Redo failed rows", false);
    CmdRedo.toolTip = "Runs again the rows that did not succeed in the last run";
    CmdClose = button("Close");
    OpenFolder = services_.machineDir;
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
    forgetLastRun();
    OpenFolder = std::filesystem::path(whole).parent_path().string();
    LabelPlan.caption = LabelPlan.toolTip = whole;
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
    forgetLastRun();
    LabelPlan.caption = "Controllers found on the network";
    LabelPlan.toolTip.clear();
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
    SelectedRows.clear();
    RowProgress.assign(plan_.rows.size(), ui::ProgressBar{});
    RowStates.assign(plan_.rows.size(), RowState::Idle);
    for (size_t i = 0; i < plan_.rows.size(); ++i) {
        const PlanRow& row = plan_.rows[i];
        const bool found = fromSearch_ && i < found_.size();
        ui::ListItem item;
        item.text = std::to_string(row.line);
        item.subItems.assign(ColMessage, "");
        cell(item, ColController) = rowController(row);
        cell(item, ColName) = found ? found_[i].name : "";
        cell(item, ColAddress) = found ? found_[i].address : optionalAddress(row.address);
        cell(item, ColNewAddress) = optionalAddress(row.newAddress);
        cell(item, ColSettings) = std::filesystem::path(row.settingsFile).filename().string();
        Rows.items.push_back(std::move(item));
        showRow(i);
    }
}

void FormSiteCommission::showRow(size_t row) {
    ui::ListItem& item = Rows.items.at(row);
    cell(item, ColModel) = plan_.rows[row].model;
    cell(item, ColRevision) = plan_.rows[row].revision;
    cell(item, ColPartition) = partitionText(plan_.rows[row].partition);
}

void FormSiteCommission::showState(size_t row, RowState state) {
    RowStates.at(row) = state;
    // A row that never started shows an empty bar; one stopped halfway keeps where it was.
    if (state == RowState::Succeeded) RowProgress[row].value = 1.0;
    if (state == RowState::NotStarted || state == RowState::Idle) RowProgress[row].value = 0.0;
}

void FormSiteCommission::showPreviews(const std::vector<RowPreview>& previews) {
    for (size_t i = 0; i < previews.size() && i < runRows_.size(); ++i) {
        ui::ListItem& item = Rows.items.at(runRows_[i]);
        cell(item, ColPreview) = describe(previews[i]);
        if (cell(item, ColAddress).empty())
            cell(item, ColAddress) = optionalAddress(previews[i].addressFrom);
    }
}

void FormSiteCommission::forgetLastRun() {
    ReportPath.clear();
    lastReport_.reset();
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
    // A click on a row outside the selection selects it alone.
    if (std::find(SelectedRows.begin(), SelectedRows.end(), row) == SelectedRows.end())
        SelectedRows = {row};
    setUiState();
}

void FormSiteCommission::Rows_SelectRows(const std::vector<int>& rows) {
    SelectedRows.clear();
    for (int row : rows)
        if (validRow(row, Rows.items.size())) SelectedRows.push_back(row);
    std::sort(SelectedRows.begin(), SelectedRows.end());
    SelectedRows.erase(std::unique(SelectedRows.begin(), SelectedRows.end()), SelectedRows.end());
    if (std::find(SelectedRows.begin(), SelectedRows.end(), Rows.selected) == SelectedRows.end())
        Rows.selected = SelectedRows.empty() ? 0 : SelectedRows.front();
    setUiState();
}

std::vector<size_t> FormSiteCommission::chosenRows() const {
    if (!fromSearch_) return {};
    std::vector<size_t> rows;
    if (CheckEveryRow.value) {
        for (size_t i = 0; i < plan_.rows.size(); ++i) rows.push_back(i);
    } else if (!SelectedRows.empty()) {
        for (int row : SelectedRows)
            if (validRow(row, plan_.rows.size())) rows.push_back(static_cast<size_t>(row) - 1);
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
    forgetLastRun();
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
        cell(Rows.items[i], ColMessage) = text;
    }
    showProblems(missing);
    return missing.empty();
}

void FormSiteCommission::CmdStart_Click() {
    std::vector<size_t> rows(plan_.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
    startRun(std::move(rows));
}

void FormSiteCommission::CmdRedo_Click() {
    if (!CmdRedo.enabled || !lastReport_) return;
    std::vector<size_t> rows;
    for (size_t i = 0; i < lastReport_->rows.size() && i < plan_.rows.size(); ++i)
        if (lastReport_->rows[i].result != RowResult::Succeeded) rows.push_back(i);
    if (rows.empty()) return;
    // The rows it redoes are the ones selected, for the engineer to see.
    std::vector<int> selected;
    for (size_t r : rows) selected.push_back(static_cast<int>(r) + 1);
    Rows_SelectRows(selected);
    startRun(std::move(rows));
}

Plan FormSiteCommission::planOf(const std::vector<size_t>& rows) const {
    Plan plan;
    plan.file = plan_.file;
    for (size_t r : rows) plan.rows.push_back(plan_.rows[r]);
    return plan;
}

void FormSiteCommission::startRun(std::vector<size_t> rows) {
    if (running() || waiting() || rows.empty()) return;
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
    const Plan plan = planOf(rows);
    // One password for the site, asked only when a row is reached over the network; it lives
    // in the run's steps and goes with them.
    secure::Secret password;
    const bool byNetwork = std::any_of(plan.rows.begin(), plan.rows.end(),
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
    runRows_ = std::move(rows);
    LabelStatus.caption = "Checking the plan…";
    // The check reaches the network: off the window's thread, on the plan as it is now.
    checking_.start([check = services_.check, plan, password] { return check(plan, password); });
    setUiState();
}

void FormSiteCommission::takeCheck() {
    auto outcome = checking_.take(kPollWait);
    if (!outcome) return;
    // Nothing more needs the password but the run.
    const secure::Secret password = std::move(password_);
    setUiState();
    if (!Visible) return;  // closed while it ran: nothing starts
    const PlanCheckResult checked =
        outcome->value ? *outcome->value
                       : PlanCheckResult{{{0, "the check could not run: " + outcome->error}}, {}};
    showProblems(checked.problems);
    if (!checked.problems.empty()) {
        LabelStatus.caption = "The plan has mistakes: nothing was sent.";
        return;
    }
    for (size_t r : runRows_) {
        ui::ListItem& item = Rows.items.at(r);
        for (Col column : {ColStep, ColResult, ColAddressAfter, ColMessage})
            cell(item, column).clear();
        showState(r, RowState::Idle);
    }
    showPreviews(checked.previews);
    // What each row will get is on the screen before anything is sent.
    const std::string count = std::to_string(runRows_.size());
    if (program_.platform.glib.AskQuestion(
            "Commission " + count + (runRows_.size() == 1 ? " controller" : " controllers") +
                " as the rows show? Nothing has been sent yet.",
            0, Caption, ui::buttons::YesNo) != ui::answer::Yes) {
        LabelStatus.caption = "Nothing was sent.";
        return;
    }
    // One run of a plan at a time, from this window or the command line.
    if (!fromSearch_ && !plan_.file.empty()) {
        std::string why;
        runLock_ = RunLock::take(services_.machineDir, plan_.file, why);
        if (!runLock_) {
            LabelStatus.caption = why + ": nothing was sent.";
            return;
        }
    }
    ReportPath.clear();
    closeWhenEnded_ = false;
    run_ = std::make_unique<SiteRun>(planOf(runRows_), SiteOptions{.jobs = jobs_},
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
    if (searching_.busy()) takeSearch();
    if (checking_.busy()) takeCheck();
    if (!running()) return;
    std::vector<SiteEvent> events;
    const bool more = run_->wait(events, kPollWait);
    for (const SiteEvent& event : events) {
        if (event.row >= runRows_.size()) continue;
        const size_t row = runRows_[event.row];
        ui::ListItem& item = Rows.items.at(row);
        if (event.step == "done") {
            // The row's entry is complete once its end was posted.
            const RowResult result = run_->report().rows.at(event.row).result;
            cell(item, ColResult) = resultText(result);
            if (result == RowResult::NotStarted) cell(item, ColMessage) = event.message;
            showState(row, stateOf(result));
            continue;
        }
        if (RowStates[row] != RowState::Running) showState(row, RowState::Running);
        cell(item, ColStep) = event.step;
        if (event.percent >= 0) RowProgress[row].value = event.percent / 100.0;
        if (!event.message.empty()) cell(item, ColMessage) = event.message;
    }
    if (!more) finish();
}

void FormSiteCommission::finish() {
    // Every row's latest outcome: a redo updates only its rows.
    const Report& ran = run_->report();
    if (!lastReport_ || lastReport_->rows.size() != plan_.rows.size()) {
        lastReport_ = Report{plan_.file, false, {}};
        for (const PlanRow& row : plan_.rows) lastReport_->rows.push_back(reportFor(row));
    }
    lastReport_->interrupted = ran.interrupted;
    for (size_t i = 0; i < ran.rows.size() && i < runRows_.size(); ++i) {
        const ControllerReport& entry = ran.rows[i];
        lastReport_->rows[runRows_[i]] = entry;
        ui::ListItem& item = Rows.items.at(runRows_[i]);
        if (!entry.name.empty()) cell(item, ColName) = entry.name;
        if (cell(item, ColAddress).empty()) cell(item, ColAddress) = entry.addressBefore;
        cell(item, ColAddressAfter) = entry.addressAfter;
    }
    std::string why;
    const std::optional<std::string> path =
        chooseReportPath(fromSearch_ ? "" : plan_.file, services_.ownFolders, services_.machineDir,
                         program_.platform.clock.timeOfDay(), why);
    const std::string counts = countText(*lastReport_);
    if (path && writeReport(*lastReport_, *path, why)) {
        ReportPath = *path;
        LabelStatus.caption = counts + ", report: " + *path + " and " + csvPathFor(*path);
    } else {
        // The rows stay on the screen with every result.
        LabelStatus.caption = counts + "; the report was not written: " + why;
    }
    // The run and the password its steps held go now, and the plan is free for another run.
    run_.reset();
    runLock_.reset();
    setUiState();
    if (closeWhenEnded_) Visible = false;
}

void FormSiteCommission::CmdClose_Click() {
    if (!running()) {
        // A check or search still running ends unseen.
        Visible = false;
        return;
    }
    // Once stopping, closing needs no second question.
    if (!run_->cancelled() &&
        program_.platform.glib.AskQuestion(
            "A run is under way. Stop it and close once the running controllers have stopped? "
            "The report is still written.",
            0, Caption, ui::buttons::YesNo | ui::buttons::SecondDefault) != ui::answer::Yes)
        return;
    // The run may have ended while the question was up.
    if (!running()) {
        Visible = false;
        return;
    }
    closeWhenEnded_ = true;
    CmdStop_Click();
}

void FormSiteCommission::setUiState() {
    const bool busy = running() || waiting();
    CmdOpen.enabled = !busy;
    CmdSearch.enabled = !busy && static_cast<bool>(services_.search);
    CmdStart.enabled = !busy && !plan_.rows.empty();
    CmdStop.enabled = running() && !run_->cancelled();
    CmdRedo.enabled =
        !busy && lastReport_ &&
        std::any_of(lastReport_->rows.begin(), lastReport_->rows.end(),
                    [](const ControllerReport& row) { return row.result != RowResult::Succeeded; });
    TextJobs.enabled = !busy;
    LabelJobs.enabled = !busy;
    PollTimer.enabled = busy;
    showChoice();
}

}  // namespace site
