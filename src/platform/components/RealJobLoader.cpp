#include "platform/components/RealJobLoader.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/components/Channel.h"
#include "platform/components/HeldTransfer.h"
#include "platform/components/ImageSource.h"
#include "platform/os/Clock.h"
#include "platform/os/NativePath.h"
#include "platform/sysvars/Table.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"
#include "platform/wire/Crc32.h"

namespace components {

struct RealJobLoader::QueuedJob final : Job {
    std::string file;  // native path
    JobFile content;
    std::map<int, ImageSource> images;  // by the line of their Load step
    const std::string& path() const override { return file; }
};

namespace {

// Reply codes from here up are the host library's own: the link gave up, nobody refused.
constexpr uint16_t kLinkLocal = 0xFF00;

// The share of a job's progress that staging its image takes; its steps share the rest.
constexpr double kStagingShare = 0.9;

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

wire::ApplicationAction applicationAction(StepAction action) {
    switch (action) {
        case StepAction::Clear:
            return wire::ApplicationAction::Clear;
        case StepAction::Start:
            return wire::ApplicationAction::Start;
        default:
            return wire::ApplicationAction::Stop;
    }
}

transfer::Job transferJob(int32_t link, wire::Address to, const ImageSource& source,
                          transfer::Compression compression) {
    transfer::Job t;
    t.link = link;
    t.address = to;
    t.target = wire::TransferTarget::LegacyApplication;
    t.model = source.image.model;
    t.name = source.image.name;
    t.image = source.image.payload;
    attachSignature(t, source.image);
    t.compression = compression;
    return t;
}

std::string stepText(const JobStep& step) {
    return std::string(stepActionName(step.action)) +
           (step.action == StepAction::Write ? " " + step.variable : "") +
           (step.action == StepAction::Load ? " " + step.image : "");
}

}  // namespace

// An image staged ahead of the steps that change the controller, committed at its Load step.
struct RealJobLoader::Staged {
    const JobStep* step = nullptr;
    transfer::Job job;
    uint32_t id = 0;
    LoadFigures figures;
};

void RealJobLoader::LogFile(const std::string& path) { logFile_.path(os::toNativePath(path)); }
void RealJobLoader::ErrorFile(const std::string& path) { errorFile_.path(os::toNativePath(path)); }

void RealJobLoader::log(const std::string& line) {
    logLines_.push_back(line);
    logFile_.write(line);
}

void RealJobLoader::error(const std::string& line) {
    log(line);
    errorFile_.write(line);
}

void RealJobLoader::ShowInfo(int16_t flag) {
    showInfo_ = flag;
    if (flag == 0) return;
    std::string text = "Loading information:";
    for (const std::string& line : logLines_) text += "\n" + line;
    if (logLines_.empty()) text += "\n(nothing has been loaded)";
    boxes_.showMessage(text, ui::MessageKind::Information);
}

bool RealJobLoader::AddJobFile(const std::string& path, Job* /*parent*/,
                               std::shared_ptr<Job>& job) {
    auto queued = std::make_shared<QueuedJob>();
    queued->file = os::toNativePath(path);
    std::string why;
    const auto text = readWholeFile(queued->file, why);
    if (!text) {
        error("The job file cannot be read: " + why);
        return false;
    }
    JobFileReading reading = readJobFile(*text, queued->file);
    // Images are part of the job: one that cannot be sent is a mistake of the file.
    for (const JobStep& step : reading.job.steps) {
        if (step.action != StepAction::Load) continue;
        auto source = openImage(folderOf(queued->file) + "/" + step.image,
                                image::Kind::Application, key_, why);
        if (source) {
            queued->images.emplace(step.line, std::move(*source));
        } else {
            reading.mistakes.push_back(queued->file + ":" + std::to_string(step.line) + ": " + why);
        }
    }
    if (!reading.ok()) {
        for (const std::string& m : reading.mistakes) error(m);
        error("The job file " + queued->file + " has mistakes; nothing was loaded.");
        return false;
    }
    queued->content = std::move(reading.job);
    jobs_.push_back(queued);
    job = queued;
    return true;
}

bool RealJobLoader::fitsController(const QueuedJob& job, std::string& why) {
    Channel controller(links_, link_, to_);
    std::optional<int32_t> model;
    for (const JobStep& step : job.content.steps) {
        if (step.action != StepAction::Load) continue;
        const image::Image& image = job.images.at(step.line).image;
        if (image.model == 0) continue;
        if (!model) {
            const auto read =
                controller.read(sysvars::findByName("QSystem.ModuleType")->address());
            if (!read) {
                why = "the controller's model could not be read: " + controller.why;
                return false;
            }
            model = read->integer;
        }
        if (image.model != *model) {
            why = step.image + " is an image for model " + std::to_string(image.model) +
                  ", the controller is model " + std::to_string(*model);
            return false;
        }
    }
    return true;
}

bool RealJobLoader::stage(const QueuedJob& job, Staged& staged, double from, double share,
                          std::string& why) {
    staged.job = transferJob(link_, to_, job.images.at(staged.step->line), compression_);
    staged.job.holdCommit = true;
    transfer::TransferEngine engine(links_, tuning_);
    const auto result = engine.run(staged.job, [&](const transfer::Progress& p) {
        progress_ = float(from + share * std::clamp(p.fraction(), 0.0, 1.0));
        screen_.processEvents();
        return true;
    });
    if (result.ending != transfer::Ending::Completed) {
        why = result.message;
        return false;
    }
    staged.id = result.transfer;
    staged.figures = {staged.job.image.size(), result.elapsed, result.compressedBlocks};
    return true;
}

bool RealJobLoader::runStep(const QueuedJob& job, const JobStep& step, std::string& why) {
    Channel controller(links_, link_, to_);
    bool ok = false;
    switch (step.action) {
        case StepAction::Stop:
        case StepAction::Clear:
        case StepAction::Start:
            ok = controller.run(wire::ApplicationControlRequest{applicationAction(step.action)});
            break;
        case StepAction::Write:
            ok = controller.write(step.address, step.value);
            break;
        case StepAction::Load: {
            transfer::TransferEngine engine(links_, tuning_);
            const transfer::Job sent =
                transferJob(link_, to_, job.images.at(step.line), compression_);
            const auto result = engine.run(sent, [&](const transfer::Progress&) {
                screen_.processEvents();
                return true;
            });
            if (result.ending == transfer::Ending::Completed) {
                stepFigures_ = {sent.image.size(), result.elapsed, result.compressedBlocks};
                return true;
            }
            why = result.message;
            return false;
        }
    }
    if (!ok) why = controller.why;
    return ok;
}

bool RealJobLoader::PutBack(const HeldApplication& application, std::string& why) {
    figures_ = {};
    LoadFigures moved;
    const bool back = putApplicationBack(links_, tuning_, compression_, link_, to_, application,
                                         [this] { screen_.processEvents(); }, why, &moved);
    if (back) figures_ = moved;
    return back;
}

bool RealJobLoader::untilAnswered(const std::function<bool()>& answered) {
    os::SteadyClock steady;
    os::Clock& clock = tuning_.clock != nullptr ? *tuning_.clock : steady;
    const auto until = clock.now() + tuning_.reconnectFor;
    for (;;) {
        std::string why;
        comm::ExchangeEngine* engine = links_.engine(link_);
        if (engine != nullptr && engine->connect(why) && answered()) return true;
        if (clock.now() >= until) return false;
        screen_.processEvents();
        clock.sleepFor(std::chrono::milliseconds(100));
    }
}

bool RealJobLoader::keepRunning(std::string& why) {
    if (!keeping_.keep) return true;
    const ApplicationReading read = readApplication(links_, link_, to_);
    switch (read.ending) {
        case ReadEnding::Nothing:
            log("  The controller holds no application: there is none to keep");
            return true;
        case ReadEnding::Failed:
            why = "the running application could not be read back (" + read.why + ")";
            return false;
        case ReadEnding::CannotGive: {
            const std::string said = "The controller cannot give back the application it runs (" +
                                     read.why + "), so it cannot be put back if this load fails.";
            if (keeping_.goOnWithout && keeping_.goOnWithout(said + " Load all the same?")) {
                log("  " + said + " Loaded all the same.");
                return true;
            }
            why = said + " The load was declined";
            return false;
        }
        case ReadEnding::Read:
            break;
    }
    const std::optional<std::string> file = keeping_.keep(read.application, why);
    if (!file) {
        why = "the running application could not be kept: " + why;
        return false;
    }
    kept_ = read.application;
    keptFile_ = *file;
    log("  The running application was kept in " + *file);
    return true;
}

transfer::Result RealJobLoader::settleCommit(const Staged& staged, transfer::Result lost) {
    log("  The link was lost at the commit: waiting for the controller");
    const uint32_t checksum = wire::crc32(staged.job.image);
    Channel controller(links_, link_, to_);
    std::vector<uint8_t> reply;
    const bool back = untilAnswered([&] {
        return controller.run(wire::TransferStatusRequest{staged.id}, &reply) ||
               controller.code1 < kLinkLocal;
    });
    if (!back) {
        lost.message = "the link was lost at the commit and the controller did not come back";
        return lost;
    }
    bool took = false;
    if (controller.code1 == wire::code(wire::ReplyCode::Ok)) {
        const auto status = wire::decodeTransferStatusReply(reply);
        if (status && status->state == wire::TransferState::Receiving &&
            status->received == status->totalSize) {
            log("  The commit did not arrive: sent again");
            return commitHeld(links_, staged.job, staged.id);
        }
        if (status && status->state == wire::TransferState::Committed) {
            if (status->storedChecksum != checksum) {
                lost.code1 = wire::code(wire::ReplyCode::ChecksumMismatch);
                lost.storedChecksum = status->storedChecksum;
                lost.message = "the controller stored the new application damaged";
                return lost;
            }
            took = true;
        }
    } else {
        // The controller restarted and forgot the transfer: what it holds tells.
        std::string why;
        const auto info = applicationInfo(links_, link_, to_, why);
        took = info && info->state != wire::ApplicationState::None && info->checksum == checksum;
    }
    if (!took) {
        lost.message = "the link was lost at the commit and the controller did not take the new "
                       "application";
        return lost;
    }
    log("  The controller took the new application at the commit");
    transfer::Result result;
    result.ending = transfer::Ending::Completed;
    result.code1 = wire::code(wire::ReplyCode::Ok);
    result.storedChecksum = checksum;
    return result;
}

void RealJobLoader::startAgain(bool damaged) {
    Channel controller(links_, link_, to_);
    // The controller may be away (restarting, its link lost): wait for it, within bounds.
    std::optional<wire::TransferReadReply> info;
    std::string why;
    untilAnswered([&] {
        uint16_t code1 = 0;
        info = applicationInfo(links_, link_, to_, why, &code1);
        return info.has_value() || code1 < kLinkLocal;
    });
    const bool present = info && info->state != wire::ApplicationState::None;
    if (!damaged && (present || !kept_)) {
        if (controller.run(wire::ApplicationControlRequest{wire::ApplicationAction::Start})) {
            error("The application was started again.");
            return;
        }
        if (controller.code1 != wire::code(wire::ReplyCode::NotFound) || kept_) {
            error("The application is stopped and could not be started again: " + controller.why);
            return;
        }
    }
    if (kept_) {
        if (PutBack(*kept_, why)) {
            char checksum[16];
            std::snprintf(checksum, sizeof checksum, "%08X", unsigned(kept_->checksum));
            error("The application that ran before was put back from " + keptFile_ +
                  " and runs again (checksum " + checksum + ").");
        } else {
            error("The application is stopped: the one that ran before, kept in " + keptFile_ +
                  ", could not be put back (" + why + "). Put it back with restore-image.");
        }
        return;
    }
    if (damaged) {
        error("The application stays stopped: the controller holds a damaged copy of the new "
              "one. Load the program again.");
        return;
    }
    error("The application is stopped: it was cleared and the new one was not stored. "
          "Load the program again.");
}

bool RealJobLoader::runJob(const QueuedJob& job, std::size_t done, std::size_t total) {
    const std::vector<JobStep>& steps = job.content.steps;
    const auto units = [total](double n) { return total == 0 ? 1.0 : n / double(total); };
    std::string why;
    if (!fitsController(job, why)) {
        error(job.file + ": " + why + "; nothing was changed.");
        return false;
    }
    // The first image travels before any step changes the controller: a refusal or a lost
    // link leaves the running application as it was.
    std::optional<Staged> staged;
    const auto firstLoad = std::find_if(steps.begin(), steps.end(), [](const JobStep& s) {
        return s.action == StepAction::Load;
    });
    double stepShare = 1.0;
    if (firstLoad != steps.end()) {
        staged.emplace();
        staged->step = &*firstLoad;
        const double share = double(steps.size()) * kStagingShare;
        if (!stage(job, *staged, units(double(done)), units(share), why)) {
            error(job.file + ":" + std::to_string(firstLoad->line) + ": " + stepText(*firstLoad) +
                  " failed: " + why + "; nothing was changed.");
            return false;
        }
        log("  " + stepText(*firstLoad) + ": staged");
        stepShare = 1.0 - kStagingShare;
    }
    kept_.reset();
    keptFile_.clear();
    const bool stops = std::any_of(steps.begin(), steps.end(), [](const JobStep& s) {
        return s.action == StepAction::Stop || s.action == StepAction::Clear;
    });
    if (stops && !keepRunning(why)) {
        if (staged) abortHeld(links_, staged->job, staged->id);
        error(job.file + ": " + why + "; nothing was changed.");
        return false;
    }
    bool failed = false;
    bool stopped = false;  // a Stop or Clear was sent and no Start has run since
    bool damaged = false;  // the controller stored the new image damaged
    double at = double(done) + (staged ? double(steps.size()) * kStagingShare : 0.0);
    for (const JobStep& step : steps) {
        if (failed && stopAtFailure_) break;
        bool ok = false;
        stepFigures_ = {};
        if (staged && staged->step == &step) {
            stepFigures_ = staged->figures;
            transfer::Result r = commitHeld(links_, staged->job, staged->id);
            if (r.ending != transfer::Ending::Completed && r.code1 >= kLinkLocal)
                r = settleCommit(*staged, r);
            staged.reset();
            ok = r.ending == transfer::Ending::Completed;
            why = r.message;
            damaged = !ok && r.code1 == wire::code(wire::ReplyCode::ChecksumMismatch) &&
                      r.storedChecksum != 0;
        } else {
            ok = runStep(job, step, why);
        }
        if (step.action == StepAction::Stop || step.action == StepAction::Clear) stopped = true;
        if (step.action == StepAction::Start && ok) stopped = false;
        if (ok) {
            const std::string loaded = loadedText(stepFigures_);
            log("  " + stepText(step) + ": done" + (loaded.empty() ? "" : ". " + loaded));
            figures_.imageBytes += stepFigures_.imageBytes;
            figures_.elapsed += stepFigures_.elapsed;
            figures_.compressedBlocks += stepFigures_.compressedBlocks;
        } else {
            failed = true;
            error(job.file + ":" + std::to_string(step.line) + ": " + stepText(step) +
                  " failed: " + why);
        }
        at += stepShare;
        progress_ = float(units(at));
        screen_.processEvents();
    }
    // A step before the commit failed: the controller is told to drop the staged image.
    if (staged) abortHeld(links_, staged->job, staged->id);
    if (failed && stopped) startAgain(damaged);
    return !failed;
}

bool RealJobLoader::Run() {
    std::size_t total = 0;
    for (const auto& job : jobs_) total += job->content.steps.size();
    std::size_t done = 0;
    bool failed = false;
    progress_ = 0;
    figures_ = {};
    for (const auto& job : jobs_) {
        if (failed && stopAtFailure_) break;
        const JobFile& j = job->content;
        log("Job " + job->file + (j.program.empty() ? "" : ": " + j.program) +
            (j.revision.empty() ? "" : " " + j.revision));
        if (!runJob(*job, done, total)) failed = true;
        done += j.steps.size();
        progress_ = total == 0 ? 1.0f : float(double(done) / double(total));
    }
    allDone_ = !failed && !jobs_.empty();
    log(allDone_ ? "All jobs completed (" + std::to_string(done) + " steps)."
                 : "Not all jobs were completed.");
    return allDone_;
}

}  // namespace components
