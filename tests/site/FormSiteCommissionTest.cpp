// The "Commission several controllers" dialog's model with faked checks, searches and steps:
// rows from a plan or from the search with the model and revision chosen per row, the check
// before anything runs (off the window's thread), the jobs, progress on the rows, Stop, and the
// report beside the plan or in the machine folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "platform/ui/InputBox.h"
#include "site/FormSiteCommission.h"
#include "site/Report.h"
#include "support/ProgramFixture.h"

namespace {

using namespace std::chrono_literals;
using F = site::FormSiteCommission;

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
// cancel; with `together` each load waits until that many load at once.
struct FakeController {
    std::mutex mutex;
    std::condition_variable changed;
    bool hold = false;
    std::string failing;
    std::string holding;  // this row's load waits for a cancel
    bool named = false;   // connect tells a name and the addresses before and after
    int together = 0;
    int loading = 0, mostAtOnce = 0, loads = 0;
    std::vector<std::string> passwords;             // as each row's steps received it
    std::map<std::string, std::string> revisionOf;  // serial -> "model/revision/partition"
};

// Work the test holds until it opens the gate; it outlives the dialog, as a worker may.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false, entered = false, left = false;
    std::thread::id thread;
    void pass() {
        std::unique_lock lock(mutex);
        entered = true;
        thread = std::this_thread::get_id();
        changed.notify_all();
        changed.wait_for(lock, 10s, [this] { return open; });
    }
    void leave() {
        std::lock_guard lock(mutex);
        left = true;
        changed.notify_all();
    }
    void opened() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    bool waitFor(bool Gate::*flag) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return this->*flag; });
    }
};

