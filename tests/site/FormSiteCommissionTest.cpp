// The "Commission several controllers" dialog's model with faked checks and steps: rows from a
// plan, the check before anything runs, progress on the rows, Stop, and the report beside the
// plan.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/ui/InputBox.h"
#include "site/FormSiteCommission.h"
#include "site/Report.h"
#include "support/ProgramFixture.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kPlan =
    "serial,model,revision\n"
    "KVX1,KVX300C,3.1-0-02\n"
    "KVX2,KVX300C,3.1-0-02\n";

class Answers final : public ui::InputBox {
  public:
    std::optional<std::string> ask(const std::string&, const std::string&, const std::string&,
                                   bool masked) override {
        ++asked;
        maskedEvery = maskedEvery && masked;
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> answers;
    int asked = 0;
    bool maskedEvery = true;
};

// Rows whose serial is in `failing` fail at the load; with `hold` every load waits for a
// cancel.
struct FakeController {
    std::mutex mutex;
    std::condition_variable changed;
    bool hold = false;
    std::string failing;
    std::vector<std::string> passwords;  // as each row's steps received it
};

class Steps final : public site::ControllerSteps {
  public:
    Steps(FakeController& fake, const site::PlanRow& row, site::RowContext& context)
        : fake_(fake), row_(row), context_(context) {}
    bool connect(site::ControllerReport& r) override {
        r.serial = row_.serial;
        return true;
    }
    bool backup(site::ControllerReport&) override { return true; }
    bool upgradeOs(site::ControllerReport&) override { return true; }
    bool load(site::ControllerReport&) override {
        context_.progress(0.5);
        context_.message("loading " + row_.serial);
        std::unique_lock lock(fake_.mutex);
        fake_.changed.wait_for(lock, 10s, [&] { return !fake_.hold || context_.cancelled(); });
        if (context_.cancelled()) return false;
        return row_.serial != fake_.failing;
    }
    bool verify(site::ControllerReport& r) override {
        r.imageChecksum = "0x0000abcd";
        return true;
    }
    bool changeAddress(site::ControllerReport&) override { return true; }
    bool loadSettings(site::ControllerReport&) override { return true; }

  private:
    FakeController& fake_;
    site::PlanRow row_;
    site::RowContext& context_;
};

struct Dialog {
    Dialog() {
        env.platform->input = &input;
        env.temp.write("site/plan.csv", kPlan);
        services.check = [this](const site::Plan& plan, const secure::Secret& password) {
            checked.push_back(plan.rows.size());
            passwordAtCheck = std::string(password.text());
            return problems;
        };
        services.steps = [this](const secure::Secret& password) {
            // The token goes with the factory, and the password with it.
            return [this, password, token = factoryAlive](const site::PlanRow& row,
                                                          site::RowContext& context) {
                std::lock_guard lock(fake.mutex);
                fake.passwords.emplace_back(password.text());
                return std::make_unique<Steps>(fake, row, context);
            };
        };
        form = std::make_unique<site::FormSiteCommission>(*env.program, services);
    }
    // Ticks the poll timer as the window would, until the run has ended.
    void runToEnd() {
        for (int i = 0; i < 100000 && form->running(); ++i) form->PollTimer_Timer();
        ASSERT_FALSE(form->running());
    }
    std::string cell(size_t row, size_t column) const {
        return column == 0 ? form->Rows.items.at(row).text
                           : form->Rows.items.at(row).subItems.at(column - 1);
    }

