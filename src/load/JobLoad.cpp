#include "load/JobLoad.h"

#include <memory>

#include "program/Program.h"
#include "catalogue/Messages.h"
#include "catalogue/Paths.h"
#include "platform/components/LoadFigures.h"

namespace load {
namespace {
constexpr int16_t kTrue = -1;
}  // namespace

LoadOutcome RunJobLoader(program::Program& program, const std::string& directory,
                         const std::string& jobFile) {
    kvxglib::Library& glib = program.platform.glib;
    program::MainWindow& form = program.mainWindow;
    int32_t prepared = 0;
    glib.PrepareLoaderFolder(2, directory, 0, &prepared);
    std::unique_ptr<components::JobLoader> loader = program.platform.components.NewJobLoader();
    std::shared_ptr<components::Job> job;
    // The window's progress, Info and the loader reference end together on every path.
    struct Running {
        program::Program& program;
        std::shared_ptr<components::Job>& job;
        ~Running() {
            program::MainWindow& f = program.mainWindow;
            f.ProgressBar1.value = 0;
            f.Info.enabled = false;
            job.reset();
            program.load.jobLoader = nullptr;
            f.Timer1.enabled = false;
            f.CtrlStatusLine.caption.clear();
        }
    } running{program, job};
    program.load.jobLoader = loader.get();
    loader->ShowInfo(0);
    form.Info.enabled = true;
    loader->OptionFlag(kTrue);
    loader->ErrorFile(directory + "\\KVXload.Err");
    loader->LogFile(directory + "\\KVXload.Gll");
    loader->Link(program.connection.CurrentLink);
    loader->Compression(program.load.compression);
    if (program.load.keepImages.keep) loader->KeepImages(program.load.keepImages);
    // Left alone, the jobs run against the controller at the end of the link.
    if (const auto& target = program.connection.Target) {
        loader->PLA(static_cast<uint8_t>(target->pla));
        loader->ELA(static_cast<uint8_t>(target->ela));
    }
    // A job file that cannot be read leaves nothing to run; it must not count as loaded.
    const bool queued =
        loader->AddJobFile(catalogue::JoinPath(glib, directory, jobFile), nullptr, job);
    form.Timer1.enabled = true;
    if (queued) loader->Run();
    if (queued && loader->AllDone() == kTrue) {
        const std::string rate = components::loadedText(loader->LastLoad());
        catalogue::ShowInfoMessage(glib, "All files loaded successfully" +
                                             (rate.empty() ? "" : ". " + rate));
        return LoadOutcome::Loaded;
    }
    catalogue::ShowErrorMessage(glib, "All jobs were NOT completed");
    loader->ShowInfo(kTrue);
    return LoadOutcome::Failed;
}

}  // namespace load
