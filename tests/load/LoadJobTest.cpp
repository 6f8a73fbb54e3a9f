// The load job through the scripted controller and the fake loader components: what the user
// is told, what reaches the controller and the components in which order, and the controls
// afterwards.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/FormLoadApplication.h"
#include "load/LoadController.h"
#include "load/PartitionList.h"
#include "load/RestoreActivation.h"
#include "platform/wire/ReplyCode.h"

namespace loadtest {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using load::LoadOutcome;

const char* const kLoaded16 = "The application program was loaded into partition 16.";
const char* const kFailed =
    "The communication with the controller failed. Check the connection and try again.";
const char* const kKept17 = "The controller keeps the program it had: partition 17 runs.";
const char* const kHeld16 = "Partition 16 holds what it held before.";
const char* const kTakenFree16 =
    "No partition was chosen: partition 16 was taken, the one free program partition "
    "(partition 17 ran the program, and the controller refuses a load into the running one).";

class LoadJobTest : public LoadFixture {
  public:
    void SetUp() override {
        // 17 runs; the user chose 16 (the refresh selects the running one's row, no choice).
        controller->partitions = {{16, {"Heating", "", 2, 0, 0, 0}},
                                  {17, {"Running", "", 2, 0, 0, 0}},
                                  {20, {"Web", "", 3, 0, 0, 0}}};
        controller->activePartition = 17;
        controller->numbers = {{"QSystem.ActivePartition", 17},
                               {"QSystem.ActiveSubApplication", 2},
                               {"QServices.HttpActiveSitePartition", 20}};
        load::RefreshPartitionList(program());
        form().CtrlPartitions_ItemClick(1);
        controller->calls.clear();
        // The progress dialog, while it is shown.
        forms.onShow["FormLoadApplication"] = [this](ui::Form& form) {
            dialog = &dynamic_cast<load::FormLoadApplication&>(form);
        };
        forms.onHide = [this](ui::Form&) { dialog = nullptr; };
    }

    testsupport::FakeComponentFactory& factory() { return fixture.components; }
    std::vector<std::string> partitionWrites() const {
        auto writes = controller->callsStartingWith("setText");
        for (const auto& w : controller->callsStartingWith("setAttr")) writes.push_back(w);
        return writes;
    }

