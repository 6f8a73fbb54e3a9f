#include "load/OsUpgrade.h"

#include <cstdio>
#include <memory>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/LibraryText.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/TextUtil.h"
#include "catalogue/Texts.h"
#include "load/FormLoadApplication.h"
#include "load/FormUpgradeKVXreal.h"
#include "load/RestoreActivation.h"
#include "load/TrialActivation.h"
#include "platform/components/LoadFigures.h"
#include "platform/os/NativePath.h"
#include "platform/wire/ReplyCode.h"

namespace load {
namespace {

constexpr int32_t kNoAnswer = 830;
constexpr int32_t kFailed = 831;
constexpr int32_t kUpgradeEnded = 834;
constexpr int16_t kNoApplication = 14;
constexpr int32_t kModuleTypeIndex = 36;
constexpr int16_t kTrue = -1;
constexpr int32_t kLocateFlags = static_cast<int32_t>(0x80000000u);
constexpr size_t kPrefixLength = 5;

// The model code of the connected controller: from the TCP/IP search, else its module type.
bool modelCode(program::Program& program, std::string& code) {
    const clink::Connection& c = program.connection;
    if (!c.ModelCode.empty()) {
        code = c.ModelCode;
        return true;
    }
    int16_t type = 0;
    if (!ControllerOf(program).readSystemInt(c.CurrentPLA, c.CurrentELA, kModuleTypeIndex, type,
                                             "QSystem.ModuleType"))
        return false;
    code = std::to_string(type);
    return true;
}

struct Version {
    int32_t major = 0, minor = 0, branch = 0, number = 0;
    bool operator==(const Version&) const = default;
    std::string text() const {
        return std::to_string(major) + "." + std::to_string(minor) + "-" +
               std::to_string(branch) + "-" + std::to_string(number);
    }
};

// After an image that could not be staged (the upgrader has said how): the controller's reason
// where it gave one; the communication text only where the link failed.
std::string notStagedText(kvxglib::Library& glib, uint16_t code, const std::string& to) {
    const std::string notUpgraded =
        "The operating system was not upgraded" + (to.empty() ? "" : " to " + to);
    switch (static_cast<wire::ReplyCode>(code)) {
        case wire::ReplyCode::Busy:
            return notUpgraded + ": the controller is busy with another load.";
        case wire::ReplyCode::Refused:
            return notUpgraded + ": the controller refused the image.";
        case wire::ReplyCode::Ok:
        case wire::ReplyCode::TimedOut:
        case wire::ReplyCode::LinkLost:
        case wire::ReplyCode::NotStarted:
        case wire::ReplyCode::BadReply:
            return catalogue::GetText(glib, kFailed);
        default:
            return notUpgraded + ".";
    }
}

}  // namespace

std::string ChooseImageFile(const std::vector<std::string>& files, const std::string& imageName) {
    const size_t slash = imageName.find_last_of('\\');
    const std::string name = slash == std::string::npos ? imageName : imageName.substr(slash + 1);
    for (const std::string& file : files) {
        if (os::equalsIgnoreCase(file, name)) return file;
    }
    const std::string prefix = name.substr(0, kPrefixLength);
    for (const std::string& file : files) {
        if (os::equalsIgnoreCase(file.substr(0, prefix.size()), prefix)) return file;
    }
    return {};
}

namespace {

// The image CheckOsRevision compares with, set into `upgrader`; false when there is none (a
// file that cannot be read is said once, never offered as version 0).
bool PrepareImage(program::Program& program, const std::string& programDirectory,
                  components::OsUpgrader& upgrader) {
    const clink::Connection& c = program.connection;
    const std::string& revisionFolder = program.catalogue.SelectedProjectFolder;
    const std::string& programsFolder = revisionFolder.empty() ? programDirectory : revisionFolder;
    kvxglib::Library& glib = program.platform.glib;
    upgrader.PLA(static_cast<uint8_t>(c.CurrentPLA));
    upgrader.ELA(static_cast<uint8_t>(c.CurrentELA));
    upgrader.Link(c.CurrentLink);

    // Without a model code there is no model file to name the image: no check.
    std::string code;
    if (!modelCode(program, code)) return false;
    const std::string imageName = catalogue::TextFromPointer(
        glib, glib.ReadSetting("SLib:\\" + code + ".mdd", "KVXreal", "KVXrealCUpgradeFile", "0"));
    const std::string folder = programsFolder + "\\KVXreal\\";
    const std::string slashFree = imageName.substr(imageName.find_last_of('\\') + 1);
    const std::string chosen = ChooseImageFile(
        program.platform.files.listFiles(folder + slashFree.substr(0, kPrefixLength) + "*.*"),
        imageName);
    if (!chosen.empty()) {
        upgrader.UpgradeFile(folder + chosen);
        if (const std::string problem = upgrader.ImageProblem(); !problem.empty()) {
            catalogue::ShowErrorMessage(glib, problem);
            return false;
        }
        return true;
    }
    int16_t found = 0;
    return upgrader.LocateImage(kLocateFlags, found) && found == kTrue;
}

// A version that cannot be read is nothing to compare with.
bool RunningVersion(program::Program& program, Version& running) {
    const clink::Connection& c = program.connection;
    const char* names[] = {"QSystem.Ver_Major", "QSystem.Ver_Minor", "QSystem.Ver_Branch",
                           "QSystem.Ver_Number"};
    int32_t* fields[] = {&running.major, &running.minor, &running.branch, &running.number};
    for (int i = 0; i < 4; ++i) {
        if (!ControllerOf(program).readNumber(c.CurrentPLA, c.CurrentELA, names[i], *fields[i]))
            return false;
    }
    return true;
}

// "MM.mm.bb.rrrr" as the catalogue writes versions; the text itself when it is not one.
std::string FixedWidthText(const std::string& fixed) {
    Version v;
    if (std::sscanf(fixed.c_str(), "%d.%d.%d.%d", &v.major, &v.minor, &v.branch, &v.number) != 4)
        return fixed;
    return v.text();
}

}  // namespace

OsCheck CheckOsRevision(program::Program& program, const std::string& programDirectory,
                        const std::string& alsoChanging) {
    const clink::Connection& c = program.connection;
    if (c.ControllerOsKind != "C") {
        return CheckLegacyOs(program, programDirectory);
    }
    FormUpgradeKVXreal dialog(FormsOf(program), program.platform.glib);
    std::unique_ptr<components::OsUpgrader> upgrader =
        program.platform.components.NewOsUpgrader();
    if (!PrepareImage(program, programDirectory, *upgrader)) return OsCheck::Skipped;
    Version running;
    if (!RunningVersion(program, running)) return OsCheck::Skipped;
    const Version image{upgrader->ImageVerMajor(), upgrader->ImageVerMinor(),
                        upgrader->ImageVerBranch(), upgrader->ImageVerRevision()};
    if (image == running) return OsCheck::Current;
    dialog.Changes = "Operating system from " + running.text() + " to " + image.text() + ".";
    if (!alsoChanging.empty()) dialog.Changes += " " + alsoChanging;
    if (!dialog.ShowDlg()) return OsCheck::Declined;
    return RunOsUpgrade(program, *upgrader, running.text(), image.text()) ? OsCheck::Upgraded
                                                                           : OsCheck::Failed;
}

std::optional<OsOffer> OfferedOs(program::Program& program, const std::string& programDirectory) {
    if (program.connection.ControllerOsKind != "C") {
        std::unique_ptr<components::OsVersionChecker> checker = LegacyChecker(program,
                                                                              programDirectory);
        int32_t result = 0;
        if (!checker->Scan(0, 0, result) || result != 1) return std::nullopt;
        const std::string image = checker->FirstVersion();
        const std::string running = checker->SecondVersion();
        return OsOffer{FixedWidthText(running), running < image ? FixedWidthText(image) : ""};
    }
    std::unique_ptr<components::OsUpgrader> upgrader =
        program.platform.components.NewOsUpgrader();
    Version running;
    if (!PrepareImage(program, programDirectory, *upgrader) || !RunningVersion(program, running))
        return std::nullopt;
    const Version image{upgrader->ImageVerMajor(), upgrader->ImageVerMinor(),
                        upgrader->ImageVerBranch(), upgrader->ImageVerRevision()};
    return OsOffer{running.text(), image == running ? "" : image.text()};
}

bool RunOsUpgrade(program::Program& program, components::OsUpgrader& upgrader,
                  const std::string& from, const std::string& to) {
    kvxglib::Library& glib = program.platform.glib;
    clink::Connection& c = program.connection;
    Controller& controller = ControllerOf(program);
    FormLoadApplication dialog(program);
    upgrader.ErrorCallback(&dialog);
    upgrader.ProgressCallback(&dialog);
    // The callbacks and the dialog's hold on the upgrader end on every path.
    struct CleanUp {
        components::OsUpgrader& upgrader;
        FormLoadApplication& dialog;
        ~CleanUp() {
            upgrader.ErrorCallback(nullptr);
            upgrader.ProgressCallback(nullptr);
            dialog.Upgrade = nullptr;
            dialog.CloseLoadApp();
        }
    } cleanUp{upgrader, dialog};

    if (!controller.readControllerAddress(c.CurrentPLA, c.CurrentELA)) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kNoAnswer));
        program.mainWindow.ResetMainWindowState();
        return false;
    }
    int32_t partition = 0;
    int32_t subApplication = 0;
    if (!controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActivePartition", partition) ||
        !controller.readNumber(c.CurrentPLA, c.CurrentELA, "QSystem.ActiveSubApplication",
                               subApplication))
        return false;
    program.load.LoadCancelled = false;
    dialog.OpenLoadApp("UpgradeKVXrealC");
    dialog.Upgrade = &upgrader;
    upgrader.Link(c.CurrentLink);
    upgrader.Compression(program.load.compression);
    int16_t done = 0;
    const bool staged = upgrader.Upgrade(0, done) && done == kTrue;
    if (program.load.LoadCancelled) {
        // Nothing was stopped: the staged image is dropped and the old system runs on.
        dialog.Upgrade = nullptr;
        dialog.CloseLoadApp();
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kUpgradeEnded));
        return false;
    }
    if (!staged) {
        // The old system was never touched: it and its application keep running.
        dialog.Upgrade = nullptr;
        catalogue::ShowErrorMessage(glib, notStagedText(glib, upgrader.FailureCode(), to));
        return false;
    }
    // Every byte is staged: the application stops only now, right before the commit.
    bool ready = false;
    if (controller.activate(upgrader.PLA(), upgrader.ELA(), kNoApplication, 0)) {
        int16_t finished = 0;
        ready = upgrader.FinishUpgrade(0, finished) && finished == kTrue;
    }
    // What ran before runs again: on the new system on trial (a program that does not start
    // there is stopped rather than left half running), or on the old one after a failure.
    const auto before = static_cast<int16_t>(partition);
    const auto beforeSub = static_cast<int16_t>(subApplication);
    std::string note;
    if (ready && before != kNoApplication) {
        const TrialResult trial = ActivateOnTrial(program, upgrader.PLA(), upgrader.ELA(), before,
                                                  beforeSub, kNoApplication, 0);
        if (trial.end == TrialEnd::Returned)
            note = "The program of partition " + std::to_string(before) +
                   " did not start on the new operating system; the controller runs no program "
                   "(partition 14). Load the program again.";
        else if (trial.end == TrialEnd::NotRunning)
            note = trial.tried ? NotRunningText(kNoApplication) : NotRunningText(before);
    } else if (!RestoreActivation(program, upgrader.PLA(), upgrader.ELA(), before, beforeSub)) {
        note = NotRunningText(before);
    }
    dialog.Upgrade = nullptr;
    dialog.CloseLoadApp();
    // A good upgrade is news, not an error; the upgrader has said why a failed one failed.
    if (ready) {
        const std::string text = from.empty() ? catalogue::GetText(glib, kUpgradeEnded)
                                              : "Operating system upgraded from " + from +
                                                    " to " + to + ".";
        const std::string rate = components::loadedText(upgrader.LastLoad());
        catalogue::ShowInfoMessage(glib, rate.empty() ? text : text + " " + rate);
    }
    else
        catalogue::ShowErrorMessage(glib, to.empty() ? catalogue::GetText(glib, kFailed)
                                                     : "The operating system was not upgraded "
                                                       "to " + to + ".");
    if (!note.empty()) catalogue::ShowErrorMessage(glib, note);
    return ready;
}

