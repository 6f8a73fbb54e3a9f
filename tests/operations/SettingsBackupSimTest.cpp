// Settings backups against kvxsim: what a backup holds and what a restore writes back are
// checked in the simulator's own saved state, variable by variable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "app/Program.h"
#include "link/ByName.h"
#include "link/LinkFlags.h"
#include "operations/SettingsBackup.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/FileSystem.h"
#include "platform/sysvars/Table.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/DemoPackage.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

using testsupport::kDemoPackageChanges;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SettingsBackupSim : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("demo/machine/Kvxmatic.Ini",
                   "[Kvxmatic]\nProductDir=../product\n[Link]\nTcpTimeoutMs=300\n");
        temp.write("net.ini",
                   "[Controller Gate]\nSerial=SN-GATE\nKvxrealC=yes\nAddress=12:3\n"
                   "Listen=127.0.0.1:0\n");
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        glib = std::make_unique<kvxglib::RealLibrary>(boxes, machine);
        platform =
            std::make_unique<Platform>(Platform{*glib, nam, screen, files, clock, components});
        program = std::make_unique<app::Program>(*platform);
        app::FormMain& form = program->formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(3);  // KVX300C, whose revision 3.1 has a settings package
        form.CtrlPrograms_ItemClick(2);
        const simtest::Endpoint gate = sim->tcpEndpoint("Gate");
        std::string why;
        clink::Connection& c = program->connection;
        c.CurrentLink = kvxglib::openTcpLink(*glib, gate.host, gate.port, &why);
        ASSERT_NE(c.CurrentLink, 0) << why;
        c.CommKind = 2;
        c.CurrentPLA = 12;
        c.CurrentELA = 3;
        // A first change makes kvxsim save its whole state, the web server's port included.
        int32_t status = 0;
        ASSERT_TRUE(clink::WriteVar(*program, 12, 3, "QSystem.ControllerName", std::string("Gate"),
                                    clink::flags::Normal, status));
    }

    // The package's values as kvxsim keeps them in its state file, texts still in hex.
    std::map<std::string, std::string> simValues() {
        // kvxsim saves a change after answering it: one more exchange waits for that.
        clink::VarValue pla;
        int32_t status = 0;
        EXPECT_TRUE(
            clink::ReadVar(*program, 12, 3, "QSystem.PLA", pla, clink::flags::Normal, status));
        std::map<std::string, std::string> values;
        for (const auto& [name, unused] : kDemoPackageChanges) {
            const sysvars::Variable* v = sysvars::findByName(name);
            std::ifstream in(temp / "state/Gate.state");
            for (std::string line; std::getline(in, line);) {
                std::istringstream words(line);
                std::string var, kind, type, file, index;
                words >> var >> kind >> type >> file >> index;
                if (var == "var" && file == std::to_string(v->file) &&
                    index == std::to_string(v->index))
                    values[name] = line.substr(line.rfind(' ') + 1);
            }
        }
        return values;
    }
    void changeAll() {
        for (const auto& [name, value] : kDemoPackageChanges) {
            int32_t status = 0;
            ASSERT_TRUE(clink::WriteVar(*program, 12, 3, name, std::string(value),
                                        clink::flags::Normal, status))
                << name;
        }
    }
    std::optional<std::string> backup(const std::string& serial, std::string& why) {
        return operations::backupSettings(*program, machine, serial, why);
    }

    testsupport::TempFolder temp;
    std::string machine = temp.copyDemo();
    std::unique_ptr<simtest::SimProcess> sim;
    testsupport::ScriptedMessageBoxes boxes;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    os::RealFileSystem files;
    kvxnam::RealLibrary nam;
    testsupport::FakeComponentFactory components;
    std::unique_ptr<kvxglib::RealLibrary> glib;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<app::Program> program;
};

