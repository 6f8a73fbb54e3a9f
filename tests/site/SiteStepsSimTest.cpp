// The site run's real steps against kvxsim, reaching each controller from the check's one
// search: one search serves the check and every row, and a row whose answer is forged or stale
// fails on its own without loading anything, the others going on. What each controller holds is
// read from kvxsim's saved state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/wire/TransferPayloads.h"
#include "sim/DemoMachine.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "site/PlanFile.h"
#include "site/SiteRun.h"
#include "site/SiteSteps.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;

namespace {

constexpr int kControllers = 5;
// Every controller has the site's network password (a password given always means a sealed
// link); 4 and 5 demand it.
constexpr int kSealed = 4;
constexpr int kTwoFree = 3;  // has a second program partition beside the free 32
const char* const kPassword = "site-pass";

std::string id(int n) { return "C" + std::to_string(n); }
std::string serial(int n) { return "SITE-" + std::to_string(100 + n); }

// A port on loopback that nothing listens on (any more).
uint16_t closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size);
    ::close(fd);
    return ntohs(at.sin_port);
}

class SiteSteps : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = temp.copyDemo();
        std::string network = "[Simulator]\nColdStartMs=0\nDiscovery=0.0.0.0:0\n\n";
        for (int n = 1; n <= kControllers; ++n)
            network += simtest::kvxrealCController(
                id(n), serial(n), n, "300",
                std::string("Password=") + kPassword + "\n" +
                    (n >= kSealed    ? "EncryptionRequired=yes\n"
                     : n == kTwoFree ? "\n[Partition " + id(n) +
                                           " 24]\nName=Spare\nType=2\nSize=0\nMaxSize=2097152\n"
                                     : ""));
        temp.write("net.ini", network);
        temp.write("state/.keep", "");
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
        setup.machineDir = machine;
        setup.password = secure::Secret(kPassword);
    }

    site::Plan plan(const std::vector<int>& controllers, const std::string& partition = "32") {
        std::string text = "serial,link,address,model,revision,partition,new-address,settings\n";
        for (int n : controllers)
            text += serial(n) + ",,,KVX300C KVXreal C controller,3.1-0-02," + partition + ",,\n";
        temp.write("site.csv", text);
        std::vector<site::PlanProblem> problems;
        site::Plan read = site::readPlan(temp / "site.csv", problems);
        EXPECT_TRUE(problems.empty());
        return read;
    }

    // The check as the run makes it; its sightings go into the setup.
    std::vector<site::PlanProblem> check(const site::Plan& plan, bool clean = true) {
        std::ostringstream said;
        heard = std::make_shared<site::Sightings>();
        const auto problems = site::checkSitePlan(setup, plan, said, heard.get());
        if (clean)
            for (const auto& p : problems) ADD_FAILURE() << p.line << ": " << p.text;
        setup.sightings = heard;
        return problems;
    }

    site::Report run(const site::Plan& plan) {
        site::SiteRun engine(plan, {.jobs = 8, .backup = false},
                             [this](const site::PlanRow& row, site::RowContext& context) {
                                 return std::make_unique<site::SiteSteps>(setup, row, context);
                             });
        engine.start();
        std::vector<site::SiteEvent> events;
        while (engine.wait(events, std::chrono::milliseconds(200))) events.clear();
        return engine.report();
    }

    components::Sighting& sighting(int n) {
        for (auto& s : *heard)
            if (s.reply.serialNumber == serial(n)) return s;
        throw std::runtime_error("no sighting of " + serial(n));
    }

    simtest::SavedController saved(int n) {
        return simtest::readSavedController(temp / ("state/" + id(n) + ".state"));
    }
    void expectUntouched(int n) {
        SCOPED_TRACE(serial(n));
        const auto s = saved(n);
        EXPECT_EQ(s.activePartition, 16);
        EXPECT_EQ(s.checksums.count(32), 0u);
    }
    static std::string messages(const site::ControllerReport& row) {
        std::string text;
        for (const auto& m : row.messages) text += m + "\n";
        return text;
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
    site::SiteSetup setup{};
    std::shared_ptr<site::Sightings> heard;
};

