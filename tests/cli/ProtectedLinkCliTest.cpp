// Every link command reaching a password-protected controller by its serial number, as the
// window reaches it: the network password from stdin, the link sealed, and what each command
// did read back from kvxsim's state. A wrong password and a controller that takes no password
// for now are told apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Vault]
Serial=SN-V
Name=Vault
Model=300
KvxrealC=yes
Address=12:4
Listen=127.0.0.81:0
Password=vault-pass
EncryptionRequired=yes
ActivePartition=16
Var.300.4=1,4,21.5

[Controller Den]
Serial=SN-D
Name=Den
Model=300
KvxrealC=yes
Address=12:5
Listen=127.0.0.82:0
Password=den-pass
EncryptionRequired=no
Var.300.4=1,4,21.5

[Controller Plain]
Serial=SN-P
Name=Plain
Model=300
KvxrealC=yes
Address=12:6
Listen=127.0.0.83:0
Var.300.4=1,4,21.5

[Partition Vault 16]
Name=Cooling
Title=Cooling 3.1
Type=2
Size=4096
MaxSize=1048576
)";

class ProtectedLinkCli : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = temp.copyDemo();
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--state", temp / "state"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult run(std::vector<std::string> args, const std::string& password) {
        return runFrom(machine, std::move(args), password);
    }
    testsupport::CommandResult runFrom(const std::string& machineDir, std::vector<std::string> args,
                                       const std::string& password) {
        args.insert(args.begin() + 1, {"--machine", machineDir});
        args.insert(args.begin(), KRELVAN_CLI_PATH);
        return testsupport::runCommandWithInput(args, password + "\n", 60);
    }
    // The value kvxsim keeps for file:index of the controller, "" when it keeps none.
    std::string stateValue(int file, int index, const std::string& controller = "Vault") {
        std::ifstream in(temp / ("state/" + controller + ".state"));
        std::string line;
        std::string value;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string var, kind, type, f, i;
            words >> var >> kind >> type >> f >> i;
            if (var == "var" && f == std::to_string(file) && i == std::to_string(index)) {
                std::string word;
                while (words >> word) value = word;
            }
        }
        return value;
    }

    // The real number at 300:4 of the controller, read live; plainly without a password.
    std::string readLive(const std::string& serial, const std::string& password = "") {
        std::vector<std::string> args = {"read",   "--file", "300",      "--index", "4",
                                         "--type", "real",   "--serial", serial};
        if (!password.empty()) args.push_back("--password-stdin");
        return run(args, password).out;
    }
    // Whether the machine folder lists `serial` among the controllers known to use a password.
    bool known(const std::string& serial) {
        std::ifstream in(machine + "/ProtectedControllers.txt");
        for (std::string line; std::getline(in, line);)
            if (line == serial) return true;
        return false;
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(ProtectedLinkCli, EveryLinkCommandReachesTheControllerBySerialNumber) {
    const std::vector<std::string> bySerial = {"--serial", "SN-V", "--password-stdin"};
    const std::vector<std::string> revision = {"--model", "3", "--program", "2"};
    auto with = [&](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {"poll at the address the controller reports", with({"poll"}, bySerial),
         "answered\t12:4\n"},
        {"write a real number",
         with({"write", "--file", "300", "--index", "4", "--type", "real", "22.5"}, bySerial), ""},
        {"read it back",
         with({"read", "--file", "300", "--index", "4", "--type", "real"}, bySerial), "22.5\n"},
        {"partitions", with({"partitions"}, bySerial), "partition 16"},
        {"read by name", with(with({"read-name", "QSystem.PLA"}, revision), bySerial), "12\n"},
        {"the module search through the sealed link", with({"scan-modules", "--all"}, bySerial),
         "12\t4\tKVX300C\n"},
        {"change the address", with({"change-address", "12:9"}, bySerial), "address 12:9\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = run(c.args, "vault-pass");
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr(c.out));
        EXPECT_THAT(r.err, Not(HasSubstr("password-protected link required")));
    }
    EXPECT_EQ(stateValue(300, 4), "22.5");
    EXPECT_EQ(stateValue(241, 1), "9") << "the address change reached the controller";

    // The plain link the commands had before is turned away.
    const auto plain = run({"poll", "--link", "tcp:" + sim->tcp("Vault"), "--addr", "255:30"}, "");
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_THAT(plain.err, HasSubstr("password-protected link required"));
}

TEST_F(ProtectedLinkCli, AWrongPasswordAndAControllerThatTakesNoneNowAreToldApart) {
    const std::vector<std::string> poll = {"poll", "--serial", "SN-V", "--password-stdin"};
    const auto wrong = run(poll, "guess");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_THAT(wrong.err, HasSubstr("Wrong network password."));
    EXPECT_THAT(wrong.err, HasSubstr("could not connect to the controller SN-V: wrong network "
                                     "password"));
    EXPECT_EQ(wrong.out, "");

    // Two more wrong ones reach this machine's own limit of three failed proofs a minute,
    // which every run shares: the third run after them sends no proof either.
    for (int i = 0; i < 2; ++i) EXPECT_EQ(run(poll, "guess").exitCode, 1);
    const auto held = run(poll, "vault-pass");
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_THAT(held.err, HasSubstr("wait a minute"));

    // Two from another machine reach the controller's limit of five failed proofs.
    testsupport::TempFolder elsewhere;
    const std::string other = elsewhere.copyDemo();
    ASSERT_TRUE(simtest::pointDemoDiscoveryAt(elsewhere, *sim));
    for (int i = 0; i < 2; ++i) EXPECT_EQ(runFrom(other, poll, "guess").exitCode, 1);
    const auto limited = runFrom(other, poll, "vault-pass");
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_THAT(limited.err, HasSubstr("too many wrong passwords; wait a minute"));
    EXPECT_THAT(limited.err, Not(HasSubstr("rong network password")));
    EXPECT_EQ(limited.out, "");
}

}  // namespace

