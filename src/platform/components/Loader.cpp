#include "platform/components/Loader.h"

#include <algorithm>

namespace components {

bool Loader::fail(const std::string& message) {
    if (error_ != nullptr) error_->QAVSErrorMessage(message);
    return false;
}

transfer::Result Loader::send(comm::LinkAccess& links, const transfer::Job& job) {
    cancelled_ = false;
    figures_ = {};
    double last = -1;
    transfer::TransferEngine engine(links);
    const transfer::Result result = engine.run(job, [this, &last](const transfer::Progress& p) {
        if (cancelled_) return false;
        // The receiver may press Cancel from inside; that stops the next window.
        last = std::clamp(p.fraction(), 0.0, 1.0);
        if (progress_ != nullptr) {
            progress_->QAVSProgressBytes(std::min(p.acknowledged, p.total), p.total);
            progress_->QAVSProgress(last);
        }
        return !cancelled_;
    });
    if (result.ending != transfer::Ending::Completed) return result;
    figures_ = {job.image.size(), result.elapsed, result.compressedBlocks};
    // The last window's acknowledgement may come with the commit: a whole load ends at 100 %.
    if (last < 1.0 && progress_ != nullptr) {
        progress_->QAVSProgressBytes(job.image.size(), job.image.size());
        progress_->QAVSProgress(1.0);
    }
    return result;
}

}  // namespace components