TEST_F(SiteSteps, OneSearchServesTheCheckAndEveryRowWhetherItDemandsThePasswordOrNot) {
    const site::Plan rows = plan({1, 2, 3, 4, 5});
    check(rows);
    ASSERT_EQ(setup.sightings->size(), static_cast<size_t>(kControllers));
    const site::Report report = run(rows);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        SCOPED_TRACE(serial(n));
        const auto& row = report.rows[i];
        EXPECT_EQ(row.result, site::RowResult::Succeeded) << messages(row);
        const auto s = saved(n);
        EXPECT_EQ(s.activePartition, 32);
        ASSERT_EQ(s.checksums.count(32), 1u);
        EXPECT_EQ(row.imageChecksum, simtest::checksumText(s.checksums.at(32)));
        EXPECT_EQ(row.name, "Room " + std::to_string(n));
    }
    // The check's search, and not one per row (nor one per sealed row's partitions).
    EXPECT_EQ(simtest::control(temp / "ctl", "discoveries"), "ok searches 1");
}

// A forged answer sends a sealed controller's row to another controller with the same password,
// and a stale one to where nobody listens any more: each of those rows fails saying why, loads
// nothing anywhere, and the others go on.
TEST_F(SiteSteps, AForgedOrStaleAnswerFailsItsRowAndLoadsNothing) {
    const site::Plan rows = plan({1, 2, kSealed});
    check(rows);
    // The answer in SITE-104's name points at SITE-105, which knows the same password.
    sighting(kSealed).reply.tcpPort = sighting(kSealed + 1).reply.tcpPort;
    sighting(2).reply.tcpPort = closedPort();

    const site::Report report = run(rows);
    EXPECT_EQ(report.rows[0].result, site::RowResult::Succeeded) << messages(report.rows[0]);
    EXPECT_EQ(saved(1).activePartition, 32);

    EXPECT_EQ(report.rows[1].result, site::RowResult::Failed);
    EXPECT_THAT(messages(report.rows[1]),
                HasSubstr("could not connect to the controller " + serial(2) +
                          ": it refused the link or is gone ("));
    expectUntouched(2);

    EXPECT_EQ(report.rows[2].result, site::RowResult::Failed);
    EXPECT_THAT(messages(report.rows[2]),
                HasSubstr("the controller answering is " + serial(kSealed + 1) + ", not " +
                          serial(kSealed)));
    expectUntouched(kSealed);
    expectUntouched(kSealed + 1);
}

// With no partition named, a row loads into the one program partition its controller does not
// run (it refuses the running one); where two could take it, the check says so, and a run
// that goes ahead all the same fails that row before any change.
TEST_F(SiteSteps, ARowWithoutAPartitionTakesTheOneFreeProgramPartition) {
    const std::string several =
        "several partitions could take the program (24, 32; partition 16 runs its program): name "
        "one in the plan's partition column";
    const site::Plan rows = plan({1, kTwoFree}, "");
    const auto problems = check(rows, false);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 3);
    EXPECT_THAT(problems[0].text, HasSubstr(serial(kTwoFree) + ": " + several));
    const site::Report report = run(rows);

    EXPECT_EQ(report.rows[0].result, site::RowResult::Succeeded) << messages(report.rows[0]);
    const auto s = saved(1);
    EXPECT_EQ(s.activePartition, 32);
    ASSERT_EQ(s.checksums.count(32), 1u);
    EXPECT_EQ(report.rows[0].partition, 32);

    EXPECT_EQ(report.rows[1].result, site::RowResult::Failed);
    EXPECT_THAT(messages(report.rows[1]), HasSubstr(several));
    expectUntouched(kTwoFree);
    EXPECT_EQ(saved(kTwoFree).checksums.count(24), 0u);
}

// The real steps, the run stopped as soon as `stopAfter` has succeeded on a row.
class StoppingSteps final : public site::ControllerSteps {
  public:
    StoppingSteps(std::unique_ptr<site::ControllerSteps> steps, std::string stopAfter,
                  std::function<void()> stop)
        : steps_(std::move(steps)), stopAfter_(std::move(stopAfter)), stop_(std::move(stop)) {}
    bool connect(site::ControllerReport& r) override {
        return after("connect", steps_->connect(r));
    }
    bool backup(site::ControllerReport& r) override { return after("backup", steps_->backup(r)); }
    bool upgradeOs(site::ControllerReport& r) override {
        return after("upgrade-os", steps_->upgradeOs(r));
    }
    bool load(site::ControllerReport& r) override { return after("load", steps_->load(r)); }
    bool verify(site::ControllerReport& r) override { return after("verify", steps_->verify(r)); }
    bool changeAddress(site::ControllerReport& r) override {
        return after("change-address", steps_->changeAddress(r));
    }
    bool loadSettings(site::ControllerReport& r) override {
        return after("load-settings", steps_->loadSettings(r));
    }

