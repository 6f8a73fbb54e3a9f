// The main window: start-up, the model and program clicks and the command-state table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Dispatch.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedForms.h"

using ::testing::ElementsAre;
using testsupport::ProgramFixture;

namespace {

// The enabled state of the controls the command-state table fixes.
struct CommandState {
    bool models, programs, comPort, loadProg, changeAddress, reset, loadWeb, saveLoad;
    bool operator==(const CommandState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const CommandState& s) {
    return out << "models=" << s.models << " programs=" << s.programs << " COMPort=" << s.comPort
               << " load=" << s.loadProg << " address=" << s.changeAddress << " reset=" << s.reset
               << " web=" << s.loadWeb << " saveLoad=" << s.saveLoad;
}

CommandState stateOf(const app::FormMain& f) {
    return {f.CtrlModels.enabled,  f.CtrlPrograms.enabled,     f.COMPort.enabled,
            f.ButtonLoadProg.enabled, f.BtnChangeAddress.enabled, f.BtnReset.enabled,
            f.ButtonLoadWeb.enabled, f.SaveLoadSettings.enabled};
}

class FormMainTest : public ::testing::Test {
protected:
    app::FormMain& form() { return f.program->formMain; }
    ProgramFixture f;
};

TEST_F(FormMainTest, StartUpListsTheDemoModelsInNameOrder) {
    form().Form_Load();
    ASSERT_EQ(form().CtrlModels.items.size(), 4u);
    EXPECT_EQ(form().CtrlModels.items[0].text, "Velmoro Classic");
    EXPECT_THAT(form().CtrlModels.items[0].subItems, ElementsAre("KVX200 heating controller"));
    EXPECT_EQ(form().CtrlModels.items[1].text, "Velmoro Optima");
    EXPECT_EQ(form().CtrlModels.items[3].text, "Velmoro Lumen");
    EXPECT_EQ(form().HeightTwips, 6400);
    EXPECT_EQ(form().Caption, "Krelvan");
    EXPECT_EQ(f.program->CurrentIndex, -1);
    EXPECT_EQ(stateOf(form()), (CommandState{true, false, false, false, false, false, false, false}));
    EXPECT_TRUE(f.boxes.shown.empty());
}

TEST_F(FormMainTest, StartUpWithoutModelFilesLeavesEverythingOff) {
    ProgramFixture empty(false);
    empty.temp.write("product/Application programs/Models/sub/notamodel.mod", "[ASM Model]\n");
    app::FormMain& window = empty.program->formMain;
    window.Form_Load();
    EXPECT_TRUE(window.CtrlModels.items.empty());
    EXPECT_EQ(stateOf(window), (CommandState{}));
    EXPECT_TRUE(empty.boxes.shown.empty());
}

TEST_F(FormMainTest, ModelClickFillsProgramsAndSelectsTheCurrentRevision) {
    form().Form_Load();
    f.program->catalogue.SelectedProgramIndex = 3;
    form().CtrlModels_ItemClick(2);
    const auto& rows = form().CtrlPrograms.items;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].text, "2.2-0-01");
    EXPECT_THAT(rows[1].subItems, ElementsAre("Air handling unit, constant air volume"));
    EXPECT_EQ(rows[1].icon, 1);
    EXPECT_EQ(rows[0].icon, 0);
    EXPECT_EQ(form().CtrlPrograms.selected, 2);
    // Highlighting the current revision is not a click.
    EXPECT_EQ(f.program->catalogue.SelectedProgramIndex, 3);
    EXPECT_EQ(f.program->catalogue.SelectedModelIndex, 2);
}

TEST_F(FormMainTest, ModelWithoutRevisionsGivesAnEmptyEnabledProgramList) {
    form().Form_Load();
    form().CtrlModels_ItemClick(3);
    form().CtrlPrograms_ItemClick(1);
    form().CtrlModels_ItemClick(4);  // Lumen: empty Revisions key
    EXPECT_TRUE(form().CtrlPrograms.items.empty());
    EXPECT_TRUE(f.program->catalogue.ProgramList.empty());
    EXPECT_EQ(stateOf(form()), (CommandState{true, true, false, false, false, false, false, false}));
}

// Program selected, by revision options and link: the command-state table's rows.
struct ProgramClickCase {
    int model;
    int row;
    int32_t currentLink;
    CommandState expected;
};

class ProgramClick : public FormMainTest, public ::testing::WithParamInterface<ProgramClickCase> {};

TEST_P(ProgramClick, FollowsTheCommandStateTable) {
    const ProgramClickCase& c = GetParam();
    form().Form_Load();
    form().CtrlModels_ItemClick(c.model);
    f.program->connection.CurrentLink = c.currentLink;
    form().CtrlPrograms_ItemClick(c.row);
    EXPECT_EQ(stateOf(form()), c.expected);
    EXPECT_EQ(f.program->catalogue.SelectedProgramIndex, c.row);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramClick,
    ::testing::Values(
        // web site and settings package, no link: only COMPort and Save/Load.
        ProgramClickCase{3, 2, 0, {true, true, true, false, false, false, false, true}},
        // same revision with a link: all on.
        ProgramClickCase{3, 2, 7, {true, true, true, true, true, true, true, true}},
        // no web site, no settings package, with a link.
        ProgramClickCase{2, 1, 7, {true, true, true, true, true, true, false, false}},
        // settings package, no web site, no link.
        ProgramClickCase{2, 2, 0, {true, true, true, false, false, false, false, true}}));

