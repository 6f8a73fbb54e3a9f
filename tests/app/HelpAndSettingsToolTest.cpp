// The Help menu entries and the start of the external settings tool, on the real general
// library with a launcher that records instead of starting anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "app/HelpMenus.h"
#include "app/Program.h"
#include "app/SettingsToolCommand.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxnam/RealLibrary.h"
#include "platform/os/FileSystem.h"
#include "support/FakeComponents.h"
#include "support/FakeUi.h"
#include "support/RecordingLauncher.h"
#include "support/TempFolder.h"

using Args = std::vector<std::string>;

namespace {

// A program on a copy of the demo installation whose library hands the programs it would
// start to a recording launcher.
struct LaunchFixture {
    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const testsupport::ShownMessage& m : boxes.shown) texts.push_back(m.text);
        return texts;
    }

    testsupport::TempFolder temp;
    std::string machineDir = temp.copyDemo();
    testsupport::ScriptedMessageBoxes boxes;
    testsupport::FakeScreen screen;
    testsupport::FakeClock clock;
    os::RealFileSystem files;
    RecordingLauncher launcher;
    kvxglib::RealLibrary glib{boxes, machineDir, launcher};
    kvxnam::RealLibrary nam;
    testsupport::FakeComponentFactory components;
    Platform platform{glib, nam, screen, files, clock, components};
    std::unique_ptr<app::Program> program = std::make_unique<app::Program>(platform);
};

// The demo installation with its product folder renamed to a name with a blank.
class HelpMenuTest : public ::testing::Test {
  protected:
    HelpMenuTest() {
        std::filesystem::rename(f.temp / "demo/product", f.temp / "demo/my product");
        product = f.temp / "demo/my product";
        f.temp.write("demo/machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../my product\n");
    }
    app::FormMain& form() { return f.program->formMain; }

    LaunchFixture f;
    RecordingLauncher& launcher = f.launcher;
    std::string product;
};

