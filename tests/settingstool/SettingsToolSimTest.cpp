// The settings tool against kvxsim, started the way Krelvan starts it: with the handle of a
// link this process opened, which the tool finds in the machine folder's link registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/Program.h"
#include "link/ByName.h"
#include "link/LinkFlags.h"
#include "link/VarValue.h"
#include "network/TcpIpSettings.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/FileSystem.h"
#include "support/DemoPackage.h"
#include "support/FakeComponents.h"
#include "support/RecordingLauncher.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/FakeUi.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::CommandResult;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Address=12:3
Listen=127.0.0.1:0

[Controller Vault]
Serial=SN-VAULT
Name=Secure wing
KvxrealC=yes
Address=12:4
Listen=127.0.0.1:0
Password=vault-password
EncryptionRequired=yes

[Controller Twin]
Serial=SN-TWIN
KvxrealC=yes
Address=12:4
Listen=127.0.0.1:0
Password=vault-password
EncryptionRequired=yes
)";

using testsupport::kDemoPackageChanges;

class SettingsToolSim : public ::testing::Test {
  protected:
    SettingsToolSim() : machine(temp.copyDemo()) {
        temp.write("demo/machine/Kvxmatic.Ini",
                   "[Kvxmatic]\nProductDir=../product\n[Link]\nTcpTimeoutMs=500\n");
        setenv("KRELVAN_MACHINE_DIR", machine.c_str(), 1);
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--control", temp / "ctl"});
    }
    void SetUp() override {
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        const simtest::Endpoint gate = sim->tcpEndpoint("Gate");
        std::string why;
        handle = kvxglib::openTcpLink(glib, gate.host, gate.port, &why);
        ASSERT_NE(handle, 0) << why;
    }

