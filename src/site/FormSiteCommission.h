#pragma once
// The "Commission several controllers" dialog as a presentation model: rows from a plan or from
// the network search (the model and the revision chosen per row, for one row or several), what
// the run will do to each row's controller, a progress bar per row with its step, result and
// last message in the colour of its outcome, Start, Stop and Redo failed rows on the site run,
// the counts and the report. The check before Start and the search run on threads of their own
// with sessions of their own; their results, as the run's events, are taken on the window's
// thread at the poll timer's tick.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/CProgram.h"
#include "platform/secure/Sodium.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"
#include "site/Background.h"
#include "site/ControllerSteps.h"
#include "site/Plan.h"
#include "site/Report.h"
#include "site/RowPreview.h"

namespace app {
struct Program;
}

namespace site {

class RunLock;

class SiteRun;

// A controller the network search found.
struct FoundRow {
    std::string serial;
    std::string name;
    std::string address;  // where it answers: "IP, PLA:ELA"
    int modelNumber = 0;  // as it reports it; the catalogue's models carry the same number
};

struct SearchOutcome {
    std::vector<FoundRow> found;
    std::string problem;  // why the search could not go out at all; empty when it did
};

// What the dialog runs on: the real platform in the window, fakes in tests. `check` and
// `search` run off the window's thread: they bring their own sessions and touch nothing of the
// window's program.
struct CommissionServices {
    // The plan's check, reaching the network as the run will, with the site's password: its
    // problems, and what the run will do to each row's controller.
    std::function<PlanCheckResult(const Plan&, const secure::Secret&)> check;
    // The steps of one run with that password; the password lives as long as the factory.
    std::function<StepsFactory(const secure::Secret&)> steps;
    // The network search, without the password: it is proved only when a row connects.
    std::function<SearchOutcome()> search;
    // Reports of rows from the search go into its "site-reports" folder; Open… starts there.
    std::string machineDir;
    // Where the program's own files lie (the product, the program itself): a plan opened
    // from there gets its report in the machine folder, never beside it.
    std::vector<std::string> ownFolders;
    // How long closing the dialog waits for a check or search still running; after that it
    // ends unseen.
    std::chrono::milliseconds closeWait{3000};
};

// How a row stands in the last run; the colour of its bar and texts follows.
enum class RowState { Idle, Running, Succeeded, Failed, Cancelled, NotStarted };

// "14 succeeded, 2 failed" (only the outcomes that occur, in this order: succeeded, failed,
// cancelled, not started).
std::string countText(const Report& report);

// Where a run's report goes: beside the plan, unless the plan lies in one of `ownFolders` or its
// folder cannot be written; then (and for rows that no plan file holds, `planFile` empty) a new
// report in the machine folder's site-reports/. Nothing with `why` when neither can be.
std::optional<std::string> chooseReportPath(const std::string& planFile,
                                            const std::vector<std::string>& ownFolders,
                                            const std::string& machineDir,
                                            std::chrono::system_clock::time_point now,
                                            std::string& why);

class FormSiteCommission final : public ui::Form {
  public:
    // The columns of Rows.
    enum Column {
        ColLine,
        ColController,
        ColName,
        ColProgress,
        ColStep,
        ColResult,
        ColPreview,
        ColAddress,
        ColAddressAfter,
        ColNewAddress,
        ColModel,
        ColRevision,
        ColPartition,
        ColSettings,
        ColMessage,  // the last
    };

    FormSiteCommission(app::Program& program, CommissionServices services);
    ~FormSiteCommission() override;
    std::string formName() const override { return "FormSiteCommission"; }