  private:
    bool after(const std::string& step, bool ok) {
        if (ok && step == stopAfter_) stop_();
        return ok;
    }
    std::unique_ptr<site::ControllerSteps> steps_;
    std::string stopAfter_;
    std::function<void()> stop_;
};

// Stopped between two steps: the controller has what the steps before did and nothing after
// (its address stays, the other row is never touched), and the report says what changed: the
// operating system that now runs, and the program read back once it was loaded.
class SiteStepsStopped : public SiteSteps {
  protected:
    void runStoppedAfter(const std::string& stopAfter) {
        temp.write("site.csv",
                   "serial,link,address,model,revision,partition,new-address,settings\n" +
                       serial(1) + ",,,KVX300C KVXreal C controller,3.1-0-02,32,2:3,\n" +
                       serial(2) + ",,,KVX300C KVXreal C controller,3.1-0-02,32,,\n");
        std::vector<site::PlanProblem> problems;
        const site::Plan rows = site::readPlan(temp / "site.csv", problems);
        ASSERT_TRUE(problems.empty());
        check(rows);
        const auto before = saved(1);
        site::SiteRun* running = nullptr;
        site::SiteRun engine(rows, {.jobs = 1, .backup = false},
                             [&](const site::PlanRow& row, site::RowContext& context) {
                                 return std::make_unique<StoppingSteps>(
                                     std::make_unique<site::SiteSteps>(setup, row, context),
                                     stopAfter, [&running] { running->cancel(); });
                             });
        running = &engine;
        engine.start();
        std::vector<site::SiteEvent> events;
        while (engine.wait(events, std::chrono::milliseconds(200))) events.clear();
        const site::ControllerReport& row = engine.report().rows[0];

        EXPECT_EQ(row.result, site::RowResult::Cancelled) << messages(row);
        const auto s = saved(1);
        EXPECT_EQ(s.address, "1:1");
        EXPECT_EQ(row.addressAfter, "1:1");
        // The revision brings another operating system: the report names the one that runs.
        EXPECT_NE(s.version, before.version);
        EXPECT_EQ(row.osBefore, before.version);
        EXPECT_EQ(row.osAfter, s.version);
        if (stopAfter == "load") {
            EXPECT_EQ(s.activePartition, 32);
            ASSERT_EQ(s.checksums.count(32), 1u);
            EXPECT_EQ(row.imageChecksum, simtest::checksumText(s.checksums.at(32)));
            EXPECT_THAT(messages(row), HasSubstr("cancelled before change-address"));
        } else {
            EXPECT_EQ(s.activePartition, 16);
            EXPECT_EQ(s.checksums.count(32), 0u);
            EXPECT_EQ(row.imageChecksum, "");
            EXPECT_THAT(messages(row), HasSubstr("cancelled before load"));
        }
        EXPECT_EQ(engine.report().rows[1].result, site::RowResult::NotStarted);
        expectUntouched(2);
    }
};

TEST_F(SiteStepsStopped, AfterTheOperatingSystemUpgrade) { runStoppedAfter("upgrade-os"); }

TEST_F(SiteStepsStopped, AfterTheLoad) { runStoppedAfter("load"); }

// A row's load meets a controller busy with another load: the row says so, in the words of
// the load the single command uses; the link is not blamed and nothing is loaded.
TEST_F(SiteSteps, ABusyControllerFailsTheRowSayingSo) {
    const site::Plan rows = plan({1});
    check(rows);
    struct Told final : site::RowContext {
        void progress(double) override {}
        void message(const std::string& text) override { said += text + "\n"; }
        bool cancelled() const override { return false; }
        std::string said;
    } told;
    site::SiteSteps steps(setup, rows.rows[0], told);
    site::ControllerReport report;
    ASSERT_TRUE(steps.connect(report)) << told.said;
    ASSERT_TRUE(steps.upgradeOs(report)) << told.said;
    auto socket = simtest::connectTcp(sim->tcp(id(1)));
    ASSERT_TRUE(socket);
    simtest::TcpClient other(std::move(*socket));
    const auto opened = other.exchange(simtest::request(
        wire::kDirectAddress,
        wire::TransferOpenRequest{wire::TransferTarget::Partition, 32, 4, 0, "Other"}));
    ASSERT_TRUE(opened);
    ASSERT_EQ(opened->code1, 0);

    EXPECT_FALSE(steps.load(report));
    EXPECT_THAT(told.said, HasSubstr("The program was not loaded into partition 32: the "
                                     "controller is busy with another load."));
    EXPECT_THAT(told.said, ::testing::Not(HasSubstr("The communication with the controller")));
    expectUntouched(1);
}

}  // namespace
