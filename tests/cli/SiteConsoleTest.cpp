// The site run's console on a terminal: the summary table in columns as wide as their content
// (a serial bus's rows are long), then the counts. Piped, the CLI's site tests read it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "cli/SiteConsole.h"

using ::testing::HasSubstr;

namespace {

site::Plan aTcpRowAndAStation() {
    site::Plan plan;
    site::PlanRow tcp;
    tcp.line = 2;
    tcp.serial = "SN-1";
    site::PlanRow bus;
    bus.line = 3;
    bus.link = "serial:/dev/ttyUSB0";
    bus.address = site::StationAddress{10, 1};
    plan.rows = {tcp, bus};
    return plan;
}

site::Report siteReportOf(const site::Plan& plan) {
    site::Report report;
    for (const site::PlanRow& row : plan.rows) report.rows.push_back(site::reportFor(row));
    report.rows[0].result = site::RowResult::Succeeded;
    report.rows[0].addressAfter = "1:1";
    report.rows[0].partition = 16;
    report.rows[0].messages = {"loaded"};
    report.rows[1].result = site::RowResult::Failed;
    report.rows[1].addressAfter = "10:1";
    report.rows[1].partition = 32;
    report.rows[1].messages = {"not loaded"};
    return report;
}

TEST(SiteConsole, TheTableLinesUpEveryColumnAlsoForABusStation) {
    const site::Plan plan = aTcpRowAndAStation();
    std::ostringstream out;
    cli::SiteConsole console(out, true, plan);
    console.summary(siteReportOf(plan));
    std::istringstream lines(out.str());
    std::string line;
    std::vector<std::string> table;
    while (std::getline(lines, line))
        if (!line.empty()) table.push_back(line);
    ASSERT_EQ(table.size(), 4u) << out.str();
    EXPECT_EQ(table[3], "2 controllers: 1 succeeded, 1 failed");
    // Each heading starts where its column's cells start.
    for (const char* heading :
         {"Controller", "Result", "Address", "Partition", "Seconds", "Last message"}) {
        SCOPED_TRACE(heading);
        const size_t column = table[0].find(heading);
        ASSERT_NE(column, std::string::npos);
        for (size_t row = 1; row <= 2; ++row) {
            EXPECT_NE(table[row][column], ' ') << table[row];
            EXPECT_EQ(table[row][column - 1], ' ') << table[row];
        }
    }
    EXPECT_THAT(table[2], HasSubstr("serial:/dev/ttyUSB0 10:1  failed"));
}

}  // namespace
