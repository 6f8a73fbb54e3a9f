#include "load/LoadController.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/Texts.h"
#include "load/FormLoadApplication.h"
#include "load/PartitionList.h"
#include "load/RestoreActivation.h"

namespace load {
namespace {

constexpr int32_t kNoAnswer = 830;
constexpr int32_t kFailed = 831;
constexpr int32_t kLoaded = 833;
constexpr int16_t kNoApplication = 14;
constexpr int16_t kNameAttribute = 2;
constexpr int16_t kTypeAttribute = 4;
constexpr int32_t kProgramType = 2;

// The callbacks, the dialog's hold on the loader and the dialog itself end on every path.
struct DialogCleanUp {
    components::AppLoader* loader = nullptr;
    FormLoadApplication& dialog;
    ~DialogCleanUp() {
        if (loader != nullptr) {
            loader->ErrorCallback(nullptr);
            loader->ProgressCallback(nullptr);
        }
        dialog.Loader = nullptr;
        dialog.CloseLoadApp();
    }
};

// The partition of the selected row when the controller has it, 0 when it has not; nothing
// when the list cannot be read or no row is selected.
std::optional<uint8_t> targetPartition(program::Program& program) {
    const clink::Connection& c = program.connection;
    std::vector<uint8_t> numbers;
    if (!ControllerOf(program).allPartitions(c.CurrentPLA, c.CurrentELA, numbers))
        return std::nullopt;
    const auto selected = SelectedPartitionNumber(program);
    if (!selected) return std::nullopt;
    const bool known = std::find(numbers.begin(), numbers.end(), *selected) != numbers.end();
    return known ? static_cast<uint8_t>(*selected) : uint8_t{0};
}

}  // namespace

LoadOutcome LoadKvxrealCApplication(program::Program& program, const std::string& directory,
                                    const std::string& jobFile) {
    kvxglib::Library& glib = program.platform.glib;
    clink::Connection& c = program.connection;
    Controller& controller = ControllerOf(program);
    FormLoadApplication dialog(program);
    const std::string path = catalogue::JoinPath(glib, directory, jobFile);
    if (!controller.readControllerAddress(c.CurrentPLA, c.CurrentELA)) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kNoAnswer));
        program.mainWindow.ResetMainWindowState();
        return LoadOutcome::NotRun;
    }
    auto fail = [&glib] {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kFailed));
        return LoadOutcome::Failed;
    };
    std::unique_ptr<components::AppLoader> loader = program.platform.components.NewAppLoader();
    LoadOutcome outcome = LoadOutcome::NotRun;
    uint8_t loaded = 0;
    std::optional<int16_t> notRunning;  // the partition that could not be activated
    {
        DialogCleanUp cleanUp{loader.get(), dialog};
        // The loader's own words about a damaged or foreign image reach the user.
        loader->ErrorCallback(&dialog);
        loader->ProgressCallback(&dialog);
        if (!loader->Open(path)) return fail();
        loader->PLA(static_cast<uint8_t>(c.CurrentPLA));
        loader->ELA(static_cast<uint8_t>(c.CurrentELA));
        loader->Partition(0);
        const std::optional<uint8_t> target = targetPartition(program);
        if (!target) return fail();
        loader->Partition(*target);
        loader->Link(c.CurrentLink);
        int32_t subApplication = 0;
        int32_t active = 0;
        const bool subRead = controller.readNumber(c.CurrentPLA, c.CurrentELA,
                                                   "QSystem.ActiveSubApplication", subApplication);
        const bool activeRead =
            controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition", active);
        if (!subRead || !activeRead) {
            fail();
        } else {
            // The running program goes on while the image travels; it stops only once every
            // byte is staged, right before the commit.
            bool stopped = false;
            loader->BeforeCommit([&] {
                controller.activate(c.CurrentPLA, c.CurrentELA, kNoApplication, 0);
                stopped = true;
            });
            program.load.LoadCancelled = false;
            dialog.OpenLoadApp("LoadProg");
            dialog.Loader = loader.get();
            const bool completed = loader->Load() && !program.load.LoadCancelled;
            dialog.Loader = nullptr;
            loader->BeforeCommit({});
            loaded = loader->Partition();
            const int16_t pla = loader->PLA();
            const int16_t ela = loader->ELA();
            if (completed) {
                // Only a partition that now holds the new program is renamed and retyped.
                controller.setPartText(pla, ela, loaded, kNameAttribute, loader->ProgramName());
                controller.setPartAttr(pla, ela, loaded, kTypeAttribute, kProgramType);
                if (!RestoreActivation(program, pla, ela, loaded,
                                       static_cast<int16_t>(subApplication)))
                    notRunning = loaded;
                outcome = LoadOutcome::Loaded;
            } else {
                // The controller kept its image: what ran before runs again.
                if (stopped && !RestoreActivation(program, pla, ela, static_cast<int16_t>(active),
                                                  static_cast<int16_t>(subApplication)))
                    notRunning = static_cast<int16_t>(active);
                outcome = program.load.LoadCancelled ? LoadOutcome::Cancelled
                                                     : LoadOutcome::Failed;
            }
        }
    }
    RefreshPartitionList(program);
    if (notRunning) catalogue::ShowErrorMessage(glib, NotRunningText(*notRunning));
    if (outcome == LoadOutcome::Loaded) {
        catalogue::ShowInfoMessage(
            glib, catalogue::ReplacePlaceholders(catalogue::GetText(glib, kLoaded),
                                                 {"@PARTITION", std::to_string(loaded)}));
    }
    return outcome == LoadOutcome::NotRun ? LoadOutcome::Failed : outcome;
}

}  // namespace load