    // ---- controls ----
    std::string Caption = "Commission several controllers";
    bool Visible = true;
    ui::Control LabelPlan;
    // See Column.
    ui::ListView Rows;
    // Every row selected (1-based, in order): a model, revision or partition chosen goes to
    // each. Rows.selected is the current one among them.
    std::vector<int> SelectedRows;
    std::vector<ui::ProgressBar> RowProgress;  // one per row of Rows, in its progress column
    std::vector<RowState> RowStates;           // one per row of Rows
    // The catalogue's models and the revisions of the one chosen, for the selected search row
    // (or every one with CheckEveryRow).
    ui::ListView Models, Revisions;
    ui::CheckBox CheckEveryRow;
    ui::Control LabelPartition;
    ui::TextBox TextPartition;  // empty: the one program partition the controller does not run
    ui::Control CmdRemove;
    ui::ListView Problems;  // line (row) and text of each problem found
    ui::Control LabelJobs;
    ui::TextBox TextJobs;  // controllers at once
    ui::Control LabelStatus;
    ui::Control CmdOpen, CmdSearch, CmdStart, CmdStop, CmdRedo, CmdClose;
    ui::Timer PollTimer;

    // Where the last run's report went; empty before.
    std::string ReportPath;
    // The folder Open… starts in: the machine folder, then the last plan's.
    std::string OpenFolder;

    // ---- event handlers ----
    // Open… has chosen a plan file: its rows replace the rows listed.
    void OpenPlan(const std::string& path);
    // The network search: the controllers found replace the rows listed.
    void CmdSearch_Click();
    void Rows_ItemClick(int row);
    // Several rows selected (1-based): a model, revision or partition chosen goes to each.
    void Rows_SelectRows(const std::vector<int>& rows);
    void Models_ItemClick(int row);
    void Revisions_ItemClick(int row);
    void CheckEveryRow_Click() { showChoice(); }
    void TextPartition_Change(const std::string& text);
    void CmdRemove_Click();
    void CmdStart_Click();
    void CmdStop_Click();
    // Selects the rows that did not succeed in the last run and runs them again; the report
    // then holds every row, each with its latest outcome.
    void CmdRedo_Click();
    void PollTimer_Timer();
    // Close, Escape and the close box: while a run is under way, asks whether to stop it; the
    // dialog closes once the report is written.
    void CmdClose_Click();

    bool running() const { return run_ != nullptr; }
    // A check or a search runs off the window's thread.
    bool waiting() const { return checking_.busy() || searching_.busy(); }
    void ShowDlg(ui::FormHost& owner);

  private:
    void showRows();
    void showRow(size_t row);
    void showState(size_t row, RowState state);
    void showPreviews(const std::vector<RowPreview>& previews);
    // Checks, then runs, the rows at these indices.
    void startRun(std::vector<size_t> rows);
    // The plan of the rows to run, their lines as in the whole plan.
    Plan planOf(const std::vector<size_t>& rows) const;
    void forgetLastRun();
    void showProblems(const std::vector<PlanProblem>& problems);
    void showChoice();
    // The rows a model or revision chosen goes to: every one, or the selected one.
    std::vector<size_t> chosenRows() const;
    const std::vector<catalogue::CProgram>& programsOf(const std::string& model);
    bool everyRowChosen();
    void setUiState();
    void takeCheck();
    void takeSearch();
    void finish();

    app::Program& program_;
    CommissionServices services_;
    Plan plan_;
    bool fromSearch_ = false;
    std::vector<FoundRow> found_;  // with the rows from the search, in their order
    std::map<std::string, std::vector<catalogue::CProgram>> programs_;  // by model name
    bool closeWhenEnded_ = false;
    // What the check was started with, for the run it allows.
    secure::Secret password_;
    int jobs_ = 0;
    Background<PlanCheckResult> checking_;
    // The rows the check and run are for (indices into plan_.rows), in the run's order.
    std::vector<size_t> runRows_;
    // Every row's latest outcome, once a run has ended; a redo updates its rows.
    std::optional<Report> lastReport_;
    Background<SearchOutcome> searching_;
    std::unique_ptr<SiteRun> run_;
    std::unique_ptr<RunLock> runLock_;
};

}  // namespace site
