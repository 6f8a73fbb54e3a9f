// `site check` end to end on the demo network in kvxsim: every kind of mistake a plan can hold
// is reported on its line, and the controllers' state is the same afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using testsupport::runCommandWithInput;

namespace {

class SiteCheckCli : public ::testing::Test {
  protected:
    SiteCheckCli() : machine(temp.copyDemo()) {}

    void SetUp() override {
        temp.write("state/.keep", "");
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", testsupport::sourceDir() + "/demo/network.ini",
                                     "--state", temp / "state"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        const std::string ini = machine + "/Kvxmatic.Ini";
        std::string text = readText(ini);
        text.replace(text.find("Port=\n"), 6, "Port=" + sim->serial() + "\n");
        const size_t discovery = text.find("DiscoveryPort=");
        text.replace(discovery, text.find('\n', discovery) - discovery,
                     "DiscoveryPort=" + std::to_string(simtest::splitHostPort(sim->udp()).port) +
                         "\nDiscoveryWaitMs=400");
        writeText(ini, text);
    }

    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void writeText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // Everything kvxsim keeps of its controllers: addresses, variables, partitions, images.
    std::map<std::string, std::string> controllerState() {
        std::map<std::string, std::string> state;
        for (const auto& entry : std::filesystem::directory_iterator(temp / "state"))
            state[entry.path().filename().string()] = readText(entry.path().string());
        return state;
    }

    testsupport::CommandResult check(const std::string& plan, const std::string& password) {
        std::vector<std::string> args{KRELVAN_CLI_PATH, "site", "check", plan,
                                      "--machine",      machine};
        if (!password.empty()) args.push_back("--password-stdin");
        return runCommandWithInput(args, password + "\n", 120);
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

}  // namespace

TEST_F(SiteCheckCli, ReportsEveryKindOfMistakeOnItsLineAndChangesNothing) {
    const std::string bus = "serial:" + sim->serial();
    temp.write("damaged.settings", "; Krelvan controller settings.\n[Settings]\nPackage=P\n");
    temp.write("plan.csv",
               "serial,link,address,model,revision,partition,new-address,settings\n"
               "KVX300-10501,,,KVX300C KVXreal C controller,3.1-0-02,40,,\n"
               "KVX999-1,,,KVX300C KVXreal C controller,3.1-0-02,,,\n"
               "KVX210-20117,,,KVX210,2.2-0-01,,1:5,\n"
               "," +
                   bus +
                   ",20:7,KVX200 heating controller,9.9-9-99,,10:5,\n"
                   "KVX300-10501,,,KVX300C KVXreal C controller,3.1-0-02,,,\n"
                   "KVX300-10777,,,KVX300C KVXreal C controller,3.1-0-02,99,4:1,missing.settings\n"
                   "," +
                   bus +
                   ",10:2,KVX200 heating controller,2.5-0-03,,10:3,damaged.settings\n"
                   "," +
                   bus +
                   ",10:9,KVX200 heating controller,2.5-0-03,,,\n"
                   "," +
                   bus +
                   ",10:2,KVX200 heating controller,2.5-0-03,16,,\n"
                   "KVX300-10501,,,KVX300C KVXreal C controller,3.1-0-02,sixteen,,\n"
                   "," +
                   bus + ",10:1,KVX210 air handling controller,2.3-0-00,,10:5,\n");
    const auto before = controllerState();
    const std::string plan = temp / "plan.csv";
    const std::vector<std::pair<int, std::string>> expected = {
        {2, "the controller KVX300-10501 has no partition 40 (it has 16, 17, 32)"},
        {3, "no controller with serial number KVX999-1 answers on the network"},
        {4, "unknown model \"KVX210\""},
        {4, "new address 1:5 is taken by KVX300-10501 on line 2, which keeps it"},
        {5,
         "model KVX200 heating controller has no revision \"9.9-9-99\" (its revisions: "
         "2.4-0-01, 2.5-0-03)"},
        {6, "the controller KVX300-10501 is already on line 2"},
        {7, "the settings file " + (temp / "missing.settings") + " does not exist"},
        {7,
         "new address 4:1 is taken by the controller KVX200-20054 (Heating east), which the "
         "plan does not name"},
        {7, "the controller KVX300-10777 has no partition 99 (it has 16)"},
        {8, "the settings file " + (temp / "damaged.settings") + " is damaged"},
        {8, "new address 10:3 is taken: a station the plan does not name answers there"},
        {9, "no station answers at 10:9 on " + bus},
        {10, "the controller " + bus + " 10:2 is already on line 8"},
        {10, "partition 16: the controller " + bus + " 10:2 is not a KVXreal C controller"},
        {11, "partition \"sixteen\" is not a number 1..255"},
        {12, "revision 2.3-0-00 of model KVX210 air handling controller is ambiguous"},
        {12, "new address 10:5 is also the new address on line 5"},
    };
    const testsupport::CommandResult r = check(plan, "demo-password");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    size_t n = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(n, expected.size()) << "more problems than expected: " << line;
        EXPECT_THAT(line, ::testing::StartsWith(plan + ":" + std::to_string(expected[n].first) +
                                                ": " + expected[n].second));
        ++n;
    }
    EXPECT_EQ(n, expected.size()) << r.out;

    // Without the password the sealed controller's partitions cannot be listed, and nothing is
    // proved to it: its row says what is missing instead.
    const testsupport::CommandResult open = check(plan, "");
    EXPECT_THAT(open.out, ::testing::HasSubstr(plan + ":7: the controller KVX300-10777 needs the "
                                                      "network password"));
    EXPECT_EQ(controllerState(), before);
}

TEST_F(SiteCheckCli, TheDemoPlanIsReady) {
    const auto before = controllerState();
    const std::string plan = testsupport::sourceDir() + "/demo/site/plan.csv";
    const testsupport::CommandResult r = check(plan, "demo-password");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, plan + ": 4 controllers, no problems\n");
    EXPECT_EQ(controllerState(), before);
}