std::unique_ptr<components::OsVersionChecker> LegacyChecker(program::Program& program,
                                                           const std::string& programDirectory) {
    std::unique_ptr<components::OsVersionChecker> checker =
        program.platform.components.NewOsVersionChecker();
    checker->Owner(0);
    checker->Directory(programDirectory);
    checker->Link(program.connection.CurrentLink);
    checker->Compression(program.load.compression);
    // The controller the command is for: on a bus, 255:30 would be the bus head instead.
    checker->PLA(static_cast<uint8_t>(program.connection.CurrentPLA));
    checker->ELA(static_cast<uint8_t>(program.connection.CurrentELA));
    return checker;
}

OsCheck CheckLegacyOs(program::Program& program, const std::string& programDirectory) {
    std::unique_ptr<components::OsVersionChecker> checker = LegacyChecker(program, programDirectory);
    int32_t result = 0;
    if (!checker->Scan(0, 0, result) || result != 1) return OsCheck::Skipped;
    const std::string image = checker->FirstVersion();
    const std::string running = checker->SecondVersion();
    if (!(running < image)) return OsCheck::Current;
    if (!checker->Upgrade(-1, 0, result) || result == -1) return OsCheck::Failed;
    return result == 1 ? OsCheck::Upgraded : OsCheck::Declined;
}

}  // namespace load
