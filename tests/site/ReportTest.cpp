// The site report: both files from one schema, read back for a rerun of the failed rows, and
// a write that cannot happen losing nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "site/Report.h"
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

}  // namespace
