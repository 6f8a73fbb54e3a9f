// Every link command reaching a password-protected controller by its serial number, as the
// window reaches it: the network password from stdin, the link sealed, and what each command
// did read back from kvxsim's state. A wrong password and a controller that takes no password
// for now are told apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

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
    std::string stateValue(int file, int index) {
        std::ifstream in(temp / "state/Vault.state");
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
