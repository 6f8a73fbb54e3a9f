// The site run's engine with faked controllers: how many run at once, the order of a bus's
// stations, a failing row among good ones, and a cancel in the middle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>

#include "site/SiteRun.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

using namespace std::chrono_literals;

// Every fake controller of one run: what each was asked, and how many ran at the same time.
struct FakeSite {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    int mostRunning = 0;
    int wantedTogether = 0;  // loads wait until this many run at once (or a cancel)
    bool together = false;
    bool holdUntilCancel = false;
    std::map<std::string, int> busRunning;  // per link
    std::map<std::string, int> busMost;
    std::vector<int> order;  // lines, as their loads started
    std::map<int, std::vector<std::string>> calls;
    std::map<int, std::string> failAt;  // line -> step that fails
    // line -> step during which the run is stopped; the step itself still succeeds
    std::map<int, std::string> cancelDuring;
    std::map<int, std::string> throwAt;  // line -> step that throws
    site::SiteRun* run = nullptr;
};

class FakeSteps final : public site::ControllerSteps {
  public:
    FakeSteps(FakeSite& site, const site::PlanRow& row, site::RowContext& context)
        : site_(site), row_(row), context_(context) {}

    bool connect(site::ControllerReport& r) override {
        r.osBefore = "3.1-0-1";
        return step("connect");
    }
    bool backup(site::ControllerReport& r) override {
        r.backupFile = "backups/" + row_.serial + "/1.settings";
        return step("backup");
    }
    bool upgradeOs(site::ControllerReport&) override { return step("upgrade-os"); }
    bool load(site::ControllerReport&) override {
        std::unique_lock lock(site_.mutex);
        ++site_.running;
        site_.mostRunning = std::max(site_.mostRunning, site_.running);
        const int onBus = ++site_.busRunning[row_.link];
        site_.busMost[row_.link] = std::max(site_.busMost[row_.link], onBus);
        site_.order.push_back(row_.line);
        if (site_.running >= site_.wantedTogether) site_.together = true;
        site_.changed.notify_all();
        context_.progress(0);
        // Bounded: a run that never gets that many together fails the counts instead.
        site_.changed.wait_for(lock, 10s, [&] {
            return context_.cancelled() || (!site_.holdUntilCancel && site_.together);
        });
        --site_.running;
        --site_.busRunning[row_.link];
        site_.calls[row_.line].push_back("load");
        if (site_.cancelDuring[row_.line] == "load") {
            site_.run->cancel();
            return true;
        }
        if (context_.cancelled()) {
            context_.message("cancelled");
            return false;
        }
        context_.progress(1.0);
        return site_.failAt[row_.line] != "load";
    }
    bool verify(site::ControllerReport& r) override {
        if (!step("verify")) return false;
        r.imageChecksum = "0x00000001";
        return true;
    }
    bool changeAddress(site::ControllerReport&) override { return step("change-address"); }
    bool loadSettings(site::ControllerReport&) override { return step("load-settings"); }

  private:
    bool step(const std::string& name) {
        std::lock_guard lock(site_.mutex);
        site_.calls[row_.line].push_back(name);
        if (site_.cancelDuring[row_.line] == name) site_.run->cancel();
        if (site_.throwAt[row_.line] == name) throw std::runtime_error(name + " lost its link");
        if (site_.failAt[row_.line] != name) return true;
        context_.message(name + " failed");
        return false;
    }

    FakeSite& site_;
    site::PlanRow row_;
    site::RowContext& context_;
};

site::PlanRow tcpRow(int line) {
    site::PlanRow row;
    row.line = line;
    row.serial = "SN" + std::to_string(line);
    row.model = "KVX300C";
    row.revision = "3.1-0-02";
    return row;
}

site::PlanRow busRow(int line, const std::string& link, uint8_t ela) {
    site::PlanRow row = tcpRow(line);
    row.serial.clear();
    row.link = link;
    row.address = site::StationAddress{1, ela};
    return row;
}

struct Ran {
    std::vector<site::SiteEvent> events;
    site::Report report;
    bool allSucceeded = false;
};

