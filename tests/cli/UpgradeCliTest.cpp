// The operating-system upgrade end to end, as an engineer runs it from the command line: a copy
// of the demo product, one controller in kvxsim per case, the real components underneath. The
// version the controller reports afterwards is the evidence, not the message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

struct UpgradeCase {
    const char* name;
    bool serial;
    bool kvxrealC;
    std::string program;  // row of the model's revisions with the newer image
    // Variable name and the value the image's version gives it.
    std::vector<std::pair<std::string, std::string>> after;
    // An older controller's QSystem.OsRevision afterwards (a text, read by number).
    std::string osRevision;
    // The version discovery reports afterwards (TCP only).
    std::string discovered;
};

std::string network(const UpgradeCase& c) {
    // The line's rate is not what is tested: the real operating-system images cross a fast one.
    std::string text = "[Simulator]\nBaud=" + std::to_string(simtest::kFastBaud) + "\n";
    if (!c.serial) text += "Discovery=0.0.0.0:0\n";
    text += "\n[Controller Unit]\nSerial=SN-1\n";
    text += c.serial ? "Bus=serial\n" : "Listen=127.0.0.1:0\n";
    if (c.kvxrealC) {
        text += "Model=300\nKvxrealC=yes\nAddress=1:5\nOsVersion=KVXreal C 3.1\nFlashSize=8388608\n"
                "ActivePartition=16\nSubApplication=0\n\n[Partition Unit 16]\nName=Heating\nType=2\n"
                "Attr5=1\nSize=4096\nMaxSize=2097152\n";
    } else {
        text += "Model=210\nKvxrealC=no\nAddress=10:1\nOsVersion=2.2\n";
    }
    return text;
}

class UpgradeCli : public ::testing::TestWithParam<UpgradeCase> {
  protected:
    UpgradeCli() : machine(temp.copyDemo()) {}

    void SetUp() override {
        temp.write("net.ini", network(GetParam()));
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        if (GetParam().serial) {
            ASSERT_TRUE(simtest::setDemoBaud(temp, simtest::kFastBaud));
        } else {
            ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
        }
    }
    testsupport::CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH});
        args.insert(args.begin() + 2, {"--machine", machine});
        return runCommand(args, 120);
    }
    std::string link() const {
        return GetParam().serial ? "serial:" + sim->serial() : "tcp:" + sim->tcp("Unit");
    }
    std::string model() const { return GetParam().kvxrealC ? "3" : "2"; }
    // A variable of the controller by name, as the CLI prints it.
    std::string readName(const std::string& name) {
        const auto r = run({"read-name", "--model", model(), "--program", GetParam().program,
                            "--link", link(), "--addr", "255:30", name});
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        std::string out = r.out;
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        const auto tab = out.rfind('\t');
        return tab == std::string::npos ? out : out.substr(tab + 1);
    }

    std::string readOsRevision() {
        const auto r = run({"read", "--link", link(), "--addr", "255:30", "--file", "241",
                            "--index", "61", "--type", "5"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out.substr(0, r.out.find_first_of("\r\n"));
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_P(UpgradeCli, TheControllerRunsTheImagesVersionAfterwards) {
    const UpgradeCase& c = GetParam();
    const auto r = run({"upgrade-os", "--model", model(), "--program", c.program, "--link", link(),
                        "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("upgraded")) << r.err;
    for (const auto& [name, value] : c.after) EXPECT_EQ(readName(name), value) << name;
    if (!c.osRevision.empty()) {
        EXPECT_EQ(readOsRevision(), c.osRevision);
    }
    // A script deciding upgrades from discovery sees the new version, and upgrades no more.
    if (!c.discovered.empty()) {
        const auto found = run({"discover", "--json"});
        ASSERT_EQ(found.exitCode, 0) << found.err;
        const auto list = nlohmann::json::parse(found.out, nullptr, false);
        ASSERT_TRUE(list.is_array() && list.size() == 1) << found.out;
        EXPECT_EQ(list[0].value("osVersion", ""), c.discovered);
    }
    // Asked again, the system is current.
    const auto again = run({"upgrade-os", "--model", model(), "--program", c.program, "--link",
                            link(), "--yes"});
    EXPECT_THAT(again.out, HasSubstr("operating system is current")) << again.err;
}

const std::vector<std::pair<std::string, std::string>> kKvxrealC = {
    {"QSystem.Ver_Major", "3"}, {"QSystem.Ver_Minor", "2"}, {"QSystem.Ver_Branch", "0"},
    {"QSystem.Ver_Number", "4"}, {"QSystem.ActivePartition", "16"}};
// The older kind: KVX210 2.3 ships 2.3-0-2 for a controller running 2.2, handed to the
// version checker on either link.
const char* const kOlder = "02.03.00.0002";
INSTANTIATE_TEST_SUITE_P(
    Links, UpgradeCli,
    ::testing::Values(UpgradeCase{"KvxrealCOverTcp", false, true, "2", kKvxrealC, "", "3.2-0-4"},
                      UpgradeCase{"KvxrealCOverSerial", true, true, "2", kKvxrealC, "", ""},
                      UpgradeCase{"OlderOverTcp", false, false, "3", {}, kOlder, "2.3-0-2"},
                      UpgradeCase{"OlderOverSerial", true, false, "3", {}, kOlder, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