TEST_F(HelpMenuTest, EachEntryOpensItsDocumentAsOneArgument) {
    struct Row {
        const char* entry;
        void (app::FormMain::*click)();
        std::string opened;
    };
    const Row rows[] = {
        {"Help", &app::FormMain::MenuHelp1_Click,
         product + "/Documentation/English/Krelvan Manual.pdf"},
        {"Documentation", &app::FormMain::MenuDocumentation_Click,
         product + "/Application programs/Documentation"},
        {"Installed revision", &app::FormMain::MenuRevision_Click,
         product + "/System/Products.Dir"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        launcher.launched.clear();
        (form().*row.click)();
        ASSERT_EQ(launcher.launched.size(), 1u);
        EXPECT_EQ(launcher.launched[0], (Args{"xdg-open", row.opened}));
    }
    EXPECT_TRUE(f.messages().empty());
    EXPECT_EQ(f.screen.pointer(), ui::Pointer::Default);
}

TEST_F(HelpMenuTest, TheManualPathKeepsTheFolderSeparator) {
    EXPECT_EQ(app::ManualPath(*f.program), product + "/Documentation/English/Krelvan Manual.pdf");
}

TEST_F(HelpMenuTest, AMissingManualIsReportedAndNothingStarts) {
    std::filesystem::remove(product + "/Documentation/English/Krelvan Manual.pdf");
    form().MenuHelp1_Click();
    EXPECT_TRUE(launcher.launched.empty());
    ASSERT_EQ(f.messages().size(), 1u);
    EXPECT_EQ(f.messages()[0], "The manual is not installed: " + product +
                                   "/Documentation/English/Krelvan Manual.pdf");
    EXPECT_EQ(f.boxes.shown[0].kind, ui::MessageKind::Error);
}

// Each entry names what is missing, the document or a program to open it, instead of doing
// nothing.
TEST_F(HelpMenuTest, AMissingDocumentOrViewerIsNamed) {
    struct Row {
        const char* entry;
        void (app::FormMain::*click)();
        std::string target;
        std::string missing;
    };
    const Row rows[] = {
        {"Help", &app::FormMain::MenuHelp1_Click,
         product + "/Documentation/English/Krelvan Manual.pdf", "The manual is not installed: "},
        {"Documentation", &app::FormMain::MenuDocumentation_Click,
         product + "/Application programs/Documentation",
         "The documentation folder is not installed: "},
        {"Installed revision", &app::FormMain::MenuRevision_Click, product + "/System/Products.Dir",
         "The list of installed revisions is not installed: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry);
        f.boxes.shown.clear();
        launcher.succeed = false;
        (form().*row.click)();
        ASSERT_EQ(f.messages().size(), 1u);
        EXPECT_EQ(f.messages()[0].rfind("No program to open ", 0), 0u) << f.messages()[0];
        EXPECT_NE(f.messages()[0].find("xdg-open"), std::string::npos);

        launcher.succeed = true;
        launcher.launched.clear();
        f.boxes.shown.clear();
        std::filesystem::remove_all(row.target);
        (form().*row.click)();
        EXPECT_TRUE(launcher.launched.empty());
        ASSERT_EQ(f.messages().size(), 1u);
        EXPECT_EQ(f.messages()[0].rfind(row.missing, 0), 0u) << f.messages()[0];
        EXPECT_EQ(f.boxes.shown[0].kind, ui::MessageKind::Error);
    }
}

TEST(SettingsToolCommandLine, IsBuiltByteForByte) {
    struct Row {
        app::SettingsToolArguments in;
        std::optional<std::string> line;
        std::string why;
    };
    const Row rows[] = {
        {{3, 10, 2, "/p/KVX300C/3.1", "Module1", "KVX300C Standard"},
         R"(PORT="3" PLA="10" ELA="2" PATH="/p/KVX300C/3.1" CNAME="Module1" DPAC="KVX300C Standard")",
         ""},
        {{0, 254, 30, "", "", ""}, R"(PORT="0" PLA="254" ELA="30" PATH="" CNAME="" DPAC="")", ""},
        {{0, 1, 1, "/a \"b\"", "M", "D"},
         std::nullopt,
         "the value of PATH holds a double quote: /a \"b\""},
        {{0, 1, 1, "/a", "M", "Pack \"x"},
         std::nullopt,
         "the value of DPAC holds a double quote: Pack \"x"},
    };
    for (const Row& row : rows) {
        std::string why;
        EXPECT_EQ(app::SettingsToolCommandLine(row.in, why), row.line);
        EXPECT_EQ(why, row.why);
    }
}

class SettingsToolStartTest : public ::testing::Test {
  protected:
    SettingsToolStartTest() {
        f.temp.write("demo/product/Program/SettingsTool", "#!/bin/sh\n");
        chmod((f.temp / "demo/product/Program/SettingsTool").c_str(), 0755);
    }
    app::FormMain& form() { return f.program->formMain; }
    void selectWebProgram() {
        form().Form_Load();
        form().CtrlModels_ItemClick(3);
        form().CtrlPrograms_ItemClick(2);
    }

    LaunchFixture f;
    RecordingLauncher& launcher = f.launcher;
};

TEST_F(SettingsToolStartTest, StartsTheToolWithTheSelectedModuleAndController) {
    selectWebProgram();
    ASSERT_TRUE(form().SaveLoadSettings.enabled);
    f.program->connection.CurrentLink = 0;
    f.program->connection.CurrentPLA = 10;
    f.program->connection.CurrentELA = 2;
    form().SaveLoadSettings_Click();
    const std::string product = f.temp / "demo/product";
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0],
              (Args{product + "/Program/SettingsTool", "PORT=0", "PLA=10", "ELA=2",
                    "PATH=" + product + "/Application programs/KVX300C/3.1", "CNAME=Module1",
                    "DPAC=KVX300C Standard"}));
    EXPECT_TRUE(f.messages().empty());
    EXPECT_EQ(f.screen.pointerHistory,
              (std::vector<ui::Pointer>{ui::Pointer::Hourglass, ui::Pointer::Default}));
}

TEST_F(SettingsToolStartTest, RefusalsAreToldAndStartNothing) {
    struct Row {
        const char* name;
        std::function<void()> arrange;
        std::string message;
    };
    const std::string tool = f.temp / "demo/product/Program/SettingsTool";
    const Row rows[] = {
        {"no program selected",
         [this] {
             form().Form_Load();
             form().ResetMainWindowState();
         },
         "Select a program first: the settings tool works on the module of the selected "
         "program."},
        {"tool missing",
         [this, &tool] {
             std::filesystem::remove(tool);
             selectWebProgram();
         },
         "The settings tool is not installed: " + tool},
        {"serial link, no controller answers",
         [this] {
             selectWebProgram();
             f.program->connection.CommKind = 1;
         },
         "No controller answers on the serial link, so the settings tool was not started."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.arrange();
        f.boxes.shown.clear();
        form().SaveLoadSettings_Click();
        EXPECT_TRUE(launcher.launched.empty());
        ASSERT_EQ(f.messages().size(), 1u);
        EXPECT_EQ(f.messages()[0], row.message);
    }
}

}  // namespace
