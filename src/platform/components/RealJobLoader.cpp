#include "platform/components/RealJobLoader.h"

#include <algorithm>
#include <map>

#include "platform/components/Channel.h"
#include "platform/components/ImageSource.h"
#include "platform/os/NativePath.h"
#include "platform/transfer/TransferEngine.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/Screen.h"

namespace components {

struct RealJobLoader::QueuedJob final : Job {
    std::string file;  // native path
    JobFile content;
    std::map<int, ImageSource> images;  // by the line of their Load step
    const std::string& path() const override { return file; }
};

namespace {

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

}  // namespace

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
                                image::Kind::Application, why);
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

bool RealJobLoader::runStep(const QueuedJob& job, const JobStep& step, std::size_t done,
                            std::size_t total, std::string& why) {
    Channel controller(links_, link_, wire::kDirectAddress);
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
            const ImageSource& source = job.images.at(step.line);
            transfer::Job t;
            t.link = link_;
            t.address = wire::kDirectAddress;
            t.target = wire::TransferTarget::LegacyApplication;
            t.model = source.image.model;
            t.name = source.image.name;
            t.image = source.image.payload;
            transfer::TransferEngine engine(links_);
            const auto result = engine.run(t, [&](const transfer::Progress& p) {
                progress_ = float((double(done) + std::clamp(p.fraction(), 0.0, 1.0)) /
                                  double(total));
                screen_.processEvents();
                return true;
            });
            if (result.ending == transfer::Ending::Completed) return true;
            why = result.message;
            return false;
        }
    }
    if (!ok) why = controller.why;
    return ok;
}

bool RealJobLoader::Run() {
    std::size_t total = 0;
    for (const auto& job : jobs_) total += job->content.steps.size();
    std::size_t done = 0;
    bool failed = false;
    progress_ = 0;
    for (const auto& job : jobs_) {
        const JobFile& j = job->content;
        log("Job " + job->file + (j.program.empty() ? "" : ": " + j.program) +
            (j.revision.empty() ? "" : " " + j.revision));
        for (const JobStep& step : j.steps) {
            if (failed && stopAtFailure_) break;
            std::string why;
            const std::string what = std::string(stepActionName(step.action)) +
                                     (step.action == StepAction::Write ? " " + step.variable : "") +
                                     (step.action == StepAction::Load ? " " + step.image : "");
            if (runStep(*job, step, done, total, why)) {
                log("  " + what + ": done");
            } else {
                failed = true;
                error(job->file + ":" + std::to_string(step.line) + ": " + what +
                      " failed: " + why);
            }
            ++done;
            progress_ = total == 0 ? 1.0f : float(double(done) / double(total));
            screen_.processEvents();
        }
    }
    allDone_ = !failed && !jobs_.empty();
    log(allDone_ ? "All jobs completed (" + std::to_string(done) + " steps)."
                 : "Not all jobs were completed.");
    return allDone_;
}

}  // namespace components
