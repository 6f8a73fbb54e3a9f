#include "load/LoadController.h"

#include <algorithm>
#include <cstdio>
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
#include "load/ProgramPartitionChoice.h"
#include "load/RestoreActivation.h"
#include "load/TrialActivation.h"
#include "platform/components/LoadFigures.h"
#include "platform/wire/PartitionText.h"
#include "platform/wire/ReplyCode.h"

namespace load {
namespace {

constexpr int32_t kNoAnswer = 830;
constexpr int32_t kFailed = 831;
constexpr int32_t kLoaded = 833;
constexpr int16_t kNoApplication = 14;
constexpr int16_t kNameAttribute = 2;
constexpr int16_t kTypeAttribute = 4;
constexpr int32_t kProgramType = 2;
constexpr int16_t kChecksumAttribute = 1000;  // the stored image's, written by its commit

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

// What a partition holds, as far as the controller says: its stored image's checksum, none
// for an empty one; `answered` false when the controller did not answer for the partition.
struct Held {
    bool answered = false;
    std::optional<int32_t> checksum;
    bool operator==(const Held&) const = default;
};

Held held(Controller& controller, int16_t pla, int16_t ela, uint8_t partition) {
    Held h;
    int32_t value = 0;
    if (controller.partAttr(pla, ela, partition, kChecksumAttribute, value)) {
        h.checksum = value;
        h.answered = true;
    } else {
        h.answered = controller.partAttr(pla, ela, partition, kTypeAttribute, value);
    }
    return h;
}

std::string hex(int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

// After a load that did not take: what the partition holds is said only as far as its stored
// checksum, read before and after, tells.
std::string heldText(uint8_t partition, const Held& before, const Held& after, bool& same) {
    const std::string n = "Partition " + std::to_string(partition);
    same = before.answered && after.answered && before == after;
    if (!before.answered || !after.answered)
        return "Whether partition " + std::to_string(partition) +
               " still holds what it held before could not be read back from the controller.";
    if (same) return n + " holds what it held before.";
    return n + " no longer holds what it held before (its stored checksum is " +
           (after.checksum ? hex(*after.checksum) : "gone") + ", it was " +
           (before.checksum ? hex(*before.checksum) : "none") + "): load the program again.";
}

// The program's words after a load the loader reports failed: the controller's reason where
// it gave one; the communication text only where the link failed.
std::string failureText(kvxglib::Library& glib, Controller& controller, int16_t pla,
                        int16_t ela, uint8_t partition, uint16_t code) {
    const std::string n = std::to_string(partition);
    const std::string notLoaded = "The program was not loaded into partition " + n + ": ";
    switch (static_cast<wire::ReplyCode>(code)) {
        case wire::ReplyCode::Busy:
            return notLoaded + "the controller is busy with another load.";
        case wire::ReplyCode::NotFound:
            return notLoaded + "the controller has no partition " + n + ".";
        case wire::ReplyCode::Refused: {
            int32_t running = -1;
            if (controller.readNumber(pla, ela, "QSystem.ActivePartition", running) &&
                running == partition)
                return notLoaded + "partition " + n + " runs the program.";
            return notLoaded + "the controller refused it.";
        }
        case wire::ReplyCode::TimedOut:
        case wire::ReplyCode::LinkLost:
        case wire::ReplyCode::NotStarted:
        case wire::ReplyCode::BadReply:
            return catalogue::GetText(glib, kFailed);
        default:
            // The loader has said why, in the controller's terms.
            return code == 0 ? catalogue::GetText(glib, kFailed)
                             : "The program was not loaded into partition " + n + ".";
    }
}

// The program's name as the partition name: what the controller keeps, cut at a character
// boundary when longer (code page 850 has one byte a character).
std::string partitionName(const std::string& name, bool& cut) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
        if (++characters > wire::kMaxPartitionText) {
            cut = true;
            return name.substr(0, i);
        }
    }
    cut = false;
    return name;
}

}  // namespace