    std::vector<std::string> toolArgv(const std::string& verb, const std::string& file,
                                      const std::string& package, int32_t port,
                                      const std::string& ela) {
        return {SETTINGS_TOOL_PATH, "--batch", verb, file, "PORT=" + std::to_string(port),
                "PLA=12", "ELA=" + ela,
                "PATH=" + (temp / "demo/product/Application programs/KVX300C/3.1"),
                "CNAME=Module1", "DPAC=" + package};
    }
    CommandResult tool(const std::string& verb, const std::string& file,
                       const std::string& package = "KVX300C Standard") {
        return runCommand(toolArgv(verb, file, package, handle, "3"));
    }
    void change(const std::string& name, const std::string& value) {
        const CommandResult r =
            runCommand({KRELVAN_CLI_PATH, "write-name", "--machine", machine, "--model", "3",
                        "--program", "2", "--link", "tcp:" + sim->tcp("Gate"), "--addr", "12:3",
                        name, value});
        ASSERT_EQ(r.exitCode, 0) << name << ": " << r.err;
    }
    void changeAll() {
        for (const auto& [name, value] : kDemoPackageChanges) change(name, value);
    }
    std::string saved(const std::string& name) {
        const CommandResult r = tool("save", temp / name);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return temp.read(name);
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary glib{boxes, machine};
    int32_t handle = 0;
};

TEST_F(SettingsToolSim, SaveChangeLoadRestoresEveryValue) {
    const CommandResult first = tool("save", temp / "before.kvxset");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_THAT(first.out, HasSubstr("reading 11/11 QCom.MainComputerAddr\n"));
    const std::string before = temp.read("before.kvxset");

    changeAll();
    EXPECT_NE(saved("changed.kvxset"), before);

    const CommandResult load = tool("load", temp / "before.kvxset");
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_THAT(load.out, HasSubstr("writing 11/11 QCom.MainComputerAddr\n"));
    EXPECT_EQ(saved("after.kvxset"), before);
}

TEST_F(SettingsToolSim, ADamagedFileLoadsNothingAndSaysWhy) {
    ASSERT_EQ(tool("save", temp / "good.kvxset").exitCode, 0);
    changeAll();
    const std::string changed = saved("changed.kvxset");
    std::string damaged = temp.read("good.kvxset");
    damaged[damaged.find("HttpPort=i32:") + 13] ^= 1;
    temp.write("damaged.kvxset", damaged);

    const CommandResult load = tool("load", temp / "damaged.kvxset");
    EXPECT_EQ(load.exitCode, 1);
    EXPECT_THAT(load.err, HasSubstr("damaged.kvxset is not loaded: the check does not match "
                                    "the contents: the file was changed or damaged"));
    EXPECT_EQ(saved("still.kvxset"), changed);
}

TEST_F(SettingsToolSim, AControllerThatStopsAnsweringHalfWayListsWhatWasWritten) {
    ASSERT_EQ(tool("save", temp / "good.kvxset").exitCode, 0);
    // The first reply answers the tool's check whether the controller wants a password.
    EXPECT_EQ(simtest::control(temp / "ctl", "fault Gate drop_reply 5"), "ok");
    const CommandResult load = tool("load", temp / "good.kvxset");
    EXPECT_EQ(load.exitCode, 1);
    EXPECT_THAT(load.err,
                HasSubstr("the controller 12:3 did not take QServices.HttpPort. Written: "
                          "QSystem.ControllerName, QSystem.ControllerDescription, "
                          "QServices.HttpEnable. Not written: QServices.HttpPort, "
                          "QServices.BACnetDeviceID"));
}

TEST_F(SettingsToolSim, RefusalsChangeNothing) {
    temp.write("demo/product/Program/Packages/Broken.Dpac", "QSystem.ControllerName\nQSystem.Nothing\n");
    temp.write("demo/product/Program/Packages/Secret.Dpac",
               "QSystem.ControllerName\nqservices.emailloginpass\n");
    struct Row {
        std::vector<std::string> argv;
        int exitCode;
        std::string err;
    };
    const std::string file = temp / "none.kvxset";
    const Row rows[] = {
        {{"save", file, "Broken"},
         1,
         "module Module1 has no variables QSystem.Nothing of the settings package \"Broken\"; "
         "nothing was saved"},
        {{"save", file, "Absent"}, 1, "the settings package \"Absent\" cannot be read"},
        {{"save", file, "Secret"},
         1,
         "the settings package \"Secret\" names the password qservices.emailloginpass; "
         "passwords are never saved to or loaded from a settings file"},
        {{"load", file, "KVX300C Standard"}, 1, "the settings file " + file + " cannot be read"},
    };
    for (const Row& row : rows) {
        const CommandResult r = tool(row.argv[0], row.argv[1], row.argv[2]);
        EXPECT_EQ(r.exitCode, row.exitCode);
        EXPECT_THAT(r.err, HasSubstr(row.err));
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    // A handle nobody registered.
    handle += 100;
    const CommandResult r = tool("save", file);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("the link PORT=" + std::to_string(handle) +
                                 " cannot be found: no open link"));
}

// The controller requires the password: the tool asks for it (here on stdin), whether the lent
// link proved it or is a plain one the controller answers with "authentication required".
TEST_F(SettingsToolSim, AnEncryptedControllerTakesOnlyItsPassword) {
    const simtest::Endpoint vault = sim->tcpEndpoint("Vault");
    const simtest::Endpoint twin = sim->tcpEndpoint("Twin");
    std::string why;
    const int32_t secure = kvxglib::openSecureTcpLink(
        glib, vault.host, vault.port, secure::Secret("vault-password"), &why, nullptr, "SN-VAULT");
    ASSERT_NE(secure, 0) << why;
    const int32_t plain = kvxglib::openTcpLink(glib, vault.host, vault.port, &why, "SN-VAULT");
    ASSERT_NE(plain, 0) << why;
    // The program chose SN-VAULT, and a relay at that address hands the tool's connection to
    // a controller with the same password.
    const int32_t relayed = kvxglib::openTcpLink(glib, twin.host, twin.port, &why, "SN-VAULT");
    ASSERT_NE(relayed, 0) << why;
    const int32_t byAddress = kvxglib::openTcpLink(glib, vault.host, vault.port, &why);
    ASSERT_NE(byAddress, 0) << why;
    for (const auto& entry : std::filesystem::directory_iterator(machine + "/links")) {
        std::ifstream in(entry.path());
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        EXPECT_THAT(text, Not(HasSubstr("vault-password")));
    }

    struct Row {
        const char* what;
        int32_t port;
        std::vector<std::string> flags;
        std::optional<std::string> input;  // nothing: stdin is /dev/null
        int exitCode;
        std::string message;
    };
    const std::string refused = "refused the network password (a wrong password, or not the "
                                "controller); nothing was read or written";
    const std::string missing = "requires its network password and none was given";
    const Row rows[] = {
        {"secure, right", secure, {"--password-stdin"}, "vault-password\n", 0, "saved to"},
        {"probed, right", plain, {"--password-stdin"}, "vault-password\n", 0, "saved to"},
        {"secure, wrong", secure, {"--password-stdin"}, "guess\n", 1, refused},
        {"probed, wrong", plain, {"--password-stdin"}, "guess\n", 1, refused},
        {"secure, empty stdin", secure, {"--password-stdin"}, "", 1, missing},
        {"secure, no terminal", secure, {}, std::nullopt, 1, missing},
        {"relayed to a twin", relayed, {"--password-stdin"}, "vault-password\n", 1,
         "the controller answering is SN-TWIN, not SN-VAULT; nothing was read or written"},
        {"address only", byAddress, {"--password-stdin"}, "vault-password\n", 1,
         "its serial number is not known"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string file = temp / "vault.kvxset";
        std::filesystem::remove(file);
        std::vector<std::string> argv =
            toolArgv("save", file, "KVX300C Standard", row.port, "4");
        argv.insert(argv.begin() + 1, row.flags.begin(), row.flags.end());
        const CommandResult r =
            row.input ? testsupport::runCommandWithInput(argv, *row.input) : runCommand(argv);
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
        EXPECT_THAT(row.exitCode == 0 ? r.out : r.err, HasSubstr(row.message));
        EXPECT_EQ(std::filesystem::exists(file), row.exitCode == 0);
    }
}

// On the serial link the window lends the tool its serial port and the address of the
// controller that answers there, whatever controller it talked to before: the tool saves that
// controller's settings and loads them back, as kvxsim then tells.
class SettingsToolSerialSim : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", "[Controller Head]\nBus=serial\nSerial=SN-HEAD\nModel=300\n"
                              "KvxrealC=yes\nAddress=10:1\n\n[Controller Valve]\nBus=serial\n"
                              "Serial=SN-VALVE\nModel=200\nAddress=10:2\n");
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        temp.write("demo/machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../product\n[Link]\nPort=" +
                                                    sim->serial() +
                                                    "\nBaud=115200\nSerialTimeoutMs=300\n");
        setenv("KRELVAN_MACHINE_DIR", machine.c_str(), 1);
        // The program starts what it finds there; the test runs the real tool itself.
        temp.write("demo/product/Program/SettingsTool", "#!/bin/sh\n");
        std::filesystem::permissions(temp / "demo/product/Program/SettingsTool",
                                     std::filesystem::perms::owner_all);
        app::FormMain& form = program.formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(3);  // KVX300C, whose revision 3.1 has a settings package
        form.CtrlPrograms_ItemClick(2);
    }
    // The number `name` of the controller at 10:1, read over the program's serial link.
    std::string number(const std::string& name) {
        clink::VarValue value;
        int32_t status = 0;
        if (!clink::ReadVar(program, 10, 1, name, value, clink::flags::Normal, status))
            return "(unread)";
        return clink::VarValueText(value);
    }
    void write(const std::string& name, int32_t value) {
        int32_t status = 0;
        ASSERT_TRUE(
            clink::WriteVar(program, 10, 1, name, value, clink::flags::Normal, status));
    }
    // The tool as the window started it, in batch mode.
    CommandResult tool(const std::vector<std::string>& started, const std::string& verb,
                       const std::string& file) {
        std::vector<std::string> argv = started;
        argv[0] = SETTINGS_TOOL_PATH;
        argv.insert(argv.begin() + 1, {"--batch", verb, file});
        return runCommand(argv, 60);
    }

    testsupport::TempFolder temp;
    std::string machine = temp.copyDemo();
    std::unique_ptr<simtest::SimProcess> sim;
    testsupport::ScriptedMessageBoxes boxes;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    os::RealFileSystem files;
    RecordingLauncher launcher;
    kvxglib::RealLibrary glib{boxes, machine, launcher};
    kvxnam::RealLibrary nam;
    testsupport::FakeComponentFactory components;
    Platform platform{glib, nam, screen, files, clock, components};
    app::Program program{platform};
};

