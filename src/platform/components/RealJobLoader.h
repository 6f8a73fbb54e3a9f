#pragma once
// The job loader on the wire: runs the steps of its job files against PLA:ELA on Link.
#include <memory>
#include <vector>

#include "platform/components/ImageSource.h"
#include "platform/components/JobFile.h"
#include "platform/components/JobLoader.h"
#include "platform/components/LineFile.h"
#include "platform/transfer/TransferEngine.h"

namespace comm {
class LinkAccess;
}
namespace ui {
class MessageBoxes;
class Screen;
}  // namespace ui

namespace components {

class RealJobLoader final : public JobLoader {
public:
    RealJobLoader(comm::LinkAccess& links, ui::MessageBoxes& boxes, ui::Screen& screen,
                  image::KeyReading key, transfer::Tuning tuning = {})
        : links_(links), boxes_(boxes), screen_(screen), key_(std::move(key)), tuning_(tuning) {}

    bool AddJobFile(const std::string& path, Job* parent, std::shared_ptr<Job>& job) override;
    bool Run() override;
    void OptionFlag(int16_t flag) override { stopAtFailure_ = flag != 0; }
    void LogFile(const std::string& path) override;
    void ErrorFile(const std::string& path) override;
    int32_t Link() const override { return link_; }
    void Link(int32_t link) override { link_ = link; }
    uint8_t PLA() const override { return to_.pla; }
    void PLA(uint8_t pla) override { to_.pla = pla; }
    uint8_t ELA() const override { return to_.ela; }
    void ELA(uint8_t ela) override { to_.ela = ela; }
    int16_t AllDone() const override { return allDone_ ? -1 : 0; }
    int16_t ShowInfo() const override { return showInfo_; }
    void ShowInfo(int16_t flag) override;
    float Progress() const override { return progress_; }
    void KeepImages(ImageKeeping keeping) override { keeping_ = std::move(keeping); }
    bool PutBack(const HeldApplication& application, std::string& why) override;
    void Compression(transfer::Compression compression) override { compression_ = compression; }
    LoadFigures LastLoad() const override { return figures_; }

    struct QueuedJob;

private:
    struct Staged;
    // False, with the reason, when an image of the job does not fit the controller's model.
    bool fitsController(const QueuedJob& job, std::string& why);
    // Sends the image of `staged.step` without committing it; progress runs from `from` over
    // `share`.
    bool stage(const QueuedJob& job, Staged& staged, double from, double share, std::string& why);
    bool runStep(const QueuedJob& job, const JobStep& step, std::string& why);
    // One job: the first image staged, then the steps in order with that image committed at
    // its step; `done` of `total` steps came before it.
    bool runJob(const QueuedJob& job, std::size_t done, std::size_t total);
    // Before the first step that stops or clears the application: read it back and keep it.
    // False, with the reason, when the job must not go on.
    bool keepRunning(std::string& why);
    // The link was lost at the commit of `staged`: waits for the controller (bounded) and
    // learns whether the commit took.
    transfer::Result settleCommit(const Staged& staged, transfer::Result lost);
    // Calls `answered` until it is true, reconnecting between tries, for at most the
    // transfer's reconnect time; false when the controller never answered.
    bool untilAnswered(const std::function<bool()>& answered);
    // After a failure once the application was stopped: start what the controller holds, or
    // put the kept application back and start it; says what became of it.
    void startAgain(bool damaged);
    void log(const std::string& line);
    void error(const std::string& line);

    comm::LinkAccess& links_;
    ui::MessageBoxes& boxes_;
    ui::Screen& screen_;
    image::KeyReading key_;  // the product's: only images it signed are sent
    transfer::Tuning tuning_;
    transfer::Compression compression_ = transfer::Compression::Auto;
    LoadFigures figures_;      // of every image the last Run loaded
    LoadFigures stepFigures_;  // of the image of the step that runs
    int32_t link_ = 0;
    wire::Address to_ = wire::kDirectAddress;
    bool stopAtFailure_ = false;
    bool allDone_ = false;
    int16_t showInfo_ = 0;
    float progress_ = 0;
    std::vector<std::shared_ptr<QueuedJob>> jobs_;
    LineFile logFile_, errorFile_;
    std::vector<std::string> logLines_;
    ImageKeeping keeping_;
    std::optional<HeldApplication> kept_;  // what ran before the job now running
    std::string keptFile_;
};

}  // namespace components
