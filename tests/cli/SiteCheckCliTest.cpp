// `site check` end to end on the demo network in kvxsim: every kind of mistake a plan can hold
// is reported on its line, and the controllers' state is the same afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "site/RunLock.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;
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

    testsupport::CommandResult check(const std::string& plan, const std::string& password,
                                     const std::vector<std::string>& more = {}) {
        return site("check", plan, password, more);
    }
    testsupport::CommandResult site(const std::string& command, const std::string& plan,
                                    const std::string& password,
                                    const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{KRELVAN_CLI_PATH, "site", command, plan, "--machine",
                                      machine};
        if (!password.empty()) args.push_back("--password-stdin");
        args.insert(args.end(), more.begin(), more.end());
        return runCommandWithInput(args, password + "\n", 120);
    }
    simtest::SavedController saved(const std::string& id) {
        return simtest::readSavedController(temp / ("state/" + id + ".state"));
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
        {7, "the controller KVX300-10777 has no partition 99 (it has 16, 32)"},
        {8, "the settings file " + (temp / "damaged.settings") + " is damaged"},
        {8, "new address 10:3 is taken: a station the plan does not name answers there"},
        {9, "no station answers at 10:9 on " + bus},
        {10, "the controller " + bus + " 10:2 is already on line 8"},
        {10, "partition 16: the controller " + bus + " 10:2 is not a KVXreal C controller"},
        {11, "partition \"sixteen\" is not a number 1..255"},
        {12, "revision 2.3-0-00 of model KVX210 air handling controller is ambiguous"},
        {12, "new address 10:5 is also the new address on line 5"},
        {12, "serial:" + sim->serial() + " 10:1 reports model KVX300C; the plan says KVX210 air"},
    };
    const testsupport::CommandResult r = check(plan, "demo-password");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    size_t n = 0;
    while (std::getline(lines, line)) {
        if (!line.starts_with(plan)) continue;  // the preview of what a run would do
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

// The demo plan passes, and the check tells per row what a run will do: the operating system
// from and to, the partition chosen and why, what runs now, the address and the settings file.
TEST_F(SiteCheckCli, TheDemoPlanIsReadyAndItsPreviewSaysWhatTheRunWillDo) {
    const auto before = controllerState();
    const std::string plan = testsupport::sourceDir() + "/demo/site/plan.csv";
    const testsupport::CommandResult r = check(plan, "demo-password");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, ::testing::EndsWith(plan + ": 4 controllers, no problems\n"));
    for (const char* row :
         {"KVX300-10501: operating system 3.1-0-12 -> 3.2-0-4; partition 32 (the one program "
          "partition that does not run); program Heating control 3.1-0-02 (partition 16) -> "
          "KVX300C KVXreal C controller 3.1-0-02; settings ",
          "KVX210-20117: operating system 2.2-0-0 stays;",
          "KVX300-10777: operating system 3.1-0-12 -> 3.2-0-4; partition 32 (the one program "
          "partition that does not run); program Cooling control 3.1-0-02 (partition 16) ->",
          "KVX200-20054: operating system 2.5-0-0 -> 2.6-0-1; program ? -> KVX200 heating "
          "controller 2.5-0-03; address 4:1 -> 4:2"})
        EXPECT_THAT(r.out, HasSubstr(row));

    const testsupport::CommandResult json = check(plan, "demo-password", {"--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    const auto result = nlohmann::json::parse(json.out);
    ASSERT_EQ(result["preview"].size(), 4u) << json.out;
    const auto& boiler = result["preview"][0];
    EXPECT_EQ(boiler["controller"], "KVX300-10501");
    EXPECT_EQ(boiler["osFrom"], "3.1-0-12");
    EXPECT_EQ(boiler["osTo"], "3.2-0-4");
    EXPECT_EQ(boiler["partition"], 32);
    EXPECT_EQ(boiler["programFrom"], "Heating control 3.1-0-02 (partition 16)");
    EXPECT_EQ(boiler["addressTo"], nullptr);
    EXPECT_EQ(result["preview"][3]["addressTo"], "4:2");
    EXPECT_EQ(result["preview"][3]["osTo"], "2.6-0-1");
    EXPECT_EQ(controllerState(), before);
}

// What would stop the run before it sends anything is the check's too: a report it cannot
// write, another run of the plan under way. Nothing is sent.
TEST_F(SiteCheckCli, ARunThatWouldStopAtOnceIsFoundByTheCheck) {
    const auto before = controllerState();
    std::filesystem::create_directory(temp / "site");
    std::filesystem::copy_file(testsupport::sourceDir() + "/demo/site/plan.csv",
                               temp / "site/plan.csv");
    std::filesystem::copy_file(testsupport::sourceDir() + "/demo/site/boiler.settings",
                               temp / "site/boiler.settings");
    const std::string plan = temp / "site/plan.csv";
    std::filesystem::create_directory(temp / "site/blocked.csv");
    testsupport::CommandResult r =
        check(plan, "demo-password", {"--report", temp / "site/blocked.json"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr(plan + ": the run's report could not be written: "));
    EXPECT_THAT(r.out, HasSubstr("blocked.csv: a folder of that name is in the way"));

    std::string why;
    {
        const auto lock = site::RunLock::take(machine, plan, why);
        ASSERT_TRUE(lock) << why;
        r = check(plan, "demo-password");
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("another run of " + plan + " is under way"));
    }
    r = check(plan, "demo-password");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(controllerState(), before);
}

// Rows the run could not finish are the check's: the partition that runs the program (the
// controller refuses a load into it), a controller of another model, a settings file of another
// package. `site run` ends at its check: every controller's state is the same, byte for byte.
TEST_F(SiteCheckCli, RowsThatCannotSucceedAreNamedAndNothingIsSent) {
    const std::string bus = "serial:" + sim->serial();
    const std::string foreign = testsupport::sourceDir() + "/demo/site/boiler.settings";
    temp.write("plan.csv",
               "serial,link,address,model,revision,partition,new-address,settings\n"
               "KVX300-10501,,,KVX300C KVXreal C controller,3.1-0-02,16,,\n"
               "KVX200-20054,,,KVX300C KVXreal C controller,3.1-0-02,,,\n"
               "," + bus + ",10:1,KVX200 heating controller,2.5-0-03,,,\n"
               "," + bus + ",10:2,KVX200 heating controller,2.5-0-03,,," + foreign + "\n");
    const std::string plan = temp / "plan.csv";
    const auto before = controllerState();
    const std::vector<std::string> expected = {
        plan + ":2: partition 16 runs the program; the controller refuses a load into it: name "
               "another or leave the column empty",
        plan + ":3: KVX200-20054 reports model KVX200; the plan says KVX300C KVXreal C controller",
        plan + ":4: " + bus + " 10:1 reports model KVX300C; the plan says KVX200 heating controller",
        plan + ":5: the settings file " + foreign + " holds the settings package \"KVX300C "
               "Standard\", not \"KVX200 Standard\" of the selected revision: the row would end "
               "with the new program and none of its settings",
    };
    const testsupport::CommandResult checked = check(plan, "demo-password");
    EXPECT_EQ(checked.exitCode, 1);
    for (const std::string& line : expected) EXPECT_THAT(checked.out, HasSubstr(line + "\n"));

    const testsupport::CommandResult run = site("run", plan, "demo-password", {"--yes"});
    EXPECT_EQ(run.exitCode, 1);
    for (const std::string& line : expected) EXPECT_THAT(run.err, HasSubstr(line + "\n"));
    EXPECT_THAT(run.err, HasSubstr("nothing was sent"));
    EXPECT_EQ(controllerState(), before);
}

// Wrong passwords lock a controller out for a while; the check and the run say so, never that
// the right password is wrong, and send nothing.
TEST_F(SiteCheckCli, ALockOutIsToldAsSuchNeverAsAWrongPassword) {
    temp.write("plan.csv",
               "serial,model,revision\nKVX300-10777,KVX300C KVXreal C controller,3.1-0-02\n");
    const std::string plan = temp / "plan.csv";
    const auto before = controllerState();
    const testsupport::CommandResult wrong = check(plan, "guess");
    EXPECT_THAT(wrong.out, HasSubstr(plan + ":2: the controller KVX300-10777 refused the network "
                                            "password"));
    // This machine takes three failed proofs a minute, the controller five from one address.
    for (int i = 0; i < 4; ++i) check(plan, "guess");
    for (const std::string command : {"check", "run"}) {
        SCOPED_TRACE(command);
        const testsupport::CommandResult r = site(
            command, plan, "demo-password",
            command == "run" ? std::vector<std::string>{"--yes"} : std::vector<std::string>{});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.out + r.err, HasSubstr("KVX300-10777 takes no password now: too many wrong "
                                             "passwords; wait a minute"));
        EXPECT_THAT(r.out + r.err, Not(HasSubstr("refused the network password")));
    }
    EXPECT_EQ(controllerState(), before);
}

// The demo's plan run twice in a row with the site's one password: both runs succeed, the
// KVXreal C controllers alternating between their two program partitions, the older TCP/IP
// controller's operating system upgraded as `upgrade-os` upgrades it. Only the Secure one has
// the password: the open ones are reached as they would be without it.
TEST_F(SiteCheckCli, TheDemoPlanRunsTwiceInARow) {
    sim.reset();
    for (const auto& entry : std::filesystem::directory_iterator(temp / "state"))
        if (entry.path().filename() != ".keep") std::filesystem::remove(entry.path());
    sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
        "--network", testsupport::sourceDir() + "/demo/network.ini", "--state", temp / "state"});
    ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));

    std::filesystem::create_directory(temp / "site");
    for (const char* file : {"plan.csv", "boiler.settings"})
        std::filesystem::copy_file(testsupport::sourceDir() + "/demo/site/" + file,
                                   temp / (std::string("site/") + file));
    const std::string plan = temp / "site/plan.csv";
    for (int expectedPartition : {32, 16}) {
        SCOPED_TRACE(expectedPartition);
        const std::string reportFile = temp / ("run-" + std::to_string(expectedPartition) + ".json");
        const testsupport::CommandResult r =
            site("run", plan, "demo-password", {"--yes", "--no-backup", "--report", reportFile});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("KVX300-10501\tpreview\toperating system "));
        std::ifstream in(reportFile);
        const auto report = nlohmann::json::parse(in);
        for (const auto& [id, serial] : {std::pair{"Boiler", "KVX300-10501"},
                                         std::pair{"Secure", "KVX300-10777"}}) {
            const simtest::SavedController s = saved(id);
            EXPECT_EQ(s.activePartition, expectedPartition) << id;
            EXPECT_EQ(s.version, "3.2-0-4") << id;
            ASSERT_EQ(s.checksums.count(expectedPartition), 1u) << id;
            for (const auto& row : report["controllers"]) {
                if (row["controller"] == serial) {
                    EXPECT_EQ(row["imageChecksum"],
                              simtest::checksumText(s.checksums.at(expectedPartition)));
                }
            }
        }
        const simtest::SavedController heating = saved("Heating");
        EXPECT_EQ(heating.osRevision, "02.06.00.0001");
        EXPECT_EQ(heating.address, "4:2");
        ASSERT_NE(heating.applicationChecksum, -1);
    }
}