LoadOutcome LoadKvxrealCApplication(program::Program& program, const std::string& directory,
                                    const std::string& jobFile, const LoadTarget& target) {
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
    std::string failure;    // the program's words after a load the loader reports failed
    std::string heldNote;   // what the partition holds after a load that did not take
    bool heldSame = false;
    std::unique_ptr<components::AppLoader> loader = program.platform.components.NewAppLoader();
    LoadOutcome outcome = LoadOutcome::NotRun;
    uint8_t loaded = 0;
    std::optional<int16_t> notRunning;  // the partition that could not be activated
    std::string nameNote;
    std::string trialNote;  // why the new program does not run
    std::string afterNote;  // what runs after a load that did not take
    bool afterConfirmed = false;
    {
        DialogCleanUp cleanUp{loader.get(), dialog};
        // The loader's own words about a damaged or foreign image reach the user.
        loader->ErrorCallback(&dialog);
        loader->ProgressCallback(&dialog);
        // A damaged or foreign image: the loader has said why, once.
        if (!loader->Open(path)) return LoadOutcome::Failed;
        loader->PLA(static_cast<uint8_t>(c.CurrentPLA));
        loader->ELA(static_cast<uint8_t>(c.CurrentELA));
        loader->Partition(0);
        loader->Partition(target.partition);
        loader->Link(c.CurrentLink);
        loader->Compression(program.load.compression);
        const Held heldBefore = held(controller, c.CurrentPLA, c.CurrentELA, target.partition);
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
            // Load's result decides: a Cancel clicked after the commit came too late.
            const bool completed = loader->Load();
            if (completed) program.load.LoadCancelled = false;
            dialog.Loader = nullptr;
            loader->BeforeCommit({});
            loaded = loader->Partition();
            const int16_t pla = loader->PLA();
            const int16_t ela = loader->ELA();
            if (completed) {
                // Only a partition that now holds the new program is renamed and retyped.
                bool cut = false;
                const std::string name = partitionName(loader->ProgramName(), cut);
                if (!controller.setPartText(pla, ela, loaded, kNameAttribute, name)) {
                    nameNote = "The partition's name could not be written: it keeps its old name.";
                } else if (cut) {
                    nameNote = "The program's name is longer than a partition name may be (" +
                               std::to_string(wire::kMaxPartitionText) +
                               " characters): the partition is named \"" + name + "\".";
                }
                controller.setPartAttr(pla, ela, loaded, kTypeAttribute, kProgramType);
                // The new program stays only once the controller reports it running.
                const TrialResult trial = ActivateOnTrial(
                    program, pla, ela, loaded, static_cast<int16_t>(subApplication),
                    static_cast<int16_t>(active), static_cast<int16_t>(subApplication));
                trialNote = trial.text;
                // A controller without the trial keeps the new program whatever it does.
                outcome = trial.end == TrialEnd::Confirmed || !trial.tried
                              ? LoadOutcome::Loaded
                              : LoadOutcome::Returned;
            } else {
                if (!program.load.LoadCancelled)
                    failure = failureText(glib, controller, pla, ela, loaded,
                                          loader->FailureCode());
                heldNote =
                    heldText(loaded, heldBefore, held(controller, pla, ela, loaded), heldSame);
                // The controller kept its image: what ran before runs again, and the user is
                // told so only once the controller names it as running.
                const auto before = static_cast<int16_t>(active);
                if (stopped) {
                    afterConfirmed = RestoreActivation(program, pla, ela, before,
                                                       static_cast<int16_t>(subApplication));
                    if (afterConfirmed)
                        afterNote = KeptProgramText(before);
                    else
                        notRunning = before;
                } else {
                    int32_t now = -1;
                    const bool read =
                        controller.readNumber(pla, ela, "QSystem.ActivePartition", now);
                    afterConfirmed = read && now == active;
                    afterNote = afterConfirmed ? KeptProgramText(before)
                                               : UnconfirmedProgramText(before, read, now);
                }
                outcome = program.load.LoadCancelled ? LoadOutcome::Cancelled
                                                     : LoadOutcome::Failed;
            }
        }
    }
    if (program.load.listAfterLoad) RefreshPartitionList(program);
    if (notRunning) catalogue::ShowErrorMessage(glib, NotRunningText(*notRunning));
    if (!trialNote.empty()) catalogue::ShowErrorMessage(glib, trialNote);
    if (outcome == LoadOutcome::Loaded) {
        const std::string text = catalogue::ReplacePlaceholders(
            catalogue::GetText(glib, kLoaded), {"@PARTITION", std::to_string(loaded)});
        const std::string rate = components::loadedText(loader->LastLoad());
        catalogue::ShowInfoMessage(glib, (rate.empty() ? text : text + " " + rate) +
                                             (target.note.empty() ? "" : " " + target.note));
        if (!nameNote.empty()) catalogue::ShowErrorMessage(glib, nameNote);
    } else if (outcome == LoadOutcome::Failed) {
        // After the loader's own words, the program's.
        failure.empty() ? (void)fail() : catalogue::ShowErrorMessage(glib, failure);
    }
    if (!heldNote.empty()) {
        heldSame ? catalogue::ShowInfoMessage(glib, heldNote)
                 : catalogue::ShowErrorMessage(glib, heldNote);
    }
    if (!afterNote.empty()) {
        afterConfirmed ? catalogue::ShowInfoMessage(glib, afterNote)
                       : catalogue::ShowErrorMessage(glib, afterNote);
    }
    return outcome == LoadOutcome::NotRun ? LoadOutcome::Failed : outcome;
}

}  // namespace load