TEST_F(SettingsToolSerialSim, TheToolSavesAndLoadsTheControllerOnTheSerialLink) {
    // Serial chosen after a TCP/IP controller at 3:7.
    program.connection.CommKind = 1;
    program.connection.CurrentLink = 0;
    program.connection.CurrentPLA = 3;
    program.connection.CurrentELA = 7;
    program.formMain.SaveLoadSettings_Click();
    ASSERT_EQ(launcher.launched.size(), 1u) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    const std::vector<std::string> started = launcher.launched[0];
    ASSERT_EQ(started.size(), 7u) << ::testing::PrintToString(started);
    EXPECT_EQ(std::vector<std::string>(started.begin() + 1, started.begin() + 4),
              (std::vector<std::string>{"PORT=0", "PLA=10", "ELA=1"}));

    const std::string file = temp / "head.kvxset";
    const CommandResult save = tool(started, "save", file);
    ASSERT_EQ(save.exitCode, 0) << save.err;
    const std::string deviceId = number("QServices.BACnetDeviceID");
    const std::string port = number("QServices.HttpPort");
    write("QServices.BACnetDeviceID", 77);
    write("QServices.HttpPort", 8081);
    ASSERT_EQ(number("QServices.BACnetDeviceID"), "77");

    const CommandResult load = tool(started, "load", file);
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_THAT(load.out, HasSubstr("loaded from " + file));
    EXPECT_EQ(number("QServices.BACnetDeviceID"), deviceId);
    EXPECT_EQ(number("QServices.HttpPort"), port);
}

