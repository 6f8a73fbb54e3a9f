// --json on every command, before or after it, against kvxsim: stdout holds one JSON document
// and nothing else, with the keys docs/cli.md documents; what a command changed is read back.
// `tcpip set` refuses what only the set-up sends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Boiler]
Serial=SN-B
Name=Boiler
Description=Boiler room
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.82:0
Ip=192.168.1.82
SubnetMask=255.255.255.0
PortOsRevision=1.8
UpgradeFileNumber=18
ActivePartition=16
Var.300.4=1,4,21.5

[Partition Boiler 16]
Name=Heating
Type=2
Size=4096
MaxSize=2097152

[Partition Boiler 32]
Name=Spare
Type=2
MaxSize=2097152
)";

class JsonCli : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = temp.copyDemo();
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    // `jsonFirst`: --json before the command, else after everything.
    testsupport::CommandResult run(std::vector<std::string> args, bool jsonFirst) {
        args.insert(args.begin() + 1, {"--machine", machine});
        if (jsonFirst)
            args.insert(args.begin(), "--json");
        else
            args.push_back("--json");
        args.insert(args.begin(), KRELVAN_CLI_PATH);
        return testsupport::runCommand(args, 120);
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(JsonCli, EveryCommandPrintsOneJsonDocumentWhereverJsonStands) {
    const std::string tcp = "tcp:" + sim->tcp("Boiler");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::function<void(const Json&)> check;
    } cases[] = {
        {"discover carries every property",
         {"discover"},
         [](const Json& j) {
             ASSERT_EQ(j.size(), 1u);
             const Json& c = j[0];
             for (const char* key :
                  {"serial", "name", "description", "modelNumber", "modelName", "ip", "mac", "dhcp",
                   "dnsName", "address", "kvxrealC", "capabilities", "portOsRevision",
                   "upgradeFileNumber", "passwordSet", "encryptionRequired", "knownProtected",
                   "hasPassword", "access"})
                 EXPECT_TRUE(c.contains(key)) << key;
             EXPECT_EQ(c["serial"], "SN-B");
             EXPECT_EQ(c["description"], "Boiler room");
             EXPECT_EQ(c["modelNumber"], 300);
             EXPECT_EQ(c["ip"], "192.168.1.82");
             EXPECT_EQ(c["address"], "1:5");
             EXPECT_EQ(c["kvxrealC"], true);
             EXPECT_EQ(c["portOsRevision"], "1.8");
             EXPECT_EQ(c["upgradeFileNumber"], 18);
             EXPECT_EQ(c["access"], true);
         }},
        {"connect",
         {"connect", "SN-B"},
         [&](const Json& j) {
             EXPECT_EQ(j["link"], tcp);
             EXPECT_EQ(j["address"], "1:5");
             EXPECT_EQ(j["passwordRequired"], false);
         }},
        {"tcpip get",
         {"tcpip", "get", "SN-B"},
         [](const Json& j) {
             EXPECT_EQ(j["CurrentSN"], "SN-B");
             EXPECT_EQ(j["ControllerOsKind"], "C");
             EXPECT_TRUE(j["HttpPort"].is_number());
             EXPECT_TRUE(j["DHCP"].is_boolean());
         }},
        {"poll",
         {"poll", "--link", tcp, "--addr", "255:30"},
         [](const Json& j) { EXPECT_EQ(j["answered"], "1:5"); }},
        {"write",
         {"write", "--link", tcp, "--addr", "1:5", "--file", "300", "--index", "4", "--type",
          "real", "22.5"},
         [](const Json& j) { EXPECT_EQ(j["written"], true); }},
        {"read shows the written value as a number",
         {"read", "--link", tcp, "--addr", "1:5", "--file", "300", "--index", "4", "--type",
          "real"},
         [](const Json& j) { EXPECT_EQ(j["value"], 22.5); }},
        {"partitions",
         {"partitions", "--link", tcp, "--addr", "1:5"},
         [](const Json& j) {
             ASSERT_EQ(j.size(), 2u);
             EXPECT_EQ(j[0]["name"], "Heating");
             EXPECT_EQ(j[0]["active"], true) << "the controller runs partition 16";
             EXPECT_EQ(j[1]["active"], false);
         }},
        {"read-name",
         {"read-name", "--model", "3", "--program", "2", "--link", tcp, "--addr", "1:5",
          "QSystem.PLA"},
         [](const Json& j) { EXPECT_EQ(j["value"], 1); }},
        {"upgrade-os",
         {"upgrade-os", "--model", "3", "--program", "2", "--link", tcp, "--yes"},
         [](const Json& j) {
             EXPECT_TRUE(j["outcome"].is_string());
             EXPECT_TRUE(j["ok"].is_boolean());
         }},
        {"scan-modules",
         {"scan-modules", "--link", tcp},
         [](const Json& j) {
             ASSERT_FALSE(j.empty());
             EXPECT_EQ(j[0]["pla"], "1");
         }},
        {"reset names the address the controller answers at",
         {"reset", "--link", tcp, "--yes"},
         [](const Json& j) {
             EXPECT_EQ(j["coldStart"], true);
             EXPECT_EQ(j["address"], "254:30");
         }},
    };
    for (const auto& c : cases) {
        for (const bool first : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (first ? ", --json first" : ", --json last"));
            const auto r = run(c.args, first);
            EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
            const Json j = Json::parse(r.out, nullptr, false);
            ASSERT_FALSE(j.is_discarded()) << r.out;
            c.check(j);
        }
    }
}

TEST_F(JsonCli, TcpIpSetRefusesWhatOnlyTheSetUpSends) {
    for (const std::string key :
         {"MainComputerAddr=10.0.0.1", "DHCP=0", "IP=192.168.1.90", "Gateway=192.168.1.1",
          "FullDNS=boiler.plant", "EncryptedCom=1"}) {
        SCOPED_TRACE(key);
        const auto r = testsupport::runCommand(
            {KRELVAN_CLI_PATH, "tcpip", "set", "SN-B", key, "--machine", machine}, 60);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_THAT(r.err, HasSubstr("tcpip setup SN-B " + key));
    }
    // What the write sequence does send is taken, and the controller keeps it.
    auto r = testsupport::runCommand({KRELVAN_CLI_PATH, "tcpip", "set", "SN-B",
                                      "BACnetDeviceName=Boiler BAC", "--machine", machine},
                                     60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = run({"tcpip", "get", "SN-B"}, true);
    EXPECT_EQ(Json::parse(r.out, nullptr, false)["BACnetDeviceName"], "Boiler BAC");
}

// A search whose socket cannot be opened (the command started with no descriptor to spare)
// fails and says why: an empty list would tell a script that the network is empty.
TEST_F(JsonCli, ADiscoveryThatCannotGoOutFailsAndSaysWhy) {
    const std::string discover =
        std::string(KRELVAN_CLI_PATH) + " discover --json --machine '" + machine + "'";
    // Two descriptors above those already open: enough to start and read the settings, not
    // for the search's socket and its wait.
    auto r = testsupport::runCommand(
        {"/bin/sh", "-c",
         "fd=3; while [ -e /proc/self/fd/$fd ]; do fd=$((fd+1)); done; ulimit -n $((fd+2)); "
         "exec " +
             discover},
        60);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr("error: no controllers could be searched for: the discovery "
                                 "socket cannot be opened: Too many open files"));
    r = testsupport::runCommand({"/bin/sh", "-c", "exec " + discover}, 60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("\"serial\": \"SN-B\""));
}

}  // namespace
