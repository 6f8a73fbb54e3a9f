#include "load/WebSiteLoad.h"

#include <chrono>
#include <memory>

#include "load/Controller.h"
#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "catalogue/Texts.h"
#include "catalogue/WaitSeconds.h"
#include "load/CommandLock.h"
#include "load/FormLoadApplication.h"
#include "load/FormReloadTCPIP.h"
#include "load/LoadController.h"
#include "load/PartitionList.h"
#include "load/WebPartitionChoice.h"
#include "platform/components/LoadFigures.h"

namespace load {
namespace {

using std::chrono::milliseconds;

constexpr int16_t kTcpIp = 2;
constexpr int32_t kNotTcpIp = 623;
constexpr int32_t kFailed = 831;
constexpr int32_t kLoaded = 835;
constexpr int16_t kLocalPla = 255;
constexpr int16_t kLocalEla = 30;
constexpr int16_t kNameAttribute = 2;
constexpr int16_t kTypeAttribute = 4;
constexpr int32_t kWebType = 3;
constexpr int32_t kTrue = -1;

// Switches the web server off while the site it serves is overwritten, and on again on every
// way out: a failed or cancelled load must not leave the controller's web pages dark.
class WebServerPause {
  public:
    WebServerPause(program::Program& program, int16_t pla, int16_t ela, uint8_t partition)
        : program_(program), pla_(pla), ela_(ela) {
        Controller& controller = ControllerOf(program);
        int32_t activeSite = -1;
        if (!controller.readNumber(pla, ela, "QServices.HttpActiveSitePartition", activeSite) ||
            activeSite != partition)
            return;
        // A server that was off stays off; one whose state cannot be read is left alone, since
        // it could not be put back as it was.
        if (!controller.readNumber(pla, ela, "QServices.HttpEnable", enabled_) || enabled_ == 0)
            return;
        apply(0);
        paused_ = true;
        program.platform.clock.sleepFor(milliseconds(700));
    }
    ~WebServerPause() {
        if (paused_) apply(enabled_);  // as it was, not merely "on"
    }
    WebServerPause(const WebServerPause&) = delete;
    WebServerPause& operator=(const WebServerPause&) = delete;

  private:
    void apply(int32_t enable) {
        Controller& controller = ControllerOf(program_);
        controller.writeNumber(pla_, ela_, "QServices.HttpEnable", enable);
        controller.writeNumber(pla_, ela_, "QServices.HttpCommitSettings", kTrue);
    }

    program::Program& program_;
    int16_t pla_;
    int16_t ela_;
    int32_t enabled_ = 0;
    bool paused_ = false;
};

// The callbacks, the dialog's hold on the loader and the dialog itself end on every path.
struct LoaderRelease {
    components::AppLoader& loader;
    FormLoadApplication& dialog;
    bool released = false;
    ~LoaderRelease() { release(); }
    void release() {
        if (released) return;
        released = true;
        loader.ErrorCallback(nullptr);
        loader.ProgressCallback(nullptr);
        dialog.Loader = nullptr;
        dialog.CloseLoadApp();
    }
};

WebLoadOutcome failed(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kFailed));
    program.mainWindow.ResetMainWindowState();
    return WebLoadOutcome::Failed;
}

}  // namespace

WebLoadOutcome LoadWebSiteCommand(program::Program& program) {
    CommandLock lock(program, Unlock::FromProgramOptions);
    if (!lock.acquired()) return WebLoadOutcome::NotRun;
    bool accepted = false;
    bool reloaded = false;
    {
        FormReloadTCPIP dialog(program);
        accepted = dialog.ShowDlg();
        reloaded = dialog.Reloaded;
    }
    if (!accepted) return WebLoadOutcome::NotRun;
    if (program.connection.ControllerOsKind == "C") return LoadWebSite(program);
    return reloaded ? WebLoadOutcome::Loaded : WebLoadOutcome::Failed;
}

WebLoadOutcome LoadWebSite(program::Program& program) {
    kvxglib::Library& glib = program.platform.glib;
    clink::Connection& c = program.connection;
    const catalogue::Catalogue& cat = program.catalogue;
    FormLoadApplication dialog(program);
    if (c.CommKind != kTcpIp) {
        catalogue::ShowErrorMessage(glib, catalogue::GetText(glib, kNotTcpIp));
        return WebLoadOutcome::NotRun;
    }
    if (cat.SelectedProgramIndex < 1 ||
        static_cast<size_t>(cat.SelectedProgramIndex) > cat.ProgramList.size()) {
        catalogue::ShowErrorMessage(glib, "Select a program revision first.");
        return WebLoadOutcome::NotRun;
    }
    const std::string directory = ProgramDirectory(
        program, cat.ProgramList[static_cast<size_t>(cat.SelectedProgramIndex) - 1].Directory);
    const std::string path = catalogue::JoinPath(glib, directory, "Image.Ecp");

    Controller& controller = ControllerOf(program);
    std::unique_ptr<components::AppLoader> loader = program.platform.components.NewAppLoader();
    LoaderRelease release{*loader, dialog};
    // The loader's own words about a missing or foreign image reach the user.
    loader->ErrorCallback(&dialog);
    loader->ProgressCallback(&dialog);
    loader->WebSite(true);
    if (!loader->Open(path)) return failed(program);
    int16_t p = 0;
    int16_t e = 0;
    if (!controller.readSystemSmallInt(kLocalPla, kLocalEla, 0, p, "255:30.QSystem.PLA") ||
        !controller.readSystemSmallInt(kLocalPla, kLocalEla, 1, e, "255:30.QSystem.ELA"))
        return failed(program);
    loader->PLA(static_cast<uint8_t>(p));
    loader->ELA(static_cast<uint8_t>(e));
    loader->Partition(0);
    const WebPartitionChoice choice = ChooseWebPartition(program);
    switch (choice.ending) {
        case WebPartitionChoice::Ending::Chosen:
            break;
        case WebPartitionChoice::Ending::Unreadable:
            return failed(program);
        case WebPartitionChoice::Ending::Declined:
        case WebPartitionChoice::Ending::NoneSuitable:
            return WebLoadOutcome::NotRun;
    }
    const uint8_t partition = choice.partition;
    loader->Partition(partition);
    loader->Link(c.CurrentLink);
    loader->Compression(program.load.compression);

    bool completed = false;
    {
        WebServerPause pause(program, p, e, partition);
        program.load.LoadCancelled = false;
        dialog.OpenLoadApp("LoadWebSite");
        dialog.Loader = loader.get();
        program.platform.clock.sleepFor(milliseconds(1500));
        completed = loader->Load() && !program.load.LoadCancelled;
        dialog.Loader = nullptr;
        if (completed) {
            // Only a partition that now holds the site is renamed, retyped and served.
            controller.setPartText(p, e, partition, kNameAttribute, "WEBapplication");
            controller.setPartAttr(p, e, partition, kTypeAttribute, kWebType);
            controller.activate(loader->PLA(), loader->ELA(), partition, 0);
        }
    }
    if (!completed && !program.load.LoadCancelled) {
        release.release();
        return failed(program);
    }
    catalogue::WaitSeconds(program.platform, 1);
    RefreshPartitionList(program);
    release.release();
    if (!completed) return WebLoadOutcome::Cancelled;
    const std::string text = catalogue::ReplacePlaceholders(
        catalogue::GetText(glib, kLoaded), {"@PARTITION", std::to_string(partition)});
    const std::string rate = components::loadedText(loader->LastLoad());
    catalogue::ShowInfoMessage(glib, rate.empty() ? text : text + " " + rate);
    return WebLoadOutcome::Loaded;
}

}  // namespace load
