#pragma once
// The "Commission several controllers" dialog as a presentation model: rows from a plan or from
// the network search (the model and the revision chosen per row), a progress bar per row with
// its step and last message, Start and Stop on the site run, and the report. The check before
// Start and the search run on threads of their own with sessions of their own; their results,
// as the run's events, are taken on the window's thread at the poll timer's tick.
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/CProgram.h"
#include "platform/secure/Sodium.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"
#include "site/Background.h"
#include "site/ControllerSteps.h"
#include "site/Plan.h"

namespace app {
struct Program;
}

namespace site {

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
    // The plan's check, reaching the network as the run will, with the site's password.
    std::function<std::vector<PlanProblem>(const Plan&, const secure::Secret&)> check;
    // The steps of one run with that password; the password lives as long as the factory.
    std::function<StepsFactory(const secure::Secret&)> steps;
    // The network search, without the password: it is proved only when a row connects.
    std::function<SearchOutcome()> search;
    // Reports of rows from the search go into its "site-reports" folder.
    std::string machineDir;
    // How long closing the dialog waits for a check or search still running; after that it
    // ends unseen.
    std::chrono::milliseconds closeWait{3000};
};

class FormSiteCommission final : public ui::Form {
  public:
    FormSiteCommission(app::Program& program, CommissionServices services);
    ~FormSiteCommission() override;
    std::string formName() const override { return "FormSiteCommission"; }

    // ---- controls ----
    std::string Caption = "Commission several controllers";
    bool Visible = true;
    ui::Control LabelPlan;
    // Controller, name, address, model, revision, partition, progress, step, result, last
    // message.
    ui::ListView Rows;
    std::vector<ui::ProgressBar> RowProgress;  // one per row of Rows, in its progress column
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
    ui::Control CmdOpen, CmdSearch, CmdStart, CmdStop, CmdClose;
    ui::Timer PollTimer;

    // Where the last run's report went; empty before.
    std::string ReportPath;

    // ---- event handlers ----
    // Open… has chosen a plan file: its rows replace the rows listed.
    void OpenPlan(const std::string& path);
    // The network search: the controllers found replace the rows listed.
    void CmdSearch_Click();
    void Rows_ItemClick(int row);
    void Models_ItemClick(int row);
    void Revisions_ItemClick(int row);
    void CheckEveryRow_Click() { showChoice(); }
    void TextPartition_Change(const std::string& text);
    void CmdRemove_Click();
    void CmdStart_Click();
    void CmdStop_Click();
    void PollTimer_Timer();
    // Close, Escape and the close box: a running site is stopped first.
    void CmdClose_Click();

    bool running() const { return run_ != nullptr; }
    // A check or a search runs off the window's thread.
    bool waiting() const { return checking_.busy() || searching_.busy(); }
    void ShowDlg(ui::FormHost& owner);

  private:
    void showRows();
    void showRow(size_t row);
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
    Background<std::vector<PlanProblem>> checking_;
    Background<SearchOutcome> searching_;
    std::unique_ptr<SiteRun> run_;
};

}  // namespace site
