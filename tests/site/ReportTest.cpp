// The site report: both files from one schema, read back for a rerun of the failed rows, and
// a write that cannot happen losing nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "site/Report.h"
#include "site/RunLock.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;

namespace {

site::Report sampleReport() {
    site::Report report;
    report.plan = "/site/plan.csv";
    const struct {
        int line;
        std::string serial;
        std::string name;
        site::RowResult result;
    } rows[] = {{2, "SN-1", "Boiler, east", site::RowResult::Succeeded},
                {3, "SN-2", "=HYPERLINK(\"x\")", site::RowResult::Failed},
                {4, "SN-3", "Pump \"A\"", site::RowResult::Cancelled},
                {5, "SN-4", "-5 floor", site::RowResult::NotStarted}};
    for (const auto& r : rows) {
        site::ControllerReport entry;
        entry.line = r.line;
        entry.controller = r.serial;
        entry.serial = r.serial;
        entry.name = r.name;
        entry.result = r.result;
        entry.messages = {"first", "second, with a comma"};
        report.rows.push_back(entry);
    }
    return report;
}

// A cell a spreadsheet would take as a formula or split is written as text, quoted.
TEST(SiteReport, CsvCellsAreQuotedAndNeverFormulas) {
    const std::string csv = site::reportCsv(sampleReport());
    const std::string header = csv.substr(0, csv.find("\r\n"));
    EXPECT_EQ(header,
              "line,controller,serial,name,addressBefore,addressAfter,model,revision,partition,"
              "imageChecksum,osBefore,osAfter,portOsBefore,portOsAfter,backupFile,start,end,"
              "durationSeconds,result,messages");
    const char* const cells[] = {
        ",\"Boiler, east\",",
        ",\"'=HYPERLINK(\"\"x\"\")\",",
        ",\"Pump \"\"A\"\"\",",
        ",'-5 floor,",
        ",\"first\nsecond, with a comma\"\r\n",
        ",succeeded,",
        ",failed,",
        ",cancelled,",
        ",not started,",
    };
    for (const char* cell : cells) EXPECT_THAT(csv, HasSubstr(cell));
    // One line per row after the header (the messages' line break is inside quotes).
    size_t lines = 0;
    for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 5u);
}

// Every character a spreadsheet takes as the start of a formula, or skips before one, makes a
// text cell, wherever the cell is.
TEST(SiteReport, CsvCellsStartingLikeAFormulaAreText) {
    const struct {
        std::string name;
        std::string cell;  // as it stands in the CSV, between its commas
    } cases[] = {
        {"=1+2", "'=1+2"},     {"-2+3", "'-2+3"},
        {"+3*cmd", "'+3*cmd"}, {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1+2", "'\t=1+2"}, {"\r=1+2", "\"'\r=1+2\""},
        {"a=b", "a=b"},        {"Boiler -2", "Boiler -2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        site::Report report = sampleReport();
        report.rows.resize(1);
        report.rows[0].name = c.name;
        report.rows[0].messages = {c.name};
        const std::string csv = site::reportCsv(report);
        EXPECT_THAT(csv, HasSubstr(",SN-1," + c.cell + ","));
        // The messages, the last cell of the row, are guarded the same.
        EXPECT_THAT(csv, HasSubstr("," + c.cell + "\r\n"));
    }
}

// Written, read back, and the rows that did not succeed chosen for the rerun.
TEST(SiteReport, WrittenBothWaysAndReadBackForTheFailedRows) {
    testsupport::TempFolder temp;
    std::string why;
    const std::string path = temp / "plan.report.json";
    ASSERT_TRUE(site::writeReport(sampleReport(), path, why)) << why;
    const auto json = nlohmann::json::parse(temp.read("plan.report.json"));
    EXPECT_EQ(json["controllers"].size(), 4u);
    EXPECT_EQ(json["controllers"][1]["name"], "=HYPERLINK(\"x\")");
    EXPECT_EQ(json["controllers"][0]["messages"][1], "second, with a comma");
    EXPECT_EQ(temp.read("plan.report.csv"), site::reportCsv(sampleReport()));

    const auto read = site::readReport(path, why);
    ASSERT_TRUE(read) << why;
    site::Plan plan;
    for (int line = 2; line <= 6; ++line) {
        site::PlanRow row;
        row.line = line;
        row.serial = "SN-" + std::to_string(line - 1);
        plan.rows.push_back(row);
    }
    std::vector<int> lines;
    for (const site::PlanRow& row : site::rowsToRedo(plan, *read)) lines.push_back(row.line);
    // SN-5 was not in that run; SN-1 succeeded.
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 5}));

    temp.write("other.json", "{\"rows\": 3}");
    EXPECT_FALSE(site::readReport(temp / "other.json", why));
    EXPECT_THAT(why, HasSubstr("is not a site report"));
}