class Steps final : public site::ControllerSteps {
  public:
    Steps(FakeController& fake, const site::PlanRow& row, site::RowContext& context)
        : fake_(fake), row_(row), context_(context) {}
    bool connect(site::ControllerReport& r) override {
        r.serial = row_.serial;
        if (fake_.named && row_.serial.size() > 3) {
            r.name = "Name of " + row_.serial;
            r.addressBefore = "1:" + row_.serial.substr(3);
            r.addressAfter = "4:" + row_.serial.substr(3);
        }
        return true;
    }
    bool backup(site::ControllerReport&) override { return true; }
    bool upgradeOs(site::ControllerReport&) override { return true; }
    bool load(site::ControllerReport&) override {
        context_.progress(0.5);
        context_.message("loading " + row_.serial);
        std::unique_lock lock(fake_.mutex);
        fake_.revisionOf[row_.serial] =
            row_.model + "/" + row_.revision + "/" + std::to_string(row_.partition);
        fake_.mostAtOnce = std::max(fake_.mostAtOnce, ++fake_.loading);
        ++fake_.loads;
        fake_.changed.notify_all();
        const bool held = fake_.hold || (!fake_.holding.empty() && row_.serial == fake_.holding);
        fake_.changed.wait_for(lock, 10s, [&] {
            return (!held && fake_.loads >= fake_.together) || context_.cancelled();
        });
        --fake_.loading;
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
    explicit Dialog(std::vector<site::FoundRow> network = {}) : found(std::move(network)) {
        env.program->formMain.Form_Load();
        env.platform->input = &input;
        env.temp.write("site/plan.csv", kPlan);
        services.check = [this](const site::Plan& plan, const secure::Secret& password) {
            checked.push_back(plan.rows.size());
            passwordAtCheck = std::string(password.text());
            site::PlanCheckResult result{problems, {}};
            for (const auto& row : plan.rows) result.previews.push_back(site::planPreview(row));
            return result;
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
        services.search = [this] { return site::SearchOutcome{found, ""}; };
        services.machineDir = env.machineDir;
        form = std::make_unique<site::FormSiteCommission>(*env.program, services);
    }
    // Ticks the poll timer as the window would, until the check or search has ended.
    void settle() {
        for (int i = 0; i < 1000 && form->waiting(); ++i) form->PollTimer_Timer();
        ASSERT_FALSE(form->waiting());
    }
    // Ticks the poll timer as the window would, until the run has ended.
    void runToEnd() {
        settle();
        for (int i = 0; i < 100000 && form->running(); ++i) form->PollTimer_Timer();
        ASSERT_FALSE(form->running());
    }
    void start(const std::string& password = "") {
        input.answers = {password};
        form->CmdStart_Click();
        settle();
    }
    void click(ui::ListView& list, const std::string& text,
               void (site::FormSiteCommission::*handler)(int)) {
        const auto at = std::find_if(list.items.begin(), list.items.end(),
                                     [&](const ui::ListItem& item) { return item.text == text; });
        ASSERT_NE(at, list.items.end()) << text;
        ((*form).*handler)(static_cast<int>(at - list.items.begin()) + 1);
    }
    std::string cell(size_t row, F::Column column) const {
        return column == F::ColLine ? form->Rows.items.at(row).text
                                    : form->Rows.items.at(row).subItems.at(column - 1);
    }

    testsupport::ProgramFixture env;
    std::vector<site::FoundRow> found;
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
    d.settle();
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
    d.settle();
    ASSERT_TRUE(d.form->running());
    EXPECT_FALSE(d.form->CmdStart.enabled);
    EXPECT_FALSE(d.form->CmdOpen.enabled);
    EXPECT_TRUE(d.form->CmdStop.enabled);
    EXPECT_TRUE(d.form->PollTimer.enabled);
    d.runToEnd();

    EXPECT_EQ(d.cell(0, F::ColResult), "succeeded");
    EXPECT_EQ(d.cell(1, F::ColResult), "failed");
    EXPECT_EQ(d.cell(0, F::ColMessage), "loading KVX1");
    EXPECT_EQ(d.form->RowProgress[0].value, 1.0);
    EXPECT_EQ(d.fake.passwords, (std::vector<std::string>{"site secret", "site secret"}));
    EXPECT_EQ(d.factoryAlive.use_count(), 1) << "the password outlived the run";
    EXPECT_FALSE(d.form->PollTimer.enabled);
    EXPECT_TRUE(d.form->CmdStart.enabled);

    // A report of the run's own, beside the plan.
    const std::string path = d.form->ReportPath;
    EXPECT_THAT(path, ::testing::StartsWith(d.env.temp / "site/plan.report.20"));
    std::string why;
    const auto report = site::readReport(path, why);
    ASSERT_TRUE(report) << why;
    ASSERT_EQ(report->rows.size(), 2u);
    EXPECT_EQ(report->rows[0].result, site::RowResult::Succeeded);
    EXPECT_EQ(report->rows[1].result, site::RowResult::Failed);
    // The CSV beside it holds what the steps found out.
    std::ifstream csv(site::csvPathFor(path));
    const std::string csvText((std::istreambuf_iterator<char>(csv)), {});
    EXPECT_NE(csvText.find("0x0000abcd"), std::string::npos);
}

TEST(FormSiteCommission, StopCancelsTheRunningRowsAndStillWritesTheReport) {
    Dialog d;
    d.fake.hold = true;
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.start();
    ASSERT_TRUE(d.form->running());
    // Both rows reach their load before the stop.
    for (int i = 0;
         i < 100000 && (d.cell(0, F::ColMessage).empty() || d.cell(1, F::ColMessage).empty()); ++i)
        d.form->PollTimer_Timer();
    d.form->CmdStop_Click();
    EXPECT_FALSE(d.form->CmdStop.enabled);
    {
        std::lock_guard lock(d.fake.mutex);
        d.fake.changed.notify_all();
    }
    d.runToEnd();

    std::string why;
    const auto report = site::readReport(d.form->ReportPath, why);
    ASSERT_TRUE(report) << why;
    for (const auto& row : report->rows) EXPECT_EQ(row.result, site::RowResult::Cancelled);
    EXPECT_EQ(d.cell(0, F::ColResult), "cancelled");
}

TEST(FormSiteCommission, CloseWhileRunningStopsAndClosesOnceTheReportIsWritten) {
    Dialog d;
    d.fake.hold = true;
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.start();
    d.env.boxes.answers = {ui::answer::Yes};
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

constexpr const char* kC = "KVX300C KVXreal C controller";
constexpr const char* kHeating = "KVX200 heating controller";

// Two KVX300C controllers and one whose model number the catalogue does not know.
std::vector<site::FoundRow> threeFound() {
    return {{"KVX1", "Boiler", "10.0.0.1, 1:1", 300},
            {"KVX2", "Pump", "10.0.0.2, 1:2", 999},
            {"KVX3", "Fan", "10.0.0.3, 1:3", 300}};
}

TEST(FormSiteCommission, SearchRowsRunWithTheRevisionChosenPerRowAndReportIntoTheMachineFolder) {
    Dialog d(threeFound());
    d.form->CmdSearch_Click();
    d.settle();
    ASSERT_EQ(d.form->Rows.items.size(), 3u);
    // Serial, name and address as found; the model where the catalogue has the reported one.
    EXPECT_EQ(d.cell(0, F::ColController), "KVX1");
    EXPECT_EQ(d.cell(0, F::ColName), "Boiler");
    EXPECT_EQ(d.cell(0, F::ColAddress), "10.0.0.1, 1:1");
    EXPECT_EQ(d.cell(0, F::ColModel), kC);
    EXPECT_EQ(d.cell(1, F::ColModel), "");
    EXPECT_EQ(d.cell(0, F::ColRevision), "") << "the revision is the engineer's to choose";

    // Nothing starts while a row lacks its model or revision; each such row says so.
    d.start();
    EXPECT_TRUE(d.checked.empty());
    EXPECT_EQ(d.input.asked, 0);
    EXPECT_FALSE(d.form->running());
    ASSERT_EQ(d.form->Problems.items.size(), 3u);
    EXPECT_EQ(d.form->Problems.columns[0].header, "Row");
    EXPECT_EQ(d.form->Problems.items[1].text, "2");
    EXPECT_EQ(d.form->Problems.items[1].subItems[0],
              "KVX2: choose its model and revision, or remove the row");
    EXPECT_EQ(d.cell(0, F::ColMessage), "choose its revision");

    // A revision for every row of the model listed, then the odd row on its own.
    d.form->CheckEveryRow.value = true;
    d.form->CheckEveryRow_Click();
    d.click(d.form->Revisions, "3.1-0-02", &site::FormSiteCommission::Revisions_ItemClick);
    EXPECT_EQ(d.cell(0, F::ColRevision), "3.1-0-02");
    EXPECT_EQ(d.cell(2, F::ColRevision), "3.1-0-02");
    EXPECT_EQ(d.cell(1, F::ColRevision), "") << "a revision of another model";
    // A partition for every row; one out of range changes none.
    d.form->TextPartition_Change("32");
    d.form->TextPartition_Change("256");
    EXPECT_EQ(d.cell(0, F::ColPartition), "32");
    EXPECT_EQ(d.cell(1, F::ColPartition), "32");
    EXPECT_NE(d.form->LabelStatus.caption.find("from 1 to 255"), std::string::npos);
    d.form->CheckEveryRow.value = false;
    d.form->Rows_ItemClick(2);
    d.click(d.form->Models, kHeating, &site::FormSiteCommission::Models_ItemClick);
    d.click(d.form->Revisions, "2.5-0-03", &site::FormSiteCommission::Revisions_ItemClick);
    d.form->TextPartition_Change("");
    // A row not wanted goes; the rows after it move up.
    d.form->Rows_ItemClick(3);
    d.form->CmdRemove_Click();
    ASSERT_EQ(d.form->Rows.items.size(), 2u);

    d.start("site secret");
    ASSERT_EQ(d.checked, std::vector<size_t>{2});
    d.runToEnd();
    EXPECT_EQ(d.fake.revisionOf, (std::map<std::string, std::string>{
                                     {"KVX1", std::string(kC) + "/3.1-0-02/32"},
                                     {"KVX2", std::string(kHeating) + "/2.5-0-03/0"}}));
    EXPECT_EQ(d.fake.passwords, (std::vector<std::string>{"site secret", "site secret"}));

    // The report goes into the machine folder, named by the time; a second run in the same
    // second gets a name of its own.
    d.fake.failing = "KVX2";
    d.start();
    d.runToEnd();
    const std::string folder = d.env.machineDir + "/site-reports/";
    const struct {
        std::string file;
        site::RowResult second;
    } reports[] = {{"2026-12-09T08-15-02Z.json", site::RowResult::Succeeded},
                   {"2026-12-09T08-15-02Z_2.json", site::RowResult::Failed}};
    for (const auto& r : reports) {
        std::ifstream in(folder + r.file);
        const auto report = nlohmann::json::parse(in, nullptr, false);
        ASSERT_TRUE(report.contains("controllers")) << r.file;
        const auto& rows = report["controllers"];
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0]["controller"], "KVX1");
        EXPECT_EQ(rows[0]["result"], "succeeded");
        EXPECT_EQ(rows[0]["imageChecksum"], "0x0000abcd");
        EXPECT_EQ(rows[1]["revision"], "2.5-0-03");
        EXPECT_EQ(rows[1]["result"], site::resultText(r.second));
        EXPECT_TRUE(std::filesystem::exists(site::csvPathFor(folder + r.file)));
    }
    EXPECT_EQ(d.form->ReportPath, folder + reports[1].file);
    EXPECT_NE(d.form->LabelStatus.caption.find(reports[1].file), std::string::npos);
}

TEST(FormSiteCommission, PlanRowsAndSearchRowsReplaceEachOther) {
    Dialog d(threeFound());
    d.form->CmdSearch_Click();
    d.settle();
    EXPECT_TRUE(d.form->Models.enabled);
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    ASSERT_EQ(d.form->Rows.items.size(), 2u);
    EXPECT_EQ(d.cell(0, F::ColName), "") << "no name of a found controller on a plan's row";
    EXPECT_FALSE(d.form->Models.enabled) << "a plan's rows keep the plan's choice";
    d.form->CmdSearch_Click();
    d.settle();
    EXPECT_EQ(d.form->Rows.items.size(), 3u);
    d.form->Rows_ItemClick(1);
    d.click(d.form->Revisions, "3.1-0-02", &site::FormSiteCommission::Revisions_ItemClick);
    d.form->CmdRemove_Click();
    d.form->CmdRemove_Click();  // nothing selected any more
    d.form->Rows_ItemClick(1);
    d.form->CmdRemove_Click();
    ASSERT_EQ(d.form->Rows.items.size(), 1u);
    EXPECT_EQ(d.cell(0, F::ColController), "KVX3");
}

TEST(FormSiteCommission, JobsReachTheRunAndOnlyANumberInRangeStartsIt) {
    const struct {
        const char* jobs;
        bool starts;
        int mostAtOnce;
    } cases[] = {{"1", true, 1},    {"2", true, 2},  {"8", true, 2},   {"0", false, 0},
                 {"257", false, 0}, {"x", false, 0}, {" 2", false, 0}, {"", false, 0}};
    for (const auto& c : cases) {
        Dialog d;
        d.form->OpenPlan(d.env.temp / "site/plan.csv");
        // Each load waits until as many load at once as the jobs allow.
        d.fake.together = c.mostAtOnce;
        d.form->TextJobs.text = c.jobs;
        d.start();
        EXPECT_EQ(d.checked.size(), c.starts ? 1u : 0u) << c.jobs;
        if (!c.starts) {
            EXPECT_NE(d.form->LabelStatus.caption.find("a number from 1 to 256"), std::string::npos)
                << c.jobs;
            continue;
        }
        d.runToEnd();
        EXPECT_EQ(d.fake.mostAtOnce, c.mostAtOnce) << c.jobs;
        EXPECT_EQ(d.cell(1, F::ColResult), "succeeded") << c.jobs;
    }
}

TEST(FormSiteCommission, CheckAndSearchRunOffTheWindowThreadAndCloseDoesNotWaitForThem) {
    Dialog d(threeFound());
    auto checkGate = std::make_shared<Gate>();
    auto searchGate = std::make_shared<Gate>();
    d.services.closeWait = 0ms;
    d.services.check = [checkGate](const site::Plan&, const secure::Secret&) {
        checkGate->pass();
        checkGate->leave();
        return site::PlanCheckResult{{{3, "unknown serial KVX2"}}, {}};
    };
    d.services.search = [searchGate, found = threeFound()] {
        searchGate->pass();
        searchGate->leave();
        return site::SearchOutcome{found, ""};
    };
    d.form = std::make_unique<site::FormSiteCommission>(*d.env.program, d.services);
    const auto idle = [&] {
        return d.form->CmdStart.enabled || d.form->CmdSearch.enabled || d.form->CmdOpen.enabled;
    };

    d.form->CmdSearch_Click();
    ASSERT_TRUE(searchGate->waitFor(&Gate::entered));
    d.form->PollTimer_Timer();
    EXPECT_EQ(d.form->LabelStatus.caption, "Searching…");
    EXPECT_TRUE(d.form->PollTimer.enabled);
    EXPECT_FALSE(idle());
    EXPECT_NE(searchGate->thread, std::this_thread::get_id());
    searchGate->opened();
    d.settle();
    EXPECT_EQ(d.form->Rows.items.size(), 3u);

    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    d.input.answers = {""};
    d.form->CmdStart_Click();
    ASSERT_TRUE(checkGate->waitFor(&Gate::entered));
    d.form->PollTimer_Timer();
    EXPECT_EQ(d.form->LabelStatus.caption, "Checking the plan…");
    EXPECT_FALSE(idle());
    d.form->OpenPlan(d.env.temp / "site/plan.csv");  // refused while the check runs
    EXPECT_TRUE(d.form->waiting());
    EXPECT_NE(checkGate->thread, std::this_thread::get_id());
    checkGate->opened();
    d.settle();
    ASSERT_EQ(d.form->Problems.items.size(), 1u);
    EXPECT_EQ(d.form->Problems.items[0].subItems[0], "unknown serial KVX2");
    EXPECT_FALSE(d.form->running());
    EXPECT_TRUE(idle());

    // Closed while the search runs: the dialog goes at once, the search ends into nothing.
    auto lateGate = std::make_shared<Gate>();
    d.services.search = [lateGate] {
        lateGate->pass();
        lateGate->leave();
        return site::SearchOutcome{};
    };
    d.form = std::make_unique<site::FormSiteCommission>(*d.env.program, d.services);
    d.form->CmdSearch_Click();
    ASSERT_TRUE(lateGate->waitFor(&Gate::entered));
    d.form->CmdClose_Click();
    EXPECT_FALSE(d.form->Visible);
    d.form.reset();
    lateGate->opened();
    EXPECT_TRUE(lateGate->waitFor(&Gate::left));
}

// ---- what the engineer sees of each row, and what can be done with the rows ----

constexpr const char* kFourRows =
    "serial,model,revision\n"
    "KVX1,KVX300C,3.1-0-02\n"
    "KVX2,KVX300C,3.1-0-02\n"
    "KVX3,KVX300C,3.1-0-02\n"
    "KVX4,KVX300C,3.1-0-02\n";

// Ticks until `ready` holds or the run ends.
void tickUntil(Dialog& d, const std::function<bool()>& ready) {
    for (int i = 0; i < 100000 && d.form->running() && !ready(); ++i) d.form->PollTimer_Timer();
}

TEST(FormSiteCommission, EachRowEndsInItsOwnStateAndTheEndCountsThemThenRedoTakesTheRest) {
    Dialog d;
    d.env.temp.write("site/four.csv", kFourRows);
    d.form->OpenPlan(d.env.temp / "site/four.csv");
    d.form->TextJobs.text = "1";
    d.fake.failing = "KVX2";
    d.fake.holding = "KVX3";
    d.start();
    ASSERT_TRUE(d.form->running());
    EXPECT_FALSE(d.form->CmdRedo.enabled) << "nothing to redo while it runs";
    // Stopped while the third row loads: the fourth never starts.
    tickUntil(d, [&] { return d.cell(2, F::ColMessage) == "loading KVX3"; });
    d.form->CmdStop_Click();
    {
        std::lock_guard lock(d.fake.mutex);
        d.fake.changed.notify_all();
    }
    d.runToEnd();

    const struct {
        site::RowState state;
        const char* result;
        double bar;  // where it stopped; empty for a row never started
    } rows[] = {{site::RowState::Succeeded, "succeeded", 1.0},
                {site::RowState::Failed, "failed", 0.5},
                {site::RowState::Cancelled, "cancelled", 0.5},
                {site::RowState::NotStarted, "not started", 0.0}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(d.form->RowStates[i], rows[i].state) << i;
        EXPECT_EQ(d.cell(i, F::ColResult), rows[i].result) << i;
        EXPECT_EQ(d.form->RowProgress[i].value, rows[i].bar) << i;
    }
    EXPECT_EQ(d.cell(3, F::ColMessage), "not started: the run was stopped");
    const std::string report = d.form->ReportPath;
    EXPECT_THAT(report, ::testing::StartsWith(d.env.temp / "site/four.report.20"));
    EXPECT_EQ(d.form->LabelStatus.caption,
              "1 succeeded, 1 failed, 1 cancelled, 1 not started, report: " + report + " and " +
                  site::csvPathFor(report));

    // Redo selects the three rows that did not succeed and runs only them.
    ASSERT_TRUE(d.form->CmdRedo.enabled);
    d.fake.failing.clear();
    d.fake.holding.clear();
    d.checked.clear();
    d.input.answers = {""};
    d.form->CmdRedo_Click();
    EXPECT_EQ(d.form->SelectedRows, (std::vector<int>{2, 3, 4}));
    d.runToEnd();
    EXPECT_EQ(d.checked, std::vector<size_t>{3});
    EXPECT_EQ(d.fake.loads, 3 + 3) << "the first row is not loaded again";
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(d.form->RowStates[i], site::RowState::Succeeded) << i;
    EXPECT_EQ(d.form->LabelStatus.caption.rfind("4 succeeded, report: ", 0), 0u)
        << d.form->LabelStatus.caption;
    EXPECT_FALSE(d.form->CmdRedo.enabled) << "nothing left to redo";
    // The report holds every row with its latest outcome, the first row's from the first run.
    std::ifstream in(d.form->ReportPath);
    const auto written = nlohmann::json::parse(in, nullptr, false);
    ASSERT_TRUE(written.contains("controllers"));
    ASSERT_EQ(written["controllers"].size(), 4u);
    for (const auto& row : written["controllers"]) EXPECT_EQ(row["result"], "succeeded");
    EXPECT_EQ(written["controllers"][0]["messages"], nlohmann::json::array({"loading KVX1"}));
    EXPECT_EQ(written["controllers"][3]["messages"], nlohmann::json::array({"loading KVX4"}));
}

TEST(FormSiteCommission, RowsShowThePlanThePreviewAndWhatTheControllerSaidAfterTheRun) {
    Dialog d;
    d.fake.named = true;
    d.env.temp.write("site/boiler.settings", "");
    d.env.temp.write("site/full.csv",
                     "serial,link,address,model,revision,partition,new-address,settings\n"
                     "KVX7,,,KVX300C,3.1-0-02,32,4:2,boiler.settings\n"
                     ",tcp:127.0.0.1:1,1:3,KVX300C,3.1-0-02,,,\n");
    d.form->OpenPlan(d.env.temp / "site/full.csv");
    ASSERT_EQ(d.form->Rows.items.size(), 2u);
    EXPECT_EQ(d.cell(0, F::ColLine), "2");
    EXPECT_EQ(d.cell(1, F::ColLine), "3");
    EXPECT_EQ(d.cell(0, F::ColNewAddress), "4:2");
    EXPECT_EQ(d.cell(0, F::ColSettings), "boiler.settings");
    EXPECT_EQ(d.cell(1, F::ColAddress), "1:3") << "a station's address from the plan";
    EXPECT_EQ(d.cell(0, F::ColPreview), "") << "no preview before the check";

    // The check's preview is on the rows when the question comes; No sends nothing.
    d.env.boxes.answers = {ui::answer::No};
    d.start();
    EXPECT_FALSE(d.form->running());
    EXPECT_EQ(d.fake.loads, 0);
    EXPECT_EQ(d.form->LabelStatus.caption, "Nothing was sent.");
    ASSERT_FALSE(d.env.boxes.asked.empty());
    EXPECT_EQ(d.env.boxes.asked.back(),
              "Commission 2 controllers as the rows show? Nothing has been sent yet.");
    const std::string preview = d.cell(0, F::ColPreview);
    EXPECT_NE(preview.find("partition 32"), std::string::npos) << preview;
    EXPECT_NE(preview.find("address ? -> 4:2"), std::string::npos) << preview;
    EXPECT_NE(preview.find("boiler.settings"), std::string::npos) << preview;

    d.start();
    d.runToEnd();
    EXPECT_EQ(d.cell(0, F::ColName), "Name of KVX7");
    EXPECT_EQ(d.cell(0, F::ColAddress), "1:7") << "as the controller told it";
    EXPECT_EQ(d.cell(0, F::ColAddressAfter), "4:7");
    EXPECT_EQ(d.cell(0, F::ColPreview), preview) << "the preview stays beside the outcome";
}

TEST(FormSiteCommission, SeveralRowsSelectedTakeOneModelRevisionAndPartition) {
    Dialog d(threeFound());
    d.form->CmdSearch_Click();
    d.settle();
    // Rows 1 and 2 selected; the heating model and a revision of it go to both, not to row 3.
    d.form->Rows_SelectRows({2, 1, 2, 9});
    EXPECT_EQ(d.form->SelectedRows, (std::vector<int>{1, 2}));
    d.form->Rows_ItemClick(2);  // the click that ends a Ctrl-click keeps the selection
    EXPECT_EQ(d.form->SelectedRows, (std::vector<int>{1, 2}));
    d.click(d.form->Models, kHeating, &site::FormSiteCommission::Models_ItemClick);
    d.click(d.form->Revisions, "2.5-0-03", &site::FormSiteCommission::Revisions_ItemClick);
    d.form->TextPartition_Change("14");
    const struct {
        size_t row;
        std::string model, revision, partition;
    } rows[] = {{0, kHeating, "2.5-0-03", "14"}, {1, kHeating, "2.5-0-03", "14"}, {2, kC, "", ""}};
    for (const auto& r : rows) {
        EXPECT_EQ(d.cell(r.row, F::ColModel), r.model) << r.row;
        EXPECT_EQ(d.cell(r.row, F::ColRevision), r.revision) << r.row;
        EXPECT_EQ(d.cell(r.row, F::ColPartition), r.partition) << r.row;
    }
    // A plain click on a row outside the selection selects that row alone.
    d.form->Rows_ItemClick(3);
    EXPECT_EQ(d.form->SelectedRows, (std::vector<int>{3}));
    d.click(d.form->Revisions, "3.1-0-02", &site::FormSiteCommission::Revisions_ItemClick);
    EXPECT_EQ(d.cell(2, F::ColRevision), "3.1-0-02");
    EXPECT_EQ(d.cell(0, F::ColRevision), "2.5-0-03");
}

TEST(FormSiteCommission, CloseDuringARunAsksAndNoKeepsItRunning) {
    const struct {
        int answer;
        bool stopped;
    } cases[] = {{ui::answer::No, false}, {ui::answer::Yes, true}};
    for (const auto& c : cases) {
        Dialog d;
        d.fake.hold = true;
        d.form->OpenPlan(d.env.temp / "site/plan.csv");
        d.start();
        ASSERT_TRUE(d.form->running());
        d.env.boxes.asked.clear();
        d.env.boxes.answers = {c.answer};
        d.form->CmdClose_Click();
        ASSERT_EQ(d.env.boxes.asked.size(), 1u) << c.answer;
        EXPECT_NE(d.env.boxes.asked[0].find("A run is under way"), std::string::npos);
        EXPECT_TRUE(d.form->Visible);
        EXPECT_EQ(d.form->running() && !d.form->CmdStop.enabled, c.stopped) << c.answer;
        if (!c.stopped) {
            // Stop first, then Close: no second question.
            d.form->CmdStop_Click();
            d.form->CmdClose_Click();
            EXPECT_EQ(d.env.boxes.asked.size(), 1u);
        }
        {
            std::lock_guard lock(d.fake.mutex);
            d.fake.changed.notify_all();
        }
        d.runToEnd();
        EXPECT_FALSE(d.form->Visible) << c.answer;
    }
}

TEST(FormSiteCommission, OpenStartsInTheMachineFolderAndReportsNeverLandInTheProgramsFiles) {
    Dialog d;
    EXPECT_EQ(d.form->OpenFolder, d.env.machineDir);
    d.form->OpenPlan(d.env.temp / "site/plan.csv");
    EXPECT_EQ(d.form->OpenFolder, d.env.temp / "site");

    const std::string own = d.env.temp / "product";
    d.env.temp.write("product/site/plan.csv", kPlan);
    const auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 365 * 50);
    const struct {
        std::string plan;
        bool beside;
    } cases[] = {
        {d.env.temp / "site/plan.csv", true},
        {own + "/site/plan.csv", false},        // among the program's own files
        {d.env.temp / "gone/plan.csv", false},  // its folder is not there to write in
        {"", false},                            // rows from the search
    };
    for (const auto& c : cases) {
        std::string why;
        const auto path = site::chooseReportPath(c.plan, {own, ""}, d.env.machineDir, now, why);
        ASSERT_TRUE(path) << c.plan << ": " << why;
        if (c.beside)
            EXPECT_THAT(*path, ::testing::StartsWith(
                                   std::filesystem::path(c.plan).parent_path() / "plan.report.20"));
        else
            EXPECT_EQ(std::filesystem::path(*path).parent_path(),
                      std::filesystem::path(d.env.machineDir) / "site-reports")
                << c.plan;
    }
    for (const auto& entry : std::filesystem::directory_iterator(own + "/site"))
        EXPECT_EQ(entry.path().filename().string().find(".report"), std::string::npos)
            << entry.path();
}

}  // namespace