    testsupport::ProgramFixture env{false};
    Answers input;
    FakeController fake;
    std::vector<size_t> checked;
    std::string passwordAtCheck;
    std::shared_ptr<int> factoryAlive = std::make_shared<int>(0);
    std::vector<site::PlanProblem> problems;
    site::CommissionServices services;
    std::unique_ptr<site::FormSiteCommission> form;
};

TEST(FormSiteCommission, OpensAPlanAndShowsItsMistakesWithTheirLines) {
    const struct {
        const char* plan;
        size_t rows;      // listed: the rows that read
        int problemLine;  // 0: none
    } cases[] = {
        {kPlan, 2, 0},
        {"serial,model,revision\nKVX1,KVX300C,3.1-0-02\nKVX2,KVX300C\n", 1, 3},
    };
    for (const auto& c : cases) {
        Dialog d;
        d.env.temp.write("site/other.csv", c.plan);
        d.form->OpenPlan(d.env.temp / "site/other.csv");
        EXPECT_EQ(d.form->Rows.items.size(), c.rows) << c.plan;
        EXPECT_EQ(d.form->RowProgress.size(), c.rows);
        EXPECT_EQ(d.form->CmdStart.enabled, c.problemLine == 0);
        EXPECT_EQ(d.form->Problems.visible, c.problemLine != 0);
        if (c.problemLine != 0) {
            ASSERT_FALSE(d.form->Problems.items.empty());
            EXPECT_EQ(d.form->Problems.items[0].text, std::to_string(c.problemLine));
        }
    }
}

TEST(FormSiteCommission, StartChecksFirstAndStartsNothingWhenThePlanHasProblems) {
    Dialog d;
    d.problems = {{2, "unknown serial KVX1"}, {3, "unknown model"}};
    d.input.answers = {"site secret"};
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.form->CmdStart_Click();
    EXPECT_EQ(d.checked, std::vector<size_t>{2});
    EXPECT_EQ(d.passwordAtCheck, "site secret");
    EXPECT_EQ(d.input.asked, 1);
    EXPECT_TRUE(d.input.maskedEvery);
    EXPECT_FALSE(d.form->running());
    EXPECT_TRUE(d.fake.passwords.empty());
    ASSERT_EQ(d.form->Problems.items.size(), 2u);
    EXPECT_EQ(d.form->Problems.items[1].subItems[0], "unknown model");
    EXPECT_TRUE(d.form->CmdStart.enabled);

    // Cancelling the password box starts nothing and checks nothing.
    d.form->CmdStart_Click();
    EXPECT_EQ(d.checked.size(), 1u);
    EXPECT_FALSE(d.form->running());
}

TEST(FormSiteCommission, RunsTheRowsAndWritesTheReportBesideThePlan) {
    Dialog d;
    d.fake.failing = "KVX2";
    d.input.answers = {"site secret"};
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.form->CmdStart_Click();
    ASSERT_TRUE(d.form->running());
    EXPECT_FALSE(d.form->CmdStart.enabled);
    EXPECT_FALSE(d.form->CmdOpen.enabled);
    EXPECT_TRUE(d.form->CmdStop.enabled);
    EXPECT_TRUE(d.form->PollTimer.enabled);
    d.runToEnd();

    EXPECT_EQ(d.cell(0, 5), "succeeded");
    EXPECT_EQ(d.cell(1, 5), "failed");
    EXPECT_EQ(d.cell(0, 6), "loading KVX1");
    EXPECT_EQ(d.form->RowProgress[0].value, 1.0);
    EXPECT_EQ(d.fake.passwords, (std::vector<std::string>{"site secret", "site secret"}));
    EXPECT_EQ(d.factoryAlive.use_count(), 1) << "the password outlived the run";
    EXPECT_FALSE(d.form->PollTimer.enabled);
    EXPECT_TRUE(d.form->CmdStart.enabled);

    const std::string path = d.env.temp / "site/plan.report.json";
    EXPECT_EQ(d.form->ReportPath, path);
    std::string why;
    const auto report = site::readReport(path, why);
    ASSERT_TRUE(report) << why;
    ASSERT_EQ(report->rows.size(), 2u);
    EXPECT_EQ(report->rows[0].result, site::RowResult::Succeeded);
    EXPECT_EQ(report->rows[1].result, site::RowResult::Failed);
    // The CSV beside it holds what the steps found out.
    EXPECT_NE(d.env.temp.read("site/plan.report.csv").find("0x0000abcd"), std::string::npos);
}

TEST(FormSiteCommission, StopCancelsTheRunningRowsAndStillWritesTheReport) {
    Dialog d;
    d.fake.hold = true;
    d.input.answers = {""};
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.form->CmdStart_Click();
    ASSERT_TRUE(d.form->running());
    // Both rows reach their load before the stop.
    for (int i = 0; i < 100000 && (d.cell(0, 6).empty() || d.cell(1, 6).empty()); ++i)
        d.form->PollTimer_Timer();
    d.form->CmdStop_Click();
    EXPECT_FALSE(d.form->CmdStop.enabled);
    {
        std::lock_guard lock(d.fake.mutex);
        d.fake.changed.notify_all();
    }
    d.runToEnd();

    std::string why;
    const auto report = site::readReport(d.env.temp / "site/plan.report.json", why);
    ASSERT_TRUE(report) << why;
    for (const auto& row : report->rows) EXPECT_EQ(row.result, site::RowResult::Cancelled);
    EXPECT_EQ(d.cell(0, 5), "cancelled");
}

TEST(FormSiteCommission, CloseWhileRunningStopsAndClosesOnceTheReportIsWritten) {
    Dialog d;
    d.fake.hold = true;
    d.input.answers = {""};
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.form->CmdStart_Click();
    d.form->CmdClose_Click();
    EXPECT_TRUE(d.form->Visible);
    {
        std::lock_guard lock(d.fake.mutex);
        d.fake.changed.notify_all();
    }
    d.runToEnd();
    EXPECT_FALSE(d.form->Visible);
    EXPECT_FALSE(d.form->ReportPath.empty());
}

}  // namespace
