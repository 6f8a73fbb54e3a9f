// `krelvan-cli catalogue` on a copy of the demo product, as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    EXPECT_EQ(r.out, "resolved\temail=1\tweb=1\tsettings=KVX300C Standard\tproject=" +
                         temp.path() + "/demo/product/Application programs/KVX300C/3.1" +
                         "\tmodule=Module1\n");
}

TEST_F(CatalogueCli, BadArgumentsExitWithUsage) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--model", "0"}, {"--model", "5"}, {"--model", "1", "--program", "3"},
             {"--program", "1"}, {"--model", "x"}, {"--bogus"}}) {
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_FALSE(r.err.empty()) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
}

TEST_F(CatalogueCli, MessagesGoToStderrOneLineEach) {
    temp.write("demo/product/Application programs/Models/Broken.mod",
               "[ASM Model]\nName=Broken\nColour=red\n");
    const auto r = run({});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("1\t\tBroken\n"));
    EXPECT_THAT(r.err, ::testing::MatchesRegex(
                           "error: Can't understand the parameter Colour in the file .*Broken.mod\n"));
}

TEST_F(CatalogueCli, HelpOnTheCommand) {
    const auto r = runCommand({KRELVAN_CLI_PATH, "catalogue", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("--model"));
}

}  // namespace
