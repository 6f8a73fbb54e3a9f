// A new password given to `write`: never from the command line, only from a prompt or stdin,
// and over a plain link only as a controller's first network password. A password given with
// --link is refused rather than ignored. Plain refusals are checked at a fake controller that
// keeps every frame it gets; the rest against kvxsim, read back through sealed links.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "FakePeer.h"
#include "platform/components/finder/LinkedController.h"
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
Var.300.4=1,4,21.5

[Controller Fresh]
Serial=SN-F
Name=Fresh
Model=300
KvxrealC=yes
Address=12:5
Listen=127.0.0.82:0
Var.300.4=1,4,21.5
)";

class PasswordWriteCli : public ::testing::Test {
  protected:
    void SetUp() override { machine = temp.copyDemo(); }
    void startSim() {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--state", temp / "state"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult run(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin() + 1, {"--machine", machine});
        args.insert(args.begin(), KRELVAN_CLI_PATH);
        return testsupport::runCommandWithInput(args, input, 60);
    }
    // Whether `password` opens a sealed link to the controller and reads through it.
    bool opens(const std::string& serial, const std::string& password) {
        return run({"read", "--serial", serial, "--password-stdin", "--file", "300", "--index", "4",
                    "--type", "real"},
                   password + "\n")
                   .exitCode == 0;
    }
    // kvxsim saves a controller's state once its reply is out: wait for the verifier a while.
    bool verifierSaved(const std::string& id) {
        for (int i = 0; i < 100; ++i) {
            if (temp.read("state/" + id + ".state").find("\nverifier ") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    std::string fake() const { return "tcp:127.0.0.1:" + std::to_string(peer.port()); }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
    commtest::TcpPeer peer;  // answers everything Ok, keeps what it was sent
};

const std::vector<std::string> kNetworkPassword = {"--file", "248",    "--index",
                                                   "225",    "--type", "text"};
const std::vector<std::string> kWebPassword = {"--file", "248", "--index", "221", "--type", "text"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(PasswordWriteCli, PasswordsOnThePlainLinkOrTheCommandLineAreRefusedBeforeAnyFrame) {
    const std::vector<std::string> plain = {"write", "--link", fake(), "--addr", "255:30"};
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        int exitCode;
        std::string err;
    } cases[] = {
        {"the network password on the command line",
         with(with(plain, kNetworkPassword), {"s3cret"}), "", 2,
         "a password is not taken from the command line"},
        {"a web password on the command line", with(with(plain, kWebPassword), {"s3cret"}), "", 2,
         "a password is not taken from the command line"},
        {"the network password over a plain --link: the controller is unknown",
         with(with(plain, kNetworkPassword), {"--new-password-stdin"}), "s3cret\n", 1,
         "would travel in clear"},
        {"a web password over a plain link",
         with(with(plain, kWebPassword), {"--new-password-stdin"}), "s3cret\n", 1,
         "would travel in clear"},
        {"a password with --link to a serial line, which proves none",
         {"poll", "--link", "serial:/dev/null", "--addr", "1:5", "--password-stdin"},
         "s3cret\n",
         2,
         "needs tcp:HOST:PORT"},
        {"a password with --link to a serial line says to use --serial",
         {"change-address", "--link", "serial:/dev/null", "--password-stdin", "3:4"},
         "s3cret\n",
         2,
         "use --serial SN instead of --link"},
        {"a password with --link to a host name says to use --serial",
         {"read-name", "--model", "3", "--program", "2", "--link", "tcp:no-such-host.invalid:9",
          "--addr", "1:5", "--password-stdin", "QSystem.PLA"},
         "s3cret\n",
         2,
         "use --serial SN instead of --link"},
        {"the network password by name on the command line",
         {"write-name", "QCom.EncryptionPasswordPrimary", "s3cret", "--model", "3", "--program",
          "2", "--link", fake(), "--addr", "255:30"},
         "",
         2,
         "is a password, which is not taken from the command line"},
        {"--new-password-stdin for a variable that holds no password",
         {"write", "--link", fake(), "--addr", "255:30", "--file", "300", "--index", "4", "--type",
          "real", "--new-password-stdin"},
         "1\n",
         2,
         "for the password variables only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = run(c.args, c.input);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.err));
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(peer.received().empty()) << "a frame reached the controller";
}

TEST_F(PasswordWriteCli, APlainNetworkPasswordReachesOnlyAControllerThatHasNone) {
    startSim();
    const std::string before = temp.read("state/Vault.state");
    const auto refused =
        run(with({"write", "--serial", "SN-V", "--new-password-stdin"}, kNetworkPassword),
            "taken-pass\n");
    EXPECT_EQ(refused.exitCode, 1) << refused.err;
    EXPECT_THAT(refused.err, HasSubstr("has a network password; give it"));
    EXPECT_EQ(temp.read("state/Vault.state"), before);
    EXPECT_TRUE(opens("SN-V", "vault-pass")) << "the old password still opens the link";

    // A current password given to a controller that reports none: the link must be sealed, so
    // a plain one, or none, and nothing is written.
    const auto unsealed =
        run(with({"write", "--serial", "SN-F", "--password-stdin", "--new-password-stdin"},
                 kNetworkPassword),
            "any-pass\ntaken-pass\n");
    EXPECT_EQ(unsealed.exitCode, 1) << unsealed.err;
    EXPECT_THAT(unsealed.err, Not(HasSubstr("unencrypted")));
    const std::vector<std::string> commit = {"write",   "--serial", "SN-F",   "--file", "248",
                                             "--index", "226",      "--type", "bool",   "true"};
    // A new password left pending would take effect now; then the first one below would be
    // refused as plain and would not open the link.
    EXPECT_EQ(run(commit).exitCode, 0);

    // The first one travels plainly, asked for twice (the prompt reads stdin off a terminal),
    // and is said to travel unencrypted; the commit makes it the controller's password.
    const auto mismatch =
        run(with({"write", "--serial", "SN-F"}, kNetworkPassword), "fresh-pass\nfresh-pas\n");
    EXPECT_EQ(mismatch.exitCode, 2);
    EXPECT_THAT(mismatch.err, HasSubstr("the two passwords differ"));
    const auto first =
        run(with({"write", "--serial", "SN-F"}, kNetworkPassword), "fresh-pass\nfresh-pass\n");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_THAT(first.err, HasSubstr("no network password yet"));
    EXPECT_EQ(run(commit).exitCode, 0);
    EXPECT_TRUE(verifierSaved("Fresh"));
    EXPECT_TRUE(opens("SN-F", "fresh-pass"));

    // Changed over the sealed link: the current password on the first line, the new one next.
    const auto changed =
        run(with({"write", "--serial", "SN-F", "--password-stdin", "--new-password-stdin"},
                 kNetworkPassword),
            "fresh-pass\nnewer-pass\n");
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_THAT(changed.err, Not(HasSubstr("unencrypted")));
    EXPECT_EQ(run({"write", "--serial", "SN-F", "--password-stdin", "--file", "248", "--index",
                   "226", "--type", "bool", "true"},
                  "fresh-pass\n")
                  .exitCode,
              0);
    EXPECT_TRUE(opens("SN-F", "newer-pass"));
    EXPECT_FALSE(opens("SN-F", "fresh-pass"));

    // A web password travels on the sealed link as well, and reads back through it.
    const auto web =
        run(with({"write", "--serial", "SN-F", "--password-stdin", "--new-password-stdin"},
                 kWebPassword),
            "newer-pass\nguest-pass\n");
    EXPECT_EQ(web.exitCode, 0) << web.err;
    const auto back =
        run(with({"read", "--serial", "SN-F", "--password-stdin"}, kWebPassword), "newer-pass\n");
    EXPECT_EQ(back.out, "guest-pass\n") << back.err;
}

// For a controller that broadcasts do not reach: discovery sent to the address names it, the
// link is sealed and bound to it, and it is remembered as protected.
TEST_F(PasswordWriteCli, APasswordWithALinkSealsItForTheControllerThatAnswersThere) {
    startSim();
    const std::string link = "tcp:" + sim->tcp("Vault");
    const auto read = run({"read", "--link", link, "--password-stdin", "--file", "300", "--index",
                           "4", "--type", "real"},
                          "vault-pass\n");
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "21.5\n");
    EXPECT_THAT(temp.read("demo/machine/ProtectedControllers.txt"), HasSubstr("SN-V"));

    // The password changed through that link: current password first, the new one next.
    const std::vector<std::string> byLink = {"--link", link, "--password-stdin"};
    const auto changed =
        run(with(with({"write"}, byLink), with(kNetworkPassword, {"--new-password-stdin"})),
            "vault-pass\nnew-vault\n");
    EXPECT_EQ(changed.exitCode, 0) << changed.err;
    EXPECT_EQ(run(with(with({"write"}, byLink),
                       {"--file", "248", "--index", "226", "--type", "bool", "true"}),
                  "vault-pass\n")
                  .exitCode,
              0);
    EXPECT_TRUE(opens("SN-V", "new-vault"));

    const auto wrong = run(with({"poll"}, byLink), "vault-pass\n");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_THAT(wrong.err, HasSubstr("refused the network password"));

    // A controller that reports no password gets no plain link in place of the sealed one.
    const auto plain =
        run({"poll", "--link", "tcp:" + sim->tcp("Fresh"), "--password-stdin"}, "any-pass\n");
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_THAT(plain.err, HasSubstr(std::string(components::kAnsweredUnprotected)));
    EXPECT_THAT(plain.err, HasSubstr("nothing was sent"));
    EXPECT_EQ(plain.out, "");
}

}  // namespace
