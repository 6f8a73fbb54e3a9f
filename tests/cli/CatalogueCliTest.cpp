// `krelvan-cli catalogue` on a copy of the demo product, as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

class CatalogueCli : public ::testing::Test {
  protected:
    CatalogueCli() : machine(temp.copyDemo()) {}
    testsupport::CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH, "catalogue", "--machine", machine});
        return runCommand(args);
    }
    testsupport::TempFolder temp;
    std::string machine;
};

TEST_F(CatalogueCli, ListsModels) {
    const auto r = run({});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "1\tVelmoro Classic\tKVX200 heating controller\n"
              "2\tVelmoro Optima\tKVX210 air handling controller\n"
              "3\tVelmoro Optima C\tKVX300C KVXreal C controller\n"
              "4\tVelmoro Lumen\tLumen room unit\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CatalogueCli, ListsProgramsOfAModel) {
    const auto r = run({"--model", "1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "1\t2.4-0-01\tHeating, two radiator circuits\t-\n"
              "2\t2.5-0-03\tHeating, two radiator circuits and hot water\t*\n");
}

TEST_F(CatalogueCli, ResolvesAProgram) {
    const auto r = run({"--model", "3", "--program", "2"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "resolved\temail=1\tweb=1\tsettings=KVX300C Standard\tproject=" + temp.path() +
                         "/demo/product/Application programs/KVX300C/3.1" + "\tmodule=Module1\n");
}

TEST_F(CatalogueCli, BadArgumentsExitWithUsage) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--model", "0"},
                                               {"--model", "5"},
                                               {"--model", "1", "--program", "3"},
                                               {"--program", "1"},
                                               {"--model", "x"},
                                               {"--bogus"}}) {
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_FALSE(r.err.empty()) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
}

TEST_F(CatalogueCli, NumbersOutOfRangeAreExplainedInWords) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"--model", "0"}, "usage error: model 0: models are numbered from 1\n"},
        {{"--model", "-3"}, "usage error: model -3: models are numbered from 1\n"},
        {{"--model", "5"}, "usage error: model 5: there are only 4 models\n"},
        {{"--model", "1", "--program", "3"},
         "usage error: program 3: there are only 2 programs of model 1\n"},
        {{"--model", "4", "--program", "1"},
         "usage error: program 1: there are no programs of model 4\n"},
        // A revision's text names its row, when exactly one row has it.
        {{"--model", "1", "--program", "9.9"},
         "usage error: program \"9.9\": model 1 has no revision \"9.9\" (its programs: "
         "1 2.4-0-01, 2 2.5-0-03)\n"},
        {{"--model", "2", "--program", "2.3-0-00"},
         "usage error: program \"2.3-0-00\": 2 programs of model 2 have that revision; give the "
         "row number (its programs: 1 2.1-0-00, 2 2.2-0-01, 3 2.3-0-00, 4 2.3-0-00)\n"},
    };
    for (const Case& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(CatalogueCli, JsonBeforeOrAfterTheCommand) {
    auto r = runCommand({KRELVAN_CLI_PATH, "--json", "catalogue", "--machine", machine});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto models = nlohmann::json::parse(r.out);
    ASSERT_TRUE(models.is_array() && !models.empty());
    EXPECT_EQ(models[0], nlohmann::json::parse(R"({"number": 1, "productLine": "Velmoro Classic",
                                                   "name": "KVX200 heating controller"})"));
    r = run({"--json", "--model", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"([
        {"number": 1, "revision": "2.4-0-01", "name": "Heating, two radiator circuits",
         "current": false},
        {"number": 2, "revision": "2.5-0-03",
         "name": "Heating, two radiator circuits and hot water", "current": true}])"));
}

TEST_F(CatalogueCli, AMissingFolderIsNamedInOneInfoLine) {
    struct Case {
        std::string name;
        std::function<void()> arrange;
        std::string machineDir;
        std::string err;
    };
    const std::string product = temp / "demo/product";
    const Case cases[] = {
        {"no machine folder", [] {}, temp / "nowhere",
         "info: the machine folder " + (temp / "nowhere") +
             " does not exist (give --machine or set KRELVAN_MACHINE_DIR)\n"},
        {"no product folder",
         [&] { temp.write("demo/machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../gone\n"); },
         machine,
         "info: the product folder " + (temp / "demo/gone") + " (ProductDir of " + machine +
             "/Kvxmatic.Ini) does not exist\n"},
        {"no Kvxmatic.Ini", [&] { std::filesystem::remove(machine + "/Kvxmatic.Ini"); }, machine,
         "info: " + machine + "/Kvxmatic.Ini does not exist; the product folder is /kvx\n"},
    };
    for (const Case& c : cases) {
        c.arrange();
        const auto r = runCommand({KRELVAN_CLI_PATH, "catalogue", "--machine", c.machineDir});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        EXPECT_EQ(r.out, "") << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
    }
}

TEST_F(CatalogueCli, MessagesGoToStderrOneLineEach) {
    temp.write("demo/product/Application programs/Models/Broken.mod",
               "[ASM Model]\nName=Broken\nColour=red\n");
    const auto r = run({});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("1\t\tBroken\n"));
    EXPECT_THAT(r.err,
                ::testing::MatchesRegex(
                    "error: Can't understand the parameter Colour in the file .*Broken.mod\n"));
}

TEST_F(CatalogueCli, HelpOnTheCommand) {
    const auto r = runCommand({KRELVAN_CLI_PATH, "catalogue", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("--model"));
}

}  // namespace