// A controller without a password is what an impostor on first contact looks like: with a
// password given, nothing is written to it in clear and the command says why.
TEST_F(ProtectedLinkCli, AGivenPasswordIsNeverTakenOverAPlainLinkOnFirstContact) {
    const std::vector<std::string> write = {"write",           "--file", "300",  "--index",  "4",
                                            "--type",          "real",   "22.5", "--serial", "SN-P",
                                            "--password-stdin"};
    const std::vector<std::string> connect = {"connect", "SN-P", "--password-stdin"};
    for (const auto& args : {write, connect}) {
        SCOPED_TRACE(args[0]);
        const auto r = run(args, "vault-pass");
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr("could not connect to the controller SN-P: something "
                                     "answered in the controller's place without the password "
                                     "protection it was asked for"));
        EXPECT_EQ(r.out, "");
    }
    // Read back live (the state file is saved a moment later): nothing was written.
    EXPECT_EQ(readLive("SN-P"), "21.5\n");
    EXPECT_FALSE(known("SN-P"));

    // Without a password the same controller is reached plainly, and takes the write.
    const auto plain = run(
        {"write", "--file", "300", "--index", "4", "--type", "real", "22.5", "--serial", "SN-P"},
        "");
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    // kvxsim saves its state a moment after the change.
    std::string after;
    for (int i = 0; i < 50 && (after = stateValue(300, 4, "Plain")) != "22.5"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(after, "22.5");
}

TEST_F(ProtectedLinkCli, ConnectPrintsNoPlainLinkForAControllerWithAPassword) {
    const struct {
        const char* serial;
        std::string password;
        std::string printed;
    } cases[] = {
        {"SN-V", "vault-pass", "--serial SN-V --password-stdin\n"},
        {"SN-D", "", "--serial SN-D --password-stdin\n"},
        {"SN-D", "den-pass", "--serial SN-D --password-stdin\n"},
        {"SN-P", "", "--link tcp:" + sim->tcp("Plain") + " --addr 12:6\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.serial) + " " + c.password);
        std::vector<std::string> args = {"connect", c.serial};
        if (!c.password.empty()) args.push_back("--password-stdin");
        const auto r = run(args, c.password);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.printed);
    }
}