TEST_F(FormMainTest, ProgramClickResolvesTheRevisionAndOpensItsProject) {
    form().Form_Load();
    form().CtrlModels_ItemClick(3);
    form().CtrlPrograms_ItemClick(2);
    const catalogue::Catalogue& cat = f.program->catalogue;
    EXPECT_TRUE(f.program->SelectedHasWebSite);
    EXPECT_TRUE(f.program->SelectedHasEMail);
    EXPECT_EQ(f.program->SelectedSettingsPackage, "KVX300C Standard");
    EXPECT_THAT(cat.SelectedProjectFolder, ::testing::EndsWith("KVX300C/3.1"));
    EXPECT_EQ(cat.SelectedModuleDirectory, "Module1");
    EXPECT_NE(cat.ProjectNameHandle, 0);
    EXPECT_EQ(f.nam.selectedModule(cat.ProjectNameHandle).value_or(""), "Module1");
}

TEST_F(FormMainTest, ResetMainWindowStateEnablesEverythingAndClearsTheController) {
    form().Form_Load();
    f.program->current.CurrentName = "Boiler";
    form().ShowCurrentController();
    ASSERT_EQ(form().CurrentController.items.size(), 1u);
    form().ResetMainWindowState();
    EXPECT_TRUE(form().CurrentController.items.empty());
    EXPECT_EQ(stateOf(form()), (CommandState{true, true, true, true, true, true, true, true}));
}

// A command in progress keeps its lock: neither a reset of the window nor a click on a list or
// on Communication changes the link, the selection or the locked controls meanwhile.
TEST_F(FormMainTest, WhileACommandRunsTheWindowKeepsItsLock) {
    form().Form_Load();
    form().CtrlModels_ItemClick(1);
    form().CtrlPrograms_ItemClick(1);
    const int model = f.program->catalogue.SelectedModelIndex;
    const int revision = f.program->catalogue.SelectedProgramIndex;
    f.program->load.commandRunning = true;
    for (ui::Control* c : {static_cast<ui::Control*>(&form().CtrlModels),
                           static_cast<ui::Control*>(&form().CtrlPrograms), &form().COMPort,
                           static_cast<ui::Control*>(&form().SaveLoadSettings)})
        c->enabled = false;
    form().ResetMainWindowState();
    EXPECT_FALSE(form().CtrlModels.enabled);
    EXPECT_FALSE(form().CtrlPrograms.enabled);
    EXPECT_FALSE(form().COMPort.enabled);
    EXPECT_FALSE(form().SaveLoadSettings.enabled);
    form().CtrlModels_ItemClick(2);
    form().CtrlPrograms_ItemClick(2);
    form().COMPort_Click();
    EXPECT_EQ(f.program->catalogue.SelectedModelIndex, model);
    EXPECT_EQ(f.program->catalogue.SelectedProgramIndex, revision);
    EXPECT_EQ(f.messages().size(), 3u);
    for (const std::string& m : f.messages())
        EXPECT_EQ(m, "Another command is still running. Wait until it has ended.");
}

TEST_F(FormMainTest, ShowCurrentControllerFillsOneRow) {
    f.program->current = {"Boiler", "SN-1", "", "Boiler room"};  // name, serial, MAC, description
    f.program->TcpCfg.IP = "10.0.0.5";
    f.program->connection.CommKind = 2;
    form().ShowCurrentController();
    form().ShowCurrentController();
    ASSERT_EQ(form().CurrentController.items.size(), 1u);
    EXPECT_EQ(form().CurrentController.items[0].text, "");
    EXPECT_THAT(form().CurrentController.items[0].subItems,
                ElementsAre("Boiler", "SN-1", "10.0.0.5", "Boiler room"));

    // On the serial link the address of an earlier TCP/IP controller is not this one's.
    f.program->current = {};
    f.program->connection.CommKind = 1;
    form().ShowCurrentController();
    EXPECT_THAT(form().CurrentController.items[0].subItems, ElementsAre("", "", "", ""));
}

TEST_F(FormMainTest, AdvancedSettingsShowThePartitionControls) {
    form().Form_Load();
    EXPECT_FALSE(form().BtnAddPartition.visible);
    form().MenuAdvanced_Click();
    EXPECT_EQ(form().HeightTwips, 9500);
    for (const ui::Control* c : {&form().BtnAddPartition, &form().BtnRemovePartition,
                                 &form().LabelPartitionName, &form().LabelPartitionSize}) {
        EXPECT_TRUE(c->visible);
    }
    EXPECT_TRUE(form().CtrlPartitionName.visible);
    EXPECT_EQ(form().CtrlPartitionName.text, "UnnamedPartition");
    EXPECT_EQ(form().CtrlPartitionSize.text, "2048");
}

TEST_F(FormMainTest, GetToolPathIsTheProductsProgramFolder) {
    EXPECT_EQ(form().GetToolPath(), f.productDir + "/Program");
}

TEST_F(FormMainTest, DispatchShowsWhatAHandlerThrows) {
    EXPECT_FALSE(app::Dispatch(*f.program, [] { throw std::runtime_error("disk on fire"); }));
    ASSERT_EQ(f.boxes.shown.size(), 1u);
    EXPECT_EQ(f.boxes.shown[0].kind, ui::MessageKind::Error);
    EXPECT_THAT(f.boxes.shown[0].text, ::testing::HasSubstr("disk on fire"));
    EXPECT_TRUE(app::Dispatch(*f.program, [] {}));
}

TEST_F(FormMainTest, LoadWebSiteAsksForConfirmationFirst) {
    testsupport::ScriptedForms forms;  // the user closes the dialog without OK
    f.program->load.forms = &forms;
    form().ButtonLoadWeb_Click();
    EXPECT_EQ(forms.shown, std::vector<std::string>{"modal FormReloadTCPIP"});
    EXPECT_TRUE(f.boxes.shown.empty());
    f.program->load.forms = nullptr;
}

}  // namespace