    load::FormLoadApplication* dialog = nullptr;
};

struct KvxrealCCase {
    const char* name;
    std::function<void(LoadJobTest&)> setUp;
    LoadOutcome outcome;
    std::vector<std::string> messages;
    std::vector<std::string> activations;
    std::vector<std::string> partitionWrites;
};

class KvxrealCLoad : public LoadJobTest, public ::testing::WithParamInterface<KvxrealCCase> {};

TEST_P(KvxrealCLoad, EndsAsTheCaseSays) {
    const KvxrealCCase& c = GetParam();
    if (c.setUp) c.setUp(*this);
    EXPECT_EQ(load::LoadController(program()), c.outcome);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(controller->callsStartingWith("activate"), c.activations);
    EXPECT_EQ(partitionWrites(), c.partitionWrites);
    // Whatever happened: callbacks released, the dialog gone, the window unlocked.
    if (!factory().callsOf("AppLoader").empty()) {
        EXPECT_THAT(factory().calls, Contains("AppLoader.ErrorCallback=none"));
        EXPECT_THAT(factory().calls, Contains("AppLoader.ProgressCallback=none"));
    }
    EXPECT_EQ(forms.shown.size(), forms.hidden.size());
    EXPECT_EQ(commandsOf(form()), kAllOn);
    EXPECT_EQ(form().CtrlStatusLine.caption, "");
    EXPECT_FALSE(program().load.commandRunning);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KvxrealCLoad,
    ::testing::Values(
        KvxrealCCase{"Completed", {}, LoadOutcome::Loaded, {kLoaded16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}},
        KvxrealCCase{"Cancelled",
                     [](LoadJobTest& t) {
                         t.fixture.screen.onEvents = [&t] {
                             if (t.dialog != nullptr) t.dialog->CancelButton_Click();
                         };
                     },
                     LoadOutcome::Cancelled,
                     {kHeld16, kKept17},
                     // Cancelled while the image travelled: the program never stopped.
                     {},
                     {}},
        KvxrealCCase{"EscapeCancels",
                     [](LoadJobTest& t) {
                         t.fixture.screen.onEvents = [&t] {
                             if (t.dialog != nullptr) t.dialog->Form_KeyPress(27);
                         };
                     },
                     LoadOutcome::Cancelled,
                     {kHeld16, kKept17},
                     // Cancelled while the image travelled: the program never stopped.
                     {},
                     {}},
        // After the loader's own words (none here), the program's, then what runs.
        KvxrealCCase{"LoadFails",
                     [](LoadJobTest& t) { t.factory().script.loadResult = false; },
                     LoadOutcome::Failed,
                     {kFailed, kHeld16, kKept17},
                     {"activate 12:3 14 0", "activate 12:3 17 2"},
                     {}},
        // Cancel after the stop, before the commit: the earlier program runs again.
        KvxrealCCase{"CancelBetweenTheStopAndTheCommit",
                     [](LoadJobTest& t) {
                         t.factory().script.beforeCommitEnds = [&t] {
                             ASSERT_EQ(t.controller->activePartition, 14);
                             if (t.dialog != nullptr) t.dialog->CancelButton_Click();
                         };
                     },
                     LoadOutcome::Cancelled,
                     {kHeld16, kKept17},
                     {"activate 12:3 14 0", "activate 12:3 17 2"},
                     {}},
        // The earlier program cannot be activated again: said plainly, not "it keeps it".
        KvxrealCCase{"FailsAfterTheStopAndTheProgramStaysStopped",
                     [](LoadJobTest& t) {
                         t.factory().script.loadResult = false;
                         t.controller->refusedProgramActivations = 100;
                     },
                     LoadOutcome::Failed,
                     {load::NotRunningText(17), kFailed, kHeld16},
                     {"activate 12:3 14 0", "activate 12:3 17 2", "activate 12:3 17 2",
                      "activate 12:3 17 2", "activate 12:3 17 2", "activate 12:3 17 2",
                      "activate 12:3 17 2"},
                     {}},
        // Cancelled before the stop, on a controller that no longer answers: not claimed.
        KvxrealCCase{"CancelledAndTheControllerGone",
                     [](LoadJobTest& t) {
                         t.fixture.screen.onEvents = [&t] {
                             if (t.dialog == nullptr) return;
                             t.controller->present = false;
                             t.dialog->CancelButton_Click();
                         };
                     },
                     LoadOutcome::Cancelled,
                     {"Whether partition 16 still holds what it held before could not be read "
                      "back from the controller.",
                      "The load did not stop the program in partition 17, but the controller "
                      "did not answer when asked whether it runs. Check the connection and the "
                      "partition list."},
                     {},
                     {}},
        // Reported once, by the loader with its reason (through the dialog): the link is not
        // blamed for a bad file.
        KvxrealCCase{"DamagedImage",
                     [](LoadJobTest& t) { t.factory().script.openResult = false; },
                     LoadOutcome::Failed,
                     {},
                     {},
                     {}},
        // The Cancel click arrives after the commit: the program is loaded and runs.
        KvxrealCCase{"CancelAfterTheCommit",
                     [](LoadJobTest& t) {
                         t.factory().script.onLoadEnd = [&t] {
                             if (t.dialog != nullptr) t.dialog->CancelButton_Click();
                         };
                     },
                     LoadOutcome::Loaded,
                     {kLoaded16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}},
        // Nothing is deactivated for a partition that is gone or holds the web site.
        KvxrealCCase{"SelectedPartitionGone",
                     [](LoadJobTest& t) { t.controller->partitions.erase(16); },
                     LoadOutcome::NotRun,
                     {"The controller has no partition 16 any more. Nothing was loaded."},
                     {},
                     {}},
        KvxrealCCase{"WebSitePartition",
                     [](LoadJobTest& t) { t.form().CtrlPartitions_ItemClick(3); },
                     LoadOutcome::NotRun,
                     {"Partition 20 holds the web site \"Web\"; a program loaded into it would "
                      "destroy the site. Choose a program partition. Nothing was loaded."},
                     {},
                     {}},
        KvxrealCCase{"ProgramNameLongerThanAPartitionName",
                     [](LoadJobTest& t) {
                         t.factory().script.programName = std::string(120, 'x') + "\xC3\xA9" +
                                                          std::string(10, 'y');
                     },
                     LoadOutcome::Loaded,
                     {kLoaded16,
                      "The program's name is longer than a partition name may be (127 "
                      "characters): the partition is named \"" +
                          std::string(120, 'x') + "\xC3\xA9yyyyyy\"."},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 " + std::string(120, 'x') + "\xC3\xA9yyyyyy",
                      "setAttr 16 4 2"}},
        // Without a chosen row the one free program partition takes the program, and the
        // user is told so.
        KvxrealCCase{"NoRowSelected",
                     [](LoadJobTest& t) { t.form().CtrlPartitions.selected = 0; },
                     LoadOutcome::Loaded,
                     {std::string(kLoaded16) + " " + kTakenFree16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}},
        // The row a refresh selects is the running partition's: no choice either.
        KvxrealCCase{"OnlyTheRefreshSelectedARow",
                     [](LoadJobTest& t) { load::RefreshPartitionList(t.program()); },
                     LoadOutcome::Loaded,
                     {std::string(kLoaded16) + " " + kTakenFree16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}},
        KvxrealCCase{"PartitionListFails",
                     [](LoadJobTest& t) { t.controller->partitionListFails = true; },
                     LoadOutcome::NotRun,
                     {kFailed},
                     {},
                     {}},
        KvxrealCCase{"ActivePartitionUnreadable",
                     [](LoadJobTest& t) { t.controller->numbers.erase("QSystem.ActivePartition"); },
                     LoadOutcome::NotRun,
                     {kFailed},
                     {},
                     {}},
        KvxrealCCase{"NoJobFileForC",
                     [](LoadJobTest& t) {
                         t.program().catalogue.ProgramList[1].FileC.clear();
                     },
                     LoadOutcome::NotRun,
                     {"The selected program has no application file for KVXreal C controllers. "
                      "Nothing was loaded."},
                     {},
                     {}},
        KvxrealCCase{"ModuleFolderMissing",
                     [](LoadJobTest& t) {
                         t.program().catalogue.ProgramList[1].Directory = "/nowhere/Module9";
                     },
                     LoadOutcome::NotRun,
                     {"The module directory '/nowhere/Module9' does not exist."},
                     {},
                     {}},
        // The settings backup, while the window's box is checked: before the controller's
        // clock or program is touched, and a failed one stops the load.
        KvxrealCCase{"BackupFirst",
                     [](LoadJobTest& t) {
                         t.program().load.backupSettings = [&t](std::string&) {
                             // Only the reads that decide the target partition came first.
                             for (const char* change : {"clock", "activate", "setText",
                                                        "setAttr", "coolStart"})
                                 EXPECT_THAT(t.controller->callsStartingWith(change), IsEmpty());
                             EXPECT_THAT(t.controller->calls,
                                         testing::IsSupersetOf({"address", "osKind"}));
                             return std::optional<std::string>("/backups/SN/x.settings");
                         };
                     },
                     LoadOutcome::Loaded,
                     {kLoaded16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}},
        KvxrealCCase{"BackupFails",
                     [](LoadJobTest& t) {
                         t.program().load.backupSettings = [](std::string& why) {
                             why = "the disk is full";
                             return std::optional<std::string>();
                         };
                     },
                     LoadOutcome::NotRun,
                     {"The settings were not backed up, so nothing was loaded: the disk is "
                      "full. Clear \"Back up the settings first\" to load without a backup."},
                     {},
                     {}},
        KvxrealCCase{"BackupBoxCleared",
                     [](LoadJobTest& t) {
                         t.form().CheckBackupSettings.value = false;
                         t.program().load.backupSettings = [](std::string& why) {
                             why = "the disk is full";
                             return std::optional<std::string>();
                         };
                     },
                     LoadOutcome::Loaded,
                     {kLoaded16},
                     {"activate 12:3 14 0", "activate 12:3 16 2"},
                     {"setText 16 2 FakeProgram", "setAttr 16 4 2"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A load the controller would refuse, or where nothing says which partition, is refused
// before anything changes: no backup, no clock, no operating-system check, nothing sent.
struct RefusedCase {
    const char* name;
    std::function<void(LoadJobTest&)> setUp;
    std::string message;
};

class RefusedBeforeAnythingChanges : public LoadJobTest,
                                     public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedBeforeAnythingChanges, NamesTheReason) {
    const RefusedCase& c = GetParam();
    bool backedUp = false;
    program().load.backupSettings = [&backedUp](std::string&) {
        backedUp = true;
        return std::optional<std::string>("/backups/x.settings");
    };
    c.setUp(*this);
    EXPECT_EQ(load::LoadController(program()), LoadOutcome::NotRun);
    EXPECT_THAT(messages(), ElementsAre(c.message));
    EXPECT_FALSE(backedUp);
    EXPECT_THAT(controller->callsStartingWith("clock"), IsEmpty());
    EXPECT_THAT(controller->callsStartingWith("activate"), IsEmpty());
    EXPECT_THAT(factory().callsOf("OsUpgrader"), IsEmpty());
    EXPECT_THAT(factory().callsOf("AppLoader"), IsEmpty());
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedBeforeAnythingChanges,
    ::testing::Values(
        RefusedCase{"ChosenPartitionRuns",
                    [](LoadJobTest& t) { t.form().CtrlPartitions_ItemClick(2); },
                    "Partition 17 runs the program; the controller refuses a load into it. "
                    "Choose another partition (free for a program: 16). Nothing was changed."},
        RefusedCase{"NoFreePartition",
                    [](LoadJobTest& t) {
                        t.controller->partitions.erase(16);
                        load::RefreshPartitionList(t.program());
                    },
                    "Nothing was changed: no partition is free for the program (partition 17 "
                    "runs its program): add one or choose the partition to load into."},
        RefusedCase{"SeveralFreePartitions",
                    [](LoadJobTest& t) {
                        t.controller->partitions[33] = {"Spare", "", 2, 0, 0, 0};
                        load::RefreshPartitionList(t.program());
                    },
                    "Nothing was changed: several partitions could take the program (16, 33; "
                    "partition 17 runs its program): choose the partition to load into."}),
    [](const auto& info) { return std::string(info.param.name); });

// A load that did not take says why as the controller told it; the communication text is
// kept for a lost link.
TEST_F(LoadJobTest, AFailedLoadNamesTheControllersReason) {
    using wire::ReplyCode;
    const struct {
        ReplyCode code;
        std::string message;
    } cases[] = {
        {ReplyCode::Busy,
         "The program was not loaded into partition 16: the controller is busy with another "
         "load."},
        {ReplyCode::NotFound,
         "The program was not loaded into partition 16: the controller has no partition 16."},
        {ReplyCode::Refused, "The program was not loaded into partition 16: the controller "
                             "refused it."},
        {ReplyCode::ChecksumMismatch, "The program was not loaded into partition 16."},
        {ReplyCode::LinkLost, kFailed},
        {ReplyCode::TimedOut, kFailed},
    };
    factory().script.loadResult = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        fixture.boxes.shown.clear();
        form().CtrlPartitions_ItemClick(1);
        factory().script.failureCode = wire::code(c.code);
        EXPECT_EQ(load::LoadController(program()), LoadOutcome::Failed);
        EXPECT_THAT(messages(), ElementsAre(c.message, kHeld16, kKept17));
    }
    // Refused for the partition that runs by then: that is the reason given.
    fixture.boxes.shown.clear();
    form().CtrlPartitions_ItemClick(1);
    factory().script.failureCode = wire::code(ReplyCode::Refused);
    factory().script.onLoadEnd = [this] { controller->numbers["QSystem.ActivePartition"] = 16; };
    load::LoadController(program());
    EXPECT_THAT(messages(), Contains("The program was not loaded into partition 16: partition 16 "
                                     "runs the program."));
}

// "Holds what it held before" only where the stored checksum, read before and after, says so.
TEST_F(LoadJobTest, WhatThePartitionHoldsAfterAFailedLoadIsReadBack) {
    factory().script.loadResult = false;
    const struct {
        std::optional<int32_t> before, after;
        bool answers;
        std::string message;
        bool error;
    } cases[] = {
        {0x11, 0x11, true, kHeld16, false},
        {std::nullopt, std::nullopt, true, kHeld16, false},
        {0x11, 0x22, true,
         "Partition 16 no longer holds what it held before (its stored checksum is 0x00000022, "
         "it was 0x00000011): load the program again.",
         true},
        {std::nullopt, 0x22, true,
         "Partition 16 no longer holds what it held before (its stored checksum is 0x00000022, "
         "it was none): load the program again.",
         true},
        {0x11, 0x11, false,
         "Whether partition 16 still holds what it held before could not be read back from the "
         "controller.",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        fixture.boxes.shown.clear();
        controller->present = true;
        const auto store = [this](std::optional<int32_t> checksum) {
            controller->checksums.erase(16);
            if (checksum) controller->checksums[16] = *checksum;
        };
        store(c.before);
        form().CtrlPartitions_ItemClick(1);
        factory().script.onLoadEnd = [this, &c, store] {
            store(c.after);
            controller->present = c.answers;
        };
        load::LoadController(program());
        const auto& shown = fixture.boxes.shown;
        const auto it = std::find_if(shown.begin(), shown.end(),
                                     [&](const auto& m) { return m.text == c.message; });
        ASSERT_NE(it, shown.end()) << testing::PrintToString(messages());
        EXPECT_EQ(it->kind == ui::MessageKind::Error, c.error);
    }
}

TEST_F(LoadJobTest, KvxrealCLoadRunsItsStepsInOrder) {
    load::LoadController(program());
    EXPECT_THAT(controller->calls,
                testing::IsSupersetOf({"address", "osKind", "clock 12:3", "partitions 12:3"}));
    EXPECT_THAT(controller->callsStartingWith("coolStart"), IsEmpty());
    const auto& calls = factory().callsOf("AppLoader");
    const std::vector<std::string> order = {"AppLoader.PLA=12", "AppLoader.ELA=3",
                                            "AppLoader.Partition=0", "AppLoader.Partition=16",
                                            "AppLoader.Link=5", "AppLoader.Load"};
    auto at = calls.begin();
    for (const std::string& step : order) {
        at = std::find(at, calls.end(), step);
        EXPECT_NE(at, calls.end()) << step;
    }
    EXPECT_THAT(forms.shown, ElementsAre("modeless FormLoadApplication"));
}

// A site row checks the operating system in a step of its own right before the load: that load
// does not check it again, and the next one does.
TEST_F(LoadJobTest, AnOsCheckedJustBeforeIsCheckedAgainOnlyByTheNextLoad) {
    program().load.osChecked = true;
    EXPECT_EQ(load::LoadController(program()), LoadOutcome::Loaded);
    EXPECT_THAT(factory().callsOf("OsUpgrader"), IsEmpty());
    EXPECT_FALSE(program().load.osChecked);
    load::LoadController(program());
    EXPECT_THAT(factory().callsOf("OsUpgrader"), Contains("OsUpgrader.PLA=12"));
}

// Where nobody looks at the partition list, the load does not read it afresh afterwards.
TEST_F(LoadJobTest, TheListAfterTheLoadOnlyWhereSomebodyLooksAtIt) {
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        program().load.listAfterLoad = shown;
        controller->calls.clear();
        EXPECT_EQ(load::LoadController(program()), LoadOutcome::Loaded);
        // The target's check reads the list once; the refresh a second time.
        EXPECT_EQ(controller->callsStartingWith("partitions").size(), shown ? 2u : 1u);
    }
}

TEST_F(LoadJobTest, ProgressReachesTheDialogWhileEveryCommandIsLocked) {
    std::vector<std::string> seen;
    factory().script.loadProgress = {0.4567, 1.7, 0.5};
    // Each event round sees the value of the report before; the last shows when it closes.
    fixture.screen.onEvents = [&] {
        if (dialog != nullptr) seen.push_back(dialog->NumValue.text);
    };
    forms.onHide = [&](ui::Form&) {
        seen.push_back(dialog->NumValue.text);
        dialog = nullptr;
    };
    bool lockedDuringLoad = false;
    factory().onCall = [&](const std::string& call) {
        if (call != "AppLoader.Load") return;
        const app::FormMain& f = form();
        lockedDuringLoad = commandsOf(f) == Commands{} && !f.BtnActivatePartition.enabled &&
                           !f.BtnAddPartition.enabled && !f.CtrlPartitions.enabled;
    };
    load::LoadController(program());
    EXPECT_THAT(seen, ElementsAre("0", "45.7", "100", "50"));
    EXPECT_TRUE(lockedDuringLoad);
    EXPECT_TRUE(form().BtnActivatePartition.enabled);
}

TEST_F(LoadJobTest, NoControllerResetsTheWindowAndSetsNoClock) {
    controller->present = false;
    EXPECT_EQ(load::LoadController(program()), LoadOutcome::NotRun);
    EXPECT_THAT(messages(), ElementsAre("No controller connected"));
    EXPECT_THAT(controller->callsStartingWith("clock"), IsEmpty());
    EXPECT_EQ(fixture.components.made, 0);
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

struct JobCase {
    const char* name;
    int16_t commKind;
    std::function<void(testsupport::ComponentScript&)> script;
    LoadOutcome outcome;
    std::vector<std::string> messages;
    bool checkerUsed;
};

class JobLoaderLoad : public LoadJobTest, public ::testing::WithParamInterface<JobCase> {};

TEST_P(JobLoaderLoad, RunsTheJobFileAndTellsTheResult) {
    const JobCase& c = GetParam();
    controller->osKind = "";
    program().connection.CommKind = c.commKind;
    if (c.script) c.script(factory().script);
    bool infoDuringRun = false;
    bool timerDuringRun = false;
    factory().onCall = [&](const std::string& call) {
        if (call == "JobLoader.Run") {
            infoDuringRun = form().Info.enabled;
            timerDuringRun = form().Timer1.enabled;
        }
    };
    EXPECT_EQ(load::LoadController(program()), c.outcome);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_THAT(controller->callsStartingWith("coolStart"), ElementsAre("coolStart 12:3"));
    EXPECT_EQ(!factory().callsOf("OsVersionChecker").empty(), c.checkerUsed);
    EXPECT_THAT(factory().callsOf("OsUpgrader"), IsEmpty());
    if (c.outcome == LoadOutcome::Loaded) {
        EXPECT_TRUE(infoDuringRun);
        EXPECT_TRUE(timerDuringRun);
    }
    EXPECT_FALSE(form().Info.enabled);
    EXPECT_FALSE(form().Timer1.enabled);
    EXPECT_EQ(form().ProgressBar1.value, 0);
    EXPECT_EQ(program().load.jobLoader, nullptr);
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobLoaderLoad,
    ::testing::Values(
        JobCase{"AllDoneOnTcp", 2, {}, LoadOutcome::Loaded, {"All files loaded successfully"},
                false},
        JobCase{"AllDoneOnSerialChecksTheSystem", 1, {}, LoadOutcome::Loaded,
                {"All files loaded successfully"}, true},
        JobCase{"NotAllDone",
                2,
                [](testsupport::ComponentScript& s) { s.allDone = 0; },
                LoadOutcome::Failed,
                {"All jobs were NOT completed"},
                false},
        JobCase{"BadJobFileIsNoSuccess",
                2,
                [](testsupport::ComponentScript& s) { s.addJobResult = false; },
                LoadOutcome::Failed,
                {"All jobs were NOT completed"},
                false}),
    [](const auto& info) { return std::string(info.param.name); });

// --no-compress reaches every loader the load makes, whichever kind of controller it is; the end
// says how many of the image's bytes went and at what rate.
TEST_F(LoadJobTest, EveryLoaderIsGivenTheCompressionAndTheEndSaysTheRate) {
    const struct {
        const char* what;
        const char* osKind;
        std::vector<std::string> loaders;
        std::string end;
    } kinds[] = {
        {"KVXreal C", "C", {"AppLoader"}, "The application program was loaded into partition"},
        {"older, on the serial link", "", {"JobLoader", "OsVersionChecker"},
         "All files loaded successfully."},
    };
    factory().script.loaded = {412160, std::chrono::milliseconds(9800), 7};
    for (const auto& kind : kinds) {
        for (const transfer::Compression compression :
             {transfer::Compression::Off, transfer::Compression::Auto}) {
            SCOPED_TRACE(std::string(kind.what) +
                         (compression == transfer::Compression::Off ? ", off" : ", auto"));
            controller->osKind = kind.osKind;
            // On the serial link the older controller's system is checked first.
            if (kind.osKind[0] == '\0') program().connection.CommKind = 1;
            program().load.compression = compression;
            factory().compressionOf.clear();
            fixture.boxes.shown.clear();
            EXPECT_EQ(load::LoadController(program()), LoadOutcome::Loaded);
            for (const std::string& loader : kind.loaders) {
                ASSERT_TRUE(factory().compressionOf.count(loader)) << loader;
                EXPECT_EQ(factory().compressionOf.at(loader), compression) << loader;
            }
            EXPECT_THAT(messages(),
                        Contains(AllOf(StartsWith(kind.end),
                                       HasSubstr(". Loaded 412,160 bytes in 9.8 s (336 kbit/s)."))));
        }
    }
}

TEST_F(LoadJobTest, TimerAndInfoReachTheJobLoaderOnlyWhileItRuns) {
    controller->osKind = "";
    factory().onCall = [&](const std::string& call) {
        if (call == "JobLoader.step") {
            form().Timer1_Timer();
            form().Info_Click();
        }
    };
    load::LoadController(program());
    EXPECT_THAT(factory().calls, Contains("JobLoader.ShowInfo=-1"));
    form().Timer1_Timer();  // no loader any more: nothing happens
    form().Info_Click();
    EXPECT_EQ(form().ProgressBar1.value, 0);
}

}  // namespace
}  // namespace loadtest