// A folder where a file must go: a clear message, and the report written before stays whole.
TEST(SiteReport, AFolderInTheWayIsNamedAndTheOldFilesStay) {
    testsupport::TempFolder temp;
    std::string why;
    site::Report before = sampleReport();
    before.rows.resize(1);
    ASSERT_TRUE(site::writeReport(before, temp / "r.json", why)) << why;
    const std::string oldJson = temp.read("r.json");
    std::filesystem::remove(temp / "r.csv");
    std::filesystem::create_directory(temp / "r.csv");
    EXPECT_FALSE(site::writeReport(sampleReport(), temp / "r.json", why));
    EXPECT_THAT(why, HasSubstr("r.csv: a folder of that name is in the way"));
    EXPECT_EQ(temp.read("r.json"), oldJson);
    EXPECT_FALSE(site::writeReport(sampleReport(), temp / "x.csv", why));
    EXPECT_THAT(why, HasSubstr("needs a name other than"));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()),
                            std::filesystem::directory_iterator()),
              2);
}

// A full disk, with no room at all or room for the JSON but not the CSV: the report written
// before stays whole, both files of it, and no temporary is left.
TEST(SiteReport, AFullDiskKeepsTheOldPairWhole) {
    testsupport::TempFolder temp;
    testsupport::SmallDisk disk(temp / "disk", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    site::Report before = sampleReport();
    before.rows.resize(1);
    std::string why;
    ASSERT_TRUE(site::writeReport(before, temp / "disk/r.json", why)) << why;
    const std::string oldJson = temp.read("disk/r.json");
    const std::string oldCsv = temp.read("disk/r.csv");
    // A longer report, whose CSV needs more room than the old JSON frees when replaced.
    site::Report after = sampleReport();
    for (int copy = 0; copy < 4; ++copy) {
        const std::vector<site::ControllerReport> rows = after.rows;
        after.rows.insert(after.rows.end(), rows.begin(), rows.end());
    }
    for (const size_t room : {size_t{0}, site::reportJson(after).size()}) {
        SCOPED_TRACE(room);
        ASSERT_TRUE(disk.fill(room));
        EXPECT_FALSE(site::writeReport(after, temp / "disk/r.json", why));
        EXPECT_THAT(why, HasSubstr("r.json and " + temp / "disk/r.csv: No space left on device"));
        EXPECT_EQ(temp.read("disk/r.json"), oldJson);
        EXPECT_EQ(temp.read("disk/r.csv"), oldCsv);
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp / "disk"))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{".filler", "r.csv", "r.json"}));
    }
}

// Tried before anything is sent: every way the report could not be written later is found,
// and the try leaves nothing behind.
TEST(SiteReport, WritableIsTriedBeforeTheRun) {
    testsupport::TempFolder temp;
    temp.write("a-file", "x");
    std::filesystem::create_directory(temp / "in-the-way.json");
    std::filesystem::create_directory(temp / "csv-in-the-way.csv");
    const struct {
        std::string path;
        bool writable;
        std::string why;
    } cases[] = {
        {temp / "r.json", true, ""},
        {temp / "a-file/r.json", false, "a-file/r.json: Not a directory"},
        {temp / "missing/r.json", false, "missing/r.json: No such file or directory"},
        {temp / "in-the-way.json", false, "a folder of that name is in the way"},
        {temp / "csv-in-the-way.json", false, "csv-in-the-way.csv: a folder of that name"},
        {temp / "r.csv", false, "needs a name other than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string why;
        EXPECT_EQ(site::reportWritable(c.path, why), c.writable);
        if (!c.writable) {
            EXPECT_THAT(why, HasSubstr(c.why));
        }
        // What would be written is written: the same verdict.
        EXPECT_EQ(site::writeReport(sampleReport(), c.path, why), c.writable) << why;
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a-file", "csv-in-the-way.csv", "in-the-way.json",
                                               "r.csv", "r.json"}));
}

