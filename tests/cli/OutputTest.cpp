// The shared output of the command line: terminal tables, JSON and the readable units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <sstream>

#include "cli/Output.h"

using namespace cli;

namespace {

std::vector<Row> twoRows() {
    return {{numberField("number", "#", 1), textField("name", "Name", "Boiler \"A\""),
             numberField("size", "Size", 4096, kilobytes(4096))},
            {numberField("number", "#", 12), textField("name", "Name", "Fan"),
             numberField("size", "Size", 1048576, kilobytes(1048576))}};
}

TEST(Output, EachFormatOfAList) {
    struct Row_ {
        OutputFormat format;
        std::string text;
    };
    const Row_ rows[] = {
        {OutputFormat::Tab, "line 1\nline 2\n"},
        {OutputFormat::Table,
         "#   Name        Size\n"
         "--  ----------  -------\n"
         "1   Boiler \"A\"  4 KB\n"
         "12  Fan         1024 KB\n"},
    };
    for (const Row_& row : rows) {
        std::ostringstream out;
        printRows(out, row.format, twoRows(), {"line 1", "line 2"});
        EXPECT_EQ(out.str(), row.text);
    }
    // JSON keeps the plain numbers and the keys in their order.
    std::ostringstream json;
    printRows(json, OutputFormat::Json, twoRows(), {"line 1", "line 2"});
    EXPECT_EQ(json.str(), jsonText(Json::parse(json.str())) + "\n");
    EXPECT_EQ(Json::parse(json.str()),
              Json::parse(R"([{"number": 1, "name": "Boiler \"A\"", "size": 4096},
                              {"number": 12, "name": "Fan", "size": 1048576}])"));
    EXPECT_EQ(Json::parse(json.str())[0].begin().key(), "number");
    std::ostringstream empty;
    printRows(empty, OutputFormat::Json, {}, {});
    EXPECT_EQ(empty.str(), "[]\n");
}

TEST(Output, OneRecord) {
    const Row record{textField("answered", "Answered as", "12:3"), numberField("pla", "PLA", 12)};
    std::ostringstream tab, table, json;
    printRecord(tab, OutputFormat::Tab, record, "answered\t12:3");
    printRecord(table, OutputFormat::Table, record, "");
    printRecord(json, OutputFormat::Json, record, "");
    EXPECT_EQ(tab.str(), "answered\t12:3\n");
    EXPECT_EQ(table.str(), "Answered as: 12:3\nPLA:         12\n");
    EXPECT_EQ(Json::parse(json.str()), Json::parse(R"({"answered": "12:3", "pla": 12})"));
}

TEST(Output, ReadableUnits) {
    setenv("TZ", "UTC0", 1);  // dates are local time
    tzset();
    struct Case {
        std::string shown;
        std::string expected;
    };
    const Case cases[] = {
        {kilobytes(0), "0 KB"},
        {kilobytes(1), "1 KB"},
        {kilobytes(2048 * 1024), "2048 KB"},
        {kilobytes(8388608), "8192 KB"},
        {kilobytes(20LL * 1024 * 1024), "20.0 MB"},
        {dateSince1980(0), "-"},
        {dateSince1980(86400 + 3600 + 60), "1980-01-02 01:01:00"},
        {jsonText(Json("a\tb\x01")), "\"a\\tb\\u0001\""},
        {jsonText(Json("bad \xff byte")), "\"bad \xef\xbf\xbd byte\""},
        {numericTextField("v", "V", "21.5").json.dump(), "21.5"},
        {numericTextField("v", "V", "inf").json.dump(), "\"inf\""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.shown, c.expected);
}

}  // namespace