// Both a controller that demands its password and one that only has one: a wrong password,
// then the controller's limit of failed proofs, are worded alike.
TEST_F(ProtectedLinkCli, AControllerThatHasAPasswordWithoutDemandingItWordsRefusalsAlike) {
    for (const char* serial : {"SN-V", "SN-D"}) {
        SCOPED_TRACE(serial);
        const std::vector<std::string> write = {
            "write", "--file",   "300",  "--index",         "4", "--type", "real",
            "30.5",  "--serial", serial, "--password-stdin"};
        const auto wrong = run(write, "guess");
        EXPECT_EQ(wrong.exitCode, 1);
        EXPECT_THAT(wrong.err, HasSubstr(std::string("could not connect to the controller ") +
                                         serial + ": wrong network password"));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(run(write, "guess").exitCode, 1);
        const auto limited = run(write, std::string(serial) == "SN-V" ? "vault-pass" : "den-pass");
        EXPECT_EQ(limited.exitCode, 1);
        EXPECT_THAT(limited.err, HasSubstr("too many wrong passwords; wait a minute"));
        EXPECT_THAT(limited.err, Not(HasSubstr("rong network password")));
    }
    EXPECT_NE(stateValue(300, 4), "30.5");
    EXPECT_EQ(readLive("SN-D"), "21.5\n");
}

// A controller that proved its password on first contact is kept in the machine's list, which
// is what turns a later forged "no password" reply away.
TEST_F(ProtectedLinkCli, AControllerThatProvedItsPasswordIsRememberedAsProtected) {
    const struct {
        const char* serial;
        const char* password;
    } cases[] = {{"SN-V", "vault-pass"}, {"SN-D", "den-pass"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial);
        ASSERT_FALSE(known(c.serial));
        const auto r = run({"write", "--file", "300", "--index", "4", "--type", "real", "23.5",
                            "--serial", c.serial, "--password-stdin"},
                           c.password);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(known(c.serial));
    }
    EXPECT_EQ(readLive("SN-D", "den-pass"), "23.5\n") << "the write went over the sealed link";
    EXPECT_FALSE(known("SN-P"));
}

TEST_F(ProtectedLinkCli, DiscoverSaysWhichControllersHaveAPasswordAndWhichDemandIt) {
    const auto table = run({"discover"}, "");
    ASSERT_EQ(table.exitCode, 0) << table.err;
    const auto line = [&](const std::string& out, const std::string& serial) {
        const auto at = out.find(serial + "\t");
        return at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
    };
    EXPECT_THAT(line(table.out, "SN-V"), ::testing::EndsWith("\tpassword demanded"));
    EXPECT_THAT(line(table.out, "SN-D"), ::testing::EndsWith("\tpassword, not demanded"));
    EXPECT_THAT(line(table.out, "SN-P"), ::testing::EndsWith("\topen"));

    const auto json = run({"discover", "--json"}, "");
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const struct {
        const char* serial;
        bool hasPassword, demanded, access;
    } rows[] = {
        {"SN-V", true, true, false}, {"SN-D", true, false, true}, {"SN-P", false, false, true}};
    const auto list = nlohmann::json::parse(json.out);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.serial);
        const auto it = std::find_if(list.begin(), list.end(),
                                     [&](const auto& c) { return c["serial"] == row.serial; });
        ASSERT_NE(it, list.end());
        EXPECT_EQ((*it)["hasPassword"], row.hasPassword);
        EXPECT_EQ((*it)["encryptionRequired"], row.demanded);
        EXPECT_EQ((*it)["access"], row.access);
        EXPECT_EQ((*it)["knownProtected"], false);
    }

    const auto proved = run({"discover", "--serial", "SN-D", "--password-stdin"}, "den-pass");
    EXPECT_THAT(line(proved.out, "SN-D"),
                ::testing::EndsWith("\tpassword, not demanded, accepted"));
    const auto wrong = run({"discover", "--serial", "SN-V", "--password-stdin"}, "guess");
    EXPECT_THAT(line(wrong.out, "SN-V"), ::testing::EndsWith("\tpassword demanded, not accepted"));
    const auto offered = run({"discover", "--serial", "SN-P", "--password-stdin"}, "guess");
    EXPECT_THAT(line(offered.out, "SN-P"), ::testing::EndsWith("\topen, refused the password"));
    // Proved once, it is known: a later reply cannot talk it out of its password.
    const auto after = nlohmann::json::parse(run({"discover", "--json"}, "").out);
    for (const auto& c : after)
        EXPECT_EQ(c["knownProtected"], c["serial"] == "SN-D") << c["serial"];
}
