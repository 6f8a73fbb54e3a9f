// The plan reader on files as spreadsheets and people write them: what it takes, and for what
// it refuses, the line it names.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "site/PlanFile.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;

namespace {

struct Expected {
    int line;
    const char* text;  // a part of the problem's text
};

struct Case {
    const char* name;
    std::string text;
    // The rows read, each as rowController + " " + model + " " + revision + " " + partition
    // + " " + new address + " " + settings.
    std::vector<std::string> rows;
    std::vector<Expected> problems;
};

std::string describe(const site::PlanRow& row) {
    return rowController(row) + " " + row.model + " " + row.revision + " " +
           std::to_string(row.partition) + " " +
           (row.newAddress ? site::addressText(*row.newAddress) : "-") + " " +
           (row.settingsFile.empty() ? "-" : row.settingsFile);
}

}  // namespace

TEST(PlanFile, ReadsSpreadsheetCsvAndNamesTheLineOfEveryMistake) {
    const std::string big(site::kMaxPlanBytes + 1, 'x');
    std::string manyRows = "serial,model,revision\n";
    for (size_t i = 0; i <= site::kMaxPlanRows; ++i) manyRows += "S" + std::to_string(i) + ",m,r\n";
    const Case cases[] = {
        {"columns in any order, names as people type them",
         "Revision,SERIAL,Model,New Address,partition,settings\n"
         "3.1-0-02,KVX300-1,KVX 300,2:7,32,boiler.settings\n",
         {"KVX300-1 KVX 300 3.1-0-02 32 2:7 /plans/boiler.settings"},
         {}},
        {"quoting: separators, doubled quotes and line breaks inside quotes",
         "serial,model,revision,settings\n"
         "\"KVX,1\",\"Model \"\"A\"\"\",\"3.1\",/abs/a.settings\n"
         "\"KVX\n2\",m,r,\n"
         "KVX3,m,r\n",
         {"KVX,1 Model \"A\" 3.1 0 - /abs/a.settings", "KVX3 m r 0 - -"},
         {{3, "control character"}}},
        {"BOM, CRLF, comments, blank lines and empty trailing columns",
         "\xEF\xBB\xBFserial,model,revision,,\r\n# the boiler room\r\n\r\n,,,,\r\nKVX1,m,r,,\r\n",
         {"KVX1 m r 0 - -"},
         {}},
        {"semicolons as written with a decimal comma",
         "serial;model;revision;partition\nKVX1;Model, big;3.1-0-02;16\n",
         {"KVX1 Model, big 3.1-0-02 16 - -"},
         {}},
        {"stations of a serial bus by link and address",
         "link,address,model,revision\nserial:/dev/ttyS0,10:1,m,r\ntcp:host:4000,255:30,m,r\n",
         {"serial:/dev/ttyS0 10:1 m r 0 - -", "tcp:host:4000 255:30 m r 0 - -"},
         {}},
        {"unknown, doubled and missing columns refuse the header",
         "serial,modle,serial\nKVX1,m,r\n",
         {},
         {{1, "unknown column \"modle\""},
          {1, "\"serial\" appears twice"},
          {1, "no column \"model\""},
          {1, "no column \"revision\""}}},
        {"a link without the address column",
         "link,model,revision\nserial:/dev/x,m,r\n",
         {},
         {{1, "no column \"address\""}}},
        {"bad fields, each on its own line",
         "serial,link,address,model,revision,partition,new-address\n"
         "KVX1,,,m,r,sixteen,\n"
         "KVX2,,,m,r,,255:30\n"
         ",serial:/dev/x,0:1,m,r,,\n"
         ",serial:/dev/x,,m,r,,\n"
         "KVX5,tcp:h:1,1:1,m,r,,\n"
         ",,,m,r,,\n"
         "KVX7,,,,r,300,\n"
         ",udp:h:1,1:1,m,r,,\n"
         "KVX9,,,m,r,,1:5,extra\n"
         "KVX10,,2:2,m,r,,\n"
         "KVX11,,,m,r,,1:5\n",
         {"KVX11 m r 0 1:5 -"},
         {{2, "partition \"sixteen\" is not a number"},
          {3, "new-address \"255:30\" is not PLA:ELA"},
          {4, "address \"0:1\" is not PLA:ELA"},
          {5, "a link needs the address"},
          {6, "not both"},
          {7, "no controller named"},
          {8, "no model"},
          {8, "partition \"300\""},
          {9, "neither tcp:HOST:PORT nor serial:PATH"},
          {10, "\"extra\" stands in a column the header does not name"},
          {11, "an address goes with a link"}}},
        {"text that is not UTF-8",
         "serial,model,revision\nKVX1,Mod\xE8le,r\n",
         {},
         {{2, "not UTF-8"}}},
        {"text after a closing quote, then a quote never closed",
         "serial,model,revision\n\"KVX1\"x,m,r\nKVX2,m,r\n\"KVX3,m,r\nKVX4,m,r\n",
         {"KVX2 m r 0 - -"},
         {{2, "text after a closing quote"}, {4, "not closed"}}},
        {"an empty file", "", {}, {{0, "no header and no rows"}}},
        {"a header alone", "serial,model,revision\n", {}, {{0, "no rows"}}},
        {"a file too large to be a plan", big, {}, {{0, "larger than"}}},
        {"too many rows", manyRows, {}, {{0, "more than"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<site::PlanProblem> problems;
        const site::Plan plan = site::parsePlan(c.text, "/plans", problems);
        std::vector<std::string> rows;
        for (const site::PlanRow& row : plan.rows) rows.push_back(describe(row));
        EXPECT_EQ(rows, c.rows);
        std::string all;
        for (const site::PlanProblem& p : problems)
            all += std::to_string(p.line) + ": " + p.text + "\n";
        ASSERT_EQ(problems.size(), c.problems.size()) << all;
        for (size_t i = 0; i < problems.size(); ++i) {
            EXPECT_EQ(problems[i].line, c.problems[i].line) << problems[i].text;
            EXPECT_THAT(problems[i].text, HasSubstr(c.problems[i].text));
        }
    }
}

TEST(PlanFile, ReadsOnlyARegularFileAndKeepsEachRowsLine) {
    testsupport::TempFolder temp;
    temp.write("plan.csv", "# site A\nserial,model,revision,settings\n\nKVX1,m,r,a.settings\n");
    std::vector<site::PlanProblem> problems;
    const site::Plan plan = site::readPlan(temp / "plan.csv", problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(plan.rows.size(), 1u);
    EXPECT_EQ(plan.file, temp / "plan.csv");
    EXPECT_EQ(plan.rows[0].line, 4);
    EXPECT_EQ(plan.rows[0].settingsFile, temp / "a.settings");

    // A named pipe would block a plain open until a writer came: it is refused at once.
    ASSERT_EQ(::mkfifo((temp / "pipe.csv").c_str(), 0600), 0);
    for (const std::string& path : {temp / "pipe.csv", temp / "missing.csv", temp.path()}) {
        problems.clear();
        EXPECT_TRUE(site::readPlan(path, problems).rows.empty());
        ASSERT_EQ(problems.size(), 1u) << path;
        EXPECT_EQ(problems[0].line, 0);
        EXPECT_THAT(problems[0].text, HasSubstr("cannot read the plan " + path));
    }
}
