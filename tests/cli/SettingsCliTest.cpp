// `krelvan-cli settings backup|restore` against a password-protected controller in kvxsim:
// what a restore wrote is read back from kvxsim's saved state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "settingstool/SettingsFile.h"
#include "sim/DemoMachine.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

const char* kNetwork = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Vault]
Serial=SN-V
Name=Vault
Model=300
KvxrealC=yes
Address=12:4
Listen=127.0.0.82:0
Password=vault-pass
EncryptionRequired=yes
FlashSize=8388608
ActivePartition=16
Var.241.92=1,3,3
Var.241.93=1,3,2
Var.241.94=1,3,0
Var.241.95=1,3,4

[Partition Vault 16]
Name=Heating
Type=2
Size=4096
MaxSize=2097152

[Partition Vault 32]
Name=UnnamedPartition
Type=2
Size=0
MaxSize=2097152
)";

// Changed between backup and restore: a text, a 32-bit and a 16-bit number, by file:index.
struct Changed {
    const char* name;
    const char* value;
    int file;
    int index;
};
const Changed kChanged[] = {
    {"QSystem.ControllerName", "Renamed", 241, 63},
    {"QServices.HttpPort", "8081", 242, 165},
    {"QServices.BACnetDeviceID", "77", 242, 60},
};

class SettingsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = temp.copyDemo();
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult run(std::vector<std::string> args, bool revision = true) {
        std::vector<std::string> fixed = {KRELVAN_CLI_PATH, args[0], args[1],
                                          "--machine",      machine, "--password-stdin"};
        if (revision) fixed.insert(fixed.end(), {"--model", "3", "--program", "2"});
        fixed.insert(fixed.end(), args.begin() + 2, args.end());
        return testsupport::runCommandWithInput(fixed, "vault-pass\n", 60);
    }
    // The last word of kvxsim's saved line for file:index.
    std::string stateValue(int file, int index) {
        // kvxsim saves a change after sending its answer: a control round trip comes after it.
        EXPECT_EQ(simtest::control(temp / "ctl", "clear Vault"), "ok");
        std::ifstream in(temp / "state/Vault.state");
        std::string value;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string var, kind, type, f, i;
            words >> var >> kind >> type >> f >> i;
            if (var == "var" && f == std::to_string(file) && i == std::to_string(index))
                value = line.substr(line.rfind(' ') + 1);
        }
        return value;
    }
    static std::string hexOf(const std::string& text) {
        std::ostringstream hex;
        for (unsigned char c : text) hex << std::hex << (c < 16 ? "0" : "") << int(c);
        return hex.str();
    }
    // The value a settings file holds for `name`, as kvxsim's state would keep it.
    static std::string fileValue(const std::string& text, const std::string& name) {
        std::string damage;
        const auto data = settingstool::parseSettings(text, damage);
        for (const auto& [n, v] : data->values) {
            if (n != name) continue;
            if (const auto* s = std::get_if<std::string>(&v)) return s->empty() ? "-" : hexOf(*s);
            return clink::VarValueText(v);
        }
        return "(none)";
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

// The load backs the settings up before it changes anything; they come back afterwards.
TEST_F(SettingsCli, BackupBeforeALoadAndRestoreTheNewestBringsEveryValueBack) {
    const auto load = testsupport::runCommandWithInput(
        {KRELVAN_CLI_PATH, "load", "--machine", machine, "--model", "3", "--program", "2",
         "--serial", "SN-V", "--password-stdin", "--partition", "32", "--yes"},
        "vault-pass\n", 120);
    ASSERT_EQ(load.exitCode, 0) << load.err;
    const std::string folder = machine + "/backups/SN-V/";
    const std::string said = "settings backed up to ";
    const size_t at = load.err.find(said);
    ASSERT_NE(at, std::string::npos) << load.err;
    const std::string file =
        load.err.substr(at + said.size(), load.err.find('\n', at) - at - said.size());
    EXPECT_THAT(file, MatchesRegex(folder + "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}-[0-9]{2}-[0-9]{2}Z"
                                            "(_[0-9]+)?\\.settings"));
    EXPECT_THAT(load.out, HasSubstr("loaded"));
    EXPECT_EQ(simtest::control(temp / "ctl", "clear Vault"), "ok");
    EXPECT_THAT(temp.read("state/Vault.state"),
                HasSubstr("text 32 2 " + hexOf("Heating and ventilation with web site")));
    std::ifstream in(file);
    const std::string saved{std::istreambuf_iterator<char>(in), {}};

    for (const Changed& c : kChanged) {
        const auto r = testsupport::runCommandWithInput(
            {KRELVAN_CLI_PATH, "write-name", "--machine", machine, "--model", "3", "--program", "2",
             "--serial", "SN-V", "--password-stdin", c.name, c.value},
            "vault-pass\n", 60);
        ASSERT_EQ(r.exitCode, 0) << c.name << ": " << r.err;
        ASSERT_NE(stateValue(c.file, c.index), fileValue(saved, c.name)) << c.name;
    }

    const auto restore = run({"settings", "restore", "SN-V"});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_THAT(restore.err, HasSubstr("restoring " + file +
                                       " (module Module1, settings package \"KVX300C "
                                       "Standard\") to SN-V"));
    EXPECT_EQ(restore.out, "restored " + file + "\n");
    for (const Changed& c : kChanged)
        EXPECT_EQ(stateValue(c.file, c.index), fileValue(saved, c.name)) << c.name;
}

TEST_F(SettingsCli, FilesAreNeverReplacedUnlessForcedAndForeignFilesAreRefused) {
    const std::string named = temp / "vault.settings";
    ASSERT_EQ(run({"settings", "backup", "SN-V", named}).exitCode, 0);
    const std::string first = temp.read("vault.settings");
    settingstool::SettingsData foreign{
        "KVX300C Standard", "Module9", {{"QSystem.ControllerName", std::string("Intruder")}}};
    temp.write("foreign.settings", settingstool::formatSettings(foreign));
    // The same module and names, another model's package: it would load half or not at all.
    temp.write("kvx200.settings",
               settingstool::formatSettings(
                   {"KVX200 Standard", "Module1", {{"QSystem.ControllerName", std::string("X")}}}));
    const std::string name = stateValue(241, 63);

    const struct {
        const char* what;
        std::vector<std::string> args;
        bool revision;
        int exitCode;
        std::string message;
    } rows[] = {
        {"an existing file",
         {"settings", "backup", "SN-V", named},
         true,
         1,
         named + " already exists and was kept (--force replaces it)"},
        {"forced", {"settings", "backup", "SN-V", named, "--force"}, true, 0, ""},
        {"another module",
         {"settings", "restore", "SN-V", temp / "foreign.settings"},
         true,
         1,
         "holds the settings of module Module9, not of Module1; nothing was loaded"},
        {"another model's package",
         {"settings", "restore", "SN-V", temp / "kvx200.settings"},
         true,
         1,
         "holds the settings package \"KVX200 Standard\", not \"KVX300C Standard\" of the "
         "selected revision; nothing was loaded"},
        {"no backup yet",
         {"settings", "restore", "SN-V"},
         true,
         1,
         "there is no backup of SN-V in " + machine + "/backups/SN-V"},
        {"a serial that is no folder name",
         {"settings", "backup", "../SN-V"},
         true,
         1,
         "no controller with serial number ../SN-V"},
        {"no revision", {"settings", "backup", "SN-V"}, false, 2, "--model is required"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto r = run(row.args, row.revision);
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
        EXPECT_THAT(r.err, HasSubstr(row.message));
        if (row.exitCode != 0) {
            EXPECT_EQ(r.out, "");
        }
    }
    EXPECT_EQ(temp.read("vault.settings"), first) << "forced: the same controller, same values";
    EXPECT_EQ(stateValue(241, 63), name) << "the foreign file wrote nothing";
    EXPECT_FALSE(std::filesystem::exists(machine + "/backups/SN-V")) << "no restore made one";
}

}  // namespace