TEST_F(SettingsBackupSim, BackupsKeepEveryValueAndRestoreWritesThemBack) {
    const std::map<std::string, std::string> original = simValues();
    ASSERT_EQ(original.size(), std::size(kDemoPackageChanges));
    std::string why;
    const std::optional<std::string> first = backup("SN-GATE", why);
    ASSERT_TRUE(first) << why;
    const std::string folder = machine + "/backups/SN-GATE";
    EXPECT_EQ(*first, folder + "/2026-12-09T08-15-02Z.settings");
    struct stat st {};
    ASSERT_EQ(::stat(first->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string firstText =
        temp.read("demo/machine/backups/SN-GATE/" + fs::path(*first).filename().string());

    changeAll();
    const std::map<std::string, std::string> changed = simValues();
    for (const auto& [name, value] : original) EXPECT_NE(changed.at(name), value) << name;

    // The same second again: a second file beside the first, which stays as it was.
    const std::optional<std::string> second = backup("SN-GATE", why);
    ASSERT_TRUE(second) << why;
    EXPECT_EQ(*second, folder + "/2026-12-09T08-15-02Z_2.settings");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"2026-12-09T08-15-02Z.settings",
                                                         "2026-12-09T08-15-02Z_2.settings"}));
    EXPECT_EQ(temp.read("demo/machine/backups/SN-GATE/2026-12-09T08-15-02Z.settings"), firstText);

    ASSERT_TRUE(operations::restoreSettings(*program, *first, why)) << why;
    EXPECT_EQ(simValues(), original);

    EXPECT_EQ(operations::newestBackup(machine, "SN-GATE"), second);
    ASSERT_TRUE(operations::restoreSettings(*program, *second, why)) << why;
    EXPECT_EQ(simValues(), changed);
    // The window's selection is as it was: a load after the backup finds its module.
    EXPECT_EQ(program->catalogue.SelectedModuleDirectory, "Module1");
}

TEST_F(SettingsBackupSim, AFailedBackupLeavesNothingAndSaysWhy) {
    const std::string backups = machine + "/backups";
    struct Row {
        const char* what;
        std::function<void()> arrange;
        std::string serial;
        std::string message;
    };
    const Row rows[] = {
        {"backups is a file", [&] { temp.write("demo/machine/backups", "x"); }, "SN-GATE",
         "the backup folder " + backups + " cannot be made"},
        {"serial folder is a link",
         [&] {
             fs::create_directories(temp / "elsewhere");
             fs::create_directories(backups);
             fs::create_directory_symlink(temp / "elsewhere", backups + "/SN-GATE");
         },
         "SN-GATE", "cannot be made: something else has that name"},
        {"serial climbs out", [] {}, "../SN-GATE", "cannot name a backup folder"},
        {"serial with a slash", [] {}, "SN/GATE", "cannot name a backup folder"},
        {"no serial", [] {}, "", "cannot name a backup folder"},
        {"hidden serial", [] {}, ".SN", "cannot name a backup folder"},
        {"controller silent",
         [&] { ASSERT_EQ(simtest::control(temp / "ctl", "fault Gate drop_reply 3"), "ok"); },
         "SN-GATE", "did not answer the read of"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(backups);
        fs::remove_all(temp / "elsewhere");
        row.arrange();
        std::string why;
        EXPECT_FALSE(backup(row.serial, why));
        EXPECT_THAT(why, HasSubstr(row.message));
        // Nothing that looks like a backup, and no half-written file, anywhere.
        EXPECT_TRUE(namesIn(temp / "elsewhere").empty());
        if (fs::is_directory(backups + "/SN-GATE") && !fs::is_symlink(backups + "/SN-GATE")) {
            EXPECT_TRUE(namesIn(backups + "/SN-GATE").empty());
        }
        EXPECT_FALSE(operations::newestBackup(machine, row.serial));
        EXPECT_EQ(simtest::control(temp / "ctl", "clear Gate"), "ok");
    }
}

// A full disk under the backups: the row is told why, and no partial backup is left that a
// restore could take for the newest.
TEST_F(SettingsBackupSim, AFullDiskLeavesNoPartialBackup) {
    testsupport::SmallDisk disk(machine + "/backups", 64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.why();
    ASSERT_TRUE(disk.fill());
    std::string why;
    EXPECT_FALSE(backup("SN-GATE", why));
    EXPECT_THAT(why, HasSubstr("cannot be written: No space left on device"));
    EXPECT_TRUE(namesIn(machine + "/backups/SN-GATE").empty());
    EXPECT_FALSE(operations::newestBackup(machine, "SN-GATE"));
}

}  // namespace

namespace {

TEST_F(SettingsBackupSim, ANamedFileIsReplacedOnlyWhenAsked) {
    temp.write("named.settings", "kept");
    std::string why;
    EXPECT_FALSE(operations::saveSettingsFile(*program, temp / "named.settings", false, why));
    EXPECT_THAT(why, HasSubstr("named.settings already exists and was kept"));
    EXPECT_EQ(temp.read("named.settings"), "kept");
    ASSERT_TRUE(operations::saveSettingsFile(*program, temp / "named.settings", true, why)) << why;
    EXPECT_THAT(temp.read("named.settings"), HasSubstr("QSystem.ControllerName=text:Gate\n"));
    EXPECT_TRUE(std::filesystem::is_regular_file(temp / "named.settings"));
    for (const std::string& name : namesIn(temp.path()))
        EXPECT_EQ(name.find(".partial-"), std::string::npos) << name;
}

}  // namespace