// A serial line has no protected session: a first network password crosses it only after the
// user was told, the web passwords never do, and once the controller has a password it takes
// no new one over the line.
TEST_F(SettingsToolSerialSim, OnlyAnAnnouncedFirstNetworkPasswordCrossesTheSerialLine) {
    program.connection.CommKind = 1;
    program.connection.CurrentLink = 0;
    program.connection.CurrentPLA = 10;
    program.connection.CurrentELA = 1;
    network::TcpCfg& cfg = program.TcpCfg;
    cfg.EncryptedPass = "first-pass";
    cfg.EncryptedPassKnown = true;
    cfg.WebGuestPass = "guest-pass";
    cfg.WebGuestPassKnown = true;
    const auto announced = [this] {
        std::size_t n = 0;
        for (const testsupport::ShownMessage& m : boxes.shown)
            n += m.text.find("travels unencrypted over the serial line") != std::string::npos;
        return n;
    };
    const auto failed = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };

    const std::vector<std::string> first = network::WriteControllerTcpIpSettings(program);
    EXPECT_EQ(announced(), 1u);
    EXPECT_FALSE(failed(first, "QCom.EncryptionPasswordPrimary")) << ::testing::PrintToString(first);
    EXPECT_TRUE(failed(first, "QCom.EncryptionPassword1")) << ::testing::PrintToString(first);

    // The station now has a password: it refuses a new one in clear.
    cfg.EncryptedPass = "second-pass";
    const std::vector<std::string> second = network::WriteControllerTcpIpSettings(program);
    EXPECT_TRUE(failed(second, "QCom.EncryptionPasswordPrimary")) << ::testing::PrintToString(second);
    EXPECT_TRUE(failed(second, "QCom.EncryptionPassword1")) << ::testing::PrintToString(second);
}

}  // namespace