// Each run has a report of its own, also two in one second; a rerun takes the newest of the
// plan's own, not another plan's, and the old unstamped name only when nothing newer is there.
TEST(SiteReport, KeptReportsAndTheNewestOfThePlan) {
    testsupport::TempFolder temp;
    using namespace std::chrono_literals;
    const auto at = std::chrono::system_clock::time_point(1'800'000'000s);
    const std::string plan = temp / "site.csv";
    std::string why;
    EXPECT_FALSE(site::newestReportOf(plan));
    temp.write("site.report.json", "{}");
    EXPECT_EQ(site::newestReportOf(plan), temp / "site.report.json");
    temp.write("other.report.2030-01-01T00-00-00Z.json", "{}");
    temp.write("site.report.notes.json", "{}");

    std::vector<std::string> made;
    for (const auto when : {at, at, at + 1s, at}) {
        const auto path = site::newReportBesidePlan(plan, when, why);
        ASSERT_TRUE(path) << why;
        ASSERT_TRUE(site::writeReport(sampleReport(), *path, why)) << why;
        made.push_back(*path);
    }
    EXPECT_EQ(made, (std::vector<std::string>{temp / "site.report.2027-01-15T08-00-00Z.json",
                                              temp / "site.report.2027-01-15T08-00-00Z_2.json",
                                              temp / "site.report.2027-01-15T08-00-01Z.json",
                                              temp / "site.report.2027-01-15T08-00-00Z_3.json"}));
    EXPECT_EQ(site::newestReportOf(plan), made[2]);
    std::filesystem::remove(made[2]);
    EXPECT_EQ(site::newestReportOf(plan), made[3]);
}

TEST(SiteReport, AReportBelongsToThePlanFileItWasMadeFrom) {
    testsupport::TempFolder temp;
    temp.write("a/site.csv", "");
    temp.write("b/site.csv", "");
    std::filesystem::create_directory_symlink(temp / "a", temp / "link");
    site::Report report;
    report.plan = temp / "a/site.csv";
    EXPECT_TRUE(site::reportOfPlan(report, temp / "a/site.csv"));
    EXPECT_TRUE(site::reportOfPlan(report, temp / "b/../a/site.csv"));
    EXPECT_TRUE(site::reportOfPlan(report, temp / "link/site.csv"));
    EXPECT_FALSE(site::reportOfPlan(report, temp / "b/site.csv"));
    // Written and read back, the plan it names stays.
    std::string why;
    ASSERT_TRUE(site::writeReport(report, temp / "r.json", why)) << why;
    const auto read = site::readReport(temp / "r.json", why);
    ASSERT_TRUE(read) << why;
    EXPECT_FALSE(site::reportOfPlan(*read, temp / "b/site.csv"));
}

// One run of a plan at a time, named by its file however it is written; another plan runs
// beside it; the lock goes with the process that held it, also one killed outright.
TEST(SiteRunLock, OneRunOfAPlanAtATime) {
    testsupport::TempFolder temp;
    temp.write("a/site.csv", "");
    temp.write("b/site.csv", "");
    const std::string machine = temp / "machine";
    std::filesystem::create_directory(machine);
    std::string why;
    {
        const auto held = site::RunLock::take(machine, temp / "a/site.csv", why);
        ASSERT_TRUE(held) << why;
        EXPECT_FALSE(site::RunLock::take(machine, temp / "b/../a/site.csv", why));
        EXPECT_THAT(why, HasSubstr("another run of " + temp / "a/site.csv" + " is under way" +
                                   " (process " + std::to_string(::getpid()) + ")"));
        EXPECT_TRUE(site::RunLock::take(machine, temp / "b/site.csv", why)) << why;
    }
    EXPECT_TRUE(site::RunLock::take(machine, temp / "a/site.csv", why)) << why;

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        std::string childWhy;
        const auto lock = site::RunLock::take(machine, temp / "a/site.csv", childWhy);
        const char told = lock ? 'y' : 'n';
        [[maybe_unused]] const auto n = ::write(ready[1], &told, 1);
        ::pause();
        ::_exit(0);
    }
    char told = 0;
    ASSERT_EQ(::read(ready[0], &told, 1), 1);
    EXPECT_EQ(told, 'y');
    EXPECT_FALSE(site::RunLock::take(machine, temp / "a/site.csv", why));
    EXPECT_THAT(why, HasSubstr("(process " + std::to_string(holder) + ")"));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(site::RunLock::take(machine, temp / "a/site.csv", why)) << why;

    // Long paths that differ only where a shortened name leaves them out still differ.
    const std::string deep(300, 'd');
    EXPECT_NE(site::runLockName("/x/" + deep + "/site.csv"),
              site::runLockName("/y/" + deep + "/site.csv"));
}

}  // namespace