// Runs to the end; `during` is called with the run after every batch of events.
Ran runSite(FakeSite& fake, site::Plan plan, site::SiteOptions options,
            const std::function<void(site::SiteRun&)>& during = {}) {
    // One fixed time: the report's times come from the injected clock.
    options.now = [] { return std::chrono::system_clock::time_point(1'800'000'000s); };
    site::SiteRun run(std::move(plan), options,
                      [&fake](const site::PlanRow& row, site::RowContext& context) {
                          return std::make_unique<FakeSteps>(fake, row, context);
                      });
    fake.run = &run;
    run.start();
    Ran ran;
    while (run.wait(ran.events, 20s)) {
        if (during) during(run);
    }
    ran.report = run.report();
    ran.allSucceeded = run.allSucceeded();
    return ran;
}

TEST(SiteRun, RunsAtMostJobsAtOnceAndTheStationsOfABusOneAfterAnother) {
    const struct {
        int jobs;
        int tcpRows;
        int busRows;  // on one serial bus, after the TCP rows
        int together;
    } cases[] = {{3, 10, 0, 3}, {8, 4, 0, 4}, {1, 3, 0, 1}, {4, 2, 5, 3}, {8, 0, 4, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "jobs " << c.jobs << " tcp " << c.tcpRows << " bus " << c.busRows);
        FakeSite fake;
        fake.wantedTogether = c.together;
        site::Plan plan;
        int line = 2;
        for (int i = 0; i < c.tcpRows; ++i) plan.rows.push_back(tcpRow(line++));
        std::vector<int> busLines;
        for (int i = 0; i < c.busRows; ++i) {
            busLines.push_back(line);
            plan.rows.push_back(busRow(line++, "serial:/dev/ttyS0", static_cast<uint8_t>(i + 1)));
        }
        const Ran ran = runSite(fake, plan, {.jobs = c.jobs});
        EXPECT_TRUE(ran.allSucceeded);
        EXPECT_EQ(fake.mostRunning, c.together);
        if (c.busRows > 0) {
            EXPECT_EQ(fake.busMost["serial:/dev/ttyS0"], 1);
            std::vector<int> busOrder;
            for (int l : fake.order)
                if (std::find(busLines.begin(), busLines.end(), l) != busLines.end())
                    busOrder.push_back(l);
            EXPECT_THAT(busOrder, ElementsAreArray(busLines));
        }
    }
}

// Each failing step ends its own row only; the others go through every step they need.
TEST(SiteRun, AFailingRowStopsOnlyItselfAndTheReportSaysWhere) {
    FakeSite fake;
    site::Plan plan;
    for (int line = 2; line <= 7; ++line) plan.rows.push_back(tcpRow(line));
    plan.rows[1].newAddress = site::StationAddress{2, 7};
    plan.rows[5].settingsFile = "boiler.settings";
    fake.failAt = {{3, "connect"}, {4, "backup"}, {5, "load"}, {6, "verify"}};
    const Ran ran = runSite(fake, plan, {.jobs = 2});
    EXPECT_FALSE(ran.allSucceeded);

    using R = site::RowResult;
    const std::vector<std::string> all = {"connect", "backup", "upgrade-os", "load", "verify"};
    const struct {
        int line;
        R result;
        std::vector<std::string> calls;
    } expected[] = {
        {2, R::Succeeded, all},
        {3, R::Failed, {"connect"}},
        {4, R::Failed, {"connect", "backup"}},
        {5, R::Failed, {"connect", "backup", "upgrade-os", "load"}},
        {6, R::Failed, all},
        {7, R::Succeeded, {"connect", "backup", "upgrade-os", "load", "verify", "load-settings"}},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& e = expected[i];
        SCOPED_TRACE(e.line);
        const site::ControllerReport& r = ran.report.rows[i];
        EXPECT_EQ(r.line, e.line);
        EXPECT_EQ(r.result, e.result);
        EXPECT_EQ(fake.calls[e.line], e.calls);
        // Every step shows as it starts, also one that reports nothing of its own.
        std::vector<std::string> shown;
        for (const site::SiteEvent& event : ran.events)
            if (event.row == i && event.step != "done" &&
                (shown.empty() || shown.back() != event.step))
                shown.push_back(event.step);
        EXPECT_EQ(shown, e.calls);
        EXPECT_EQ(r.start, "2027-01-15T08:00:00.000Z");
        EXPECT_EQ(r.end, r.start);
        if (e.result == R::Failed) {
            EXPECT_THAT(r.messages, ElementsAre(fake.failAt[e.line] + " failed"));
        }
    }

    // Without backups the step is left out.
    FakeSite again;
    const Ran noBackup = runSite(again, {"", {tcpRow(2)}}, {.jobs = 8, .backup = false});
    EXPECT_TRUE(noBackup.allSucceeded);
    EXPECT_THAT(again.calls[2], ElementsAre("connect", "upgrade-os", "load", "verify"));
}

// Stopped while two loads run: those two end cancelled at their next window, the rest never
// start, and every row is in the report.
TEST(SiteRun, CancelMidRunStopsTheRunningRowsAndStartsNoMore) {
    FakeSite fake;
    fake.holdUntilCancel = true;
    fake.wantedTogether = 2;
    site::Plan plan;
    for (int line = 2; line <= 6; ++line) plan.rows.push_back(tcpRow(line));
    const Ran ran = runSite(fake, plan, {.jobs = 2}, [&fake](site::SiteRun& run) {
        std::lock_guard lock(fake.mutex);
        if (fake.together && !run.cancelled()) {
            run.cancel();
            fake.changed.notify_all();
        }
    });
    EXPECT_TRUE(ran.report.interrupted);
    ASSERT_EQ(ran.report.rows.size(), 5u);
    int cancelled = 0;
    int notStarted = 0;
    for (const site::ControllerReport& r : ran.report.rows) {
        if (r.result == site::RowResult::Cancelled) {
            ++cancelled;
            EXPECT_THAT(r.messages, ElementsAre("cancelled"));
            // Nothing after the load ran.
            EXPECT_EQ(fake.calls[r.line].back(), "load");
        } else {
            EXPECT_EQ(r.result, site::RowResult::NotStarted);
            EXPECT_THAT(r.messages, ElementsAre("not started: the run was stopped"));
            EXPECT_TRUE(fake.calls[r.line].empty());
            ++notStarted;
        }
    }
    EXPECT_EQ(cancelled, 2);
    EXPECT_EQ(notStarted, 3);
    EXPECT_EQ(fake.order.size(), 2u);
    // Every row ended with an event the caller saw.
    EXPECT_EQ(std::count_if(ran.events.begin(), ran.events.end(),
                            [](const site::SiteEvent& e) { return e.step == "done"; }),
              5);
}

// A stop that comes while a step succeeds: the next step that changes the controller never
// runs. The read-back after a complete load still runs, so that the report says what the
// controller holds; without one the row says it was loaded but not verified.
TEST(SiteRun, AStopBetweenStepsRunsNoFurtherChange) {
    using R = site::RowResult;
    const struct {
        std::string during;
        std::string throwAt;
        R result;
        std::vector<std::string> calls;
        std::vector<std::string> messages;
        std::string checksum;
    } cases[] = {
        {"connect", "", R::Cancelled, {"connect"}, {"cancelled before backup"}, ""},
        {"backup", "", R::Cancelled, {"connect", "backup"}, {"cancelled before upgrade-os"}, ""},
        {"upgrade-os",
         "",
         R::Cancelled,
         {"connect", "backup", "upgrade-os"},
         {"cancelled before load"},
         ""},
        {"load",
         "",
         R::Cancelled,
         {"connect", "backup", "upgrade-os", "load", "verify"},
         {"cancelled before change-address"},
         "0x00000001"},
        {"load",
         "verify",
         R::Cancelled,
         {"connect", "backup", "upgrade-os", "load", "verify"},
         {"error: verify lost its link", "loaded, not verified"},
         ""},
        {"verify",
         "",
         R::Cancelled,
         {"connect", "backup", "upgrade-os", "load", "verify"},
         {"cancelled before change-address"},
         "0x00000001"},
        {"change-address",
         "",
         R::Cancelled,
         {"connect", "backup", "upgrade-os", "load", "verify", "change-address"},
         {"cancelled before load-settings"},
         "0x00000001"},
        // Stopped during its last step, the row did all it had to.
        {"load-settings",
         "",
         R::Succeeded,
         {"connect", "backup", "upgrade-os", "load", "verify", "change-address", "load-settings"},
         {},
         "0x00000001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.during + " " + c.throwAt);
        FakeSite fake;
        site::PlanRow row = tcpRow(2);
        row.newAddress = site::StationAddress{2, 7};
        row.settingsFile = "boiler.settings";
        fake.cancelDuring[2] = c.during;
        fake.throwAt[2] = c.throwAt;
        const Ran ran = runSite(fake, {"", {row, tcpRow(3)}}, {.jobs = 1});
        ASSERT_EQ(ran.report.rows.size(), 2u);
        const site::ControllerReport& r = ran.report.rows[0];
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(fake.calls[2], c.calls);
        EXPECT_EQ(r.messages, c.messages);
        EXPECT_EQ(r.imageChecksum, c.checksum);
        // The row after it never starts.
        EXPECT_TRUE(fake.calls[3].empty());
        EXPECT_EQ(ran.report.rows[1].result, R::NotStarted);
    }
}

}  // namespace
