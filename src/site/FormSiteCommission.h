#pragma once
// The "Commission several controllers" dialog as a presentation model: the rows of a plan, a
// progress bar per row with its step and last message, Start and Stop on the site run, and the
// report beside the plan. The run's events are taken on the window's thread at every tick of
// the poll timer; nothing else of the run touches the dialog.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/secure/Sodium.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormHost.h"
#include "site/ControllerSteps.h"
#include "site/Plan.h"

namespace app {
struct Program;
}

namespace site {

class SiteRun;

// What the dialog runs on: the real platform in the window, fakes in tests.
struct CommissionServices {
    // The plan's check, reaching the network as the run will, with the site's password.
    std::function<std::vector<PlanProblem>(const Plan&, const secure::Secret&)> check;
    // The steps of one run with that password; the password lives as long as the factory.
    std::function<StepsFactory(const secure::Secret&)> steps;
    int jobs = 8;
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
    // Controller, model, revision, progress, step, result, last message.
    ui::ListView Rows;
    std::vector<ui::ProgressBar> RowProgress;  // one per row of Rows, in its progress column
    ui::ListView Problems;                     // line and text of each problem found
    ui::Control LabelStatus;
    ui::Control CmdOpen, CmdStart, CmdStop, CmdClose;
    ui::Timer PollTimer;

    // Where the last run's report went; empty before.
    std::string ReportPath;

    // ---- event handlers ----
    // Open… has chosen a plan file.
    void OpenPlan(const std::string& path);
    void CmdStart_Click();
    void CmdStop_Click();
    void PollTimer_Timer();
    // Close, Escape and the close box: a running site is stopped first.
    void CmdClose_Click();

    bool running() const { return run_ != nullptr; }
    void ShowDlg(ui::FormHost& owner);

  private:
    void showRows();
    void showProblems(const std::vector<PlanProblem>& problems);
    void setUiState();
    void finish();

    app::Program& program_;
    CommissionServices services_;
    Plan plan_;
    bool closeWhenEnded_ = false;
    std::unique_ptr<SiteRun> run_;
};

}  // namespace site
