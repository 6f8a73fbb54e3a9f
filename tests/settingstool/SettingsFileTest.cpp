// The settings file format and the tool's arguments: what reads back, and every kind of
// damage that must stop a load before it starts.
#include <gtest/gtest.h>

#include "settingstool/SettingsFile.h"
#include "settingstool/ToolArguments.h"

using settingstool::SettingsData;

namespace {

SettingsData sample() {
    return {"KVX300C Standard",
            "Module1",
            {{"QSystem.ControllerName", std::string("Boiler \\ room\nwest")},
             {"QServices.HttpEnable", int16_t{-1}},
             {"QServices.HttpPort", int32_t{8080}},
             {"QServices.Setpoint", 21.5f},
             {"QSystem.ControllerDescription", std::string()}}};
}

TEST(SettingsFile, ReadsBackWhatItWrote) {
    const std::string text = settingstool::formatSettings(sample());
    std::string why;
    const std::optional<SettingsData> back = settingstool::parseSettings(text, why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(back->package, "KVX300C Standard");
    EXPECT_EQ(back->module, "Module1");
    EXPECT_EQ(back->values, sample().values);
    EXPECT_NE(text.find("QSystem.ControllerName=text:Boiler \\\\ room\\nwest\n"),
              std::string::npos);
    EXPECT_NE(text.find("QServices.HttpPort=i32:8080\n"), std::string::npos);
}

TEST(SettingsFile, DamageIsFoundAndNamed) {
    const std::string good = settingstool::formatSettings(sample());
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Row {
        const char* name;
        std::string text;
        std::string why;
    };
    const Row rows[] = {
        {"empty", "", "the file has no check at its end: it is cut short or not a settings file"},
        {"cut short", good.substr(0, good.size() / 2),
         "the file has no check at its end: it is cut short or not a settings file"},
        {"a changed value", replaced("i32:8080", "i32:8081"),
         "the check does not match the contents: the file was changed or damaged"},
        {"a changed check", replaced("Crc32=", "Crc32=0"),
         "the check does not match the contents: the file was changed or damaged"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string why;
        EXPECT_FALSE(settingstool::parseSettings(row.text, why));
        EXPECT_EQ(why, row.why);
    }
}

TEST(ToolArguments, TakesTheSixNamedArgumentsAndNothingElse) {
    using Args = std::vector<std::string>;
    const Args good{"PORT=3", "PLA=10", "ELA=2", "PATH=/p/a b", "CNAME=Module1",
                    "DPAC=KVX300C Standard"};
    std::string why;
    const auto parsed = settingstool::parseToolArguments(good, why);
    ASSERT_TRUE(parsed) << why;
    EXPECT_EQ(parsed->port, 3);
    EXPECT_EQ(parsed->pla, 10);
    EXPECT_EQ(parsed->ela, 2);
    EXPECT_EQ(parsed->path, "/p/a b");
    EXPECT_EQ(parsed->cname, "Module1");
    EXPECT_EQ(parsed->dpac, "KVX300C Standard");

    struct Row {
        Args args;
        std::string why;
    };
    const auto with = [&good](size_t i, const std::string& value) {
        Args a = good;
        a[i] = value;
        return a;
    };
    const Row rows[] = {
        {Args(good.begin(), good.end() - 1), "DPAC is missing"},
        {with(5, "PORT=4"), "PORT is given twice"},
        {with(0, "HOST=x"), "unknown argument \"HOST=x\" (expected NAME=value with NAME one of "
                            "PORT, PLA, ELA, PATH, CNAME, DPAC)"},
        {with(0, "PORT=-1"), "PORT \"-1\" is not a link handle (0 or more)"},
        {with(1, "PLA=256"), "PLA \"256\" and ELA \"2\" must be numbers 0..255"},
        {with(4, "CNAME="), "PATH, CNAME and DPAC must not be empty"},
    };
    for (const Row& row : rows) {
        EXPECT_FALSE(settingstool::parseToolArguments(row.args, why));
        EXPECT_EQ(why, row.why);
    }
}

}  // namespace
