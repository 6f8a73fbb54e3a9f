#include "platform/components/Loader.h"

#include <algorithm>

namespace components {

bool Loader::fail(const std::string& message) {
    if (error_ != nullptr) error_->QAVSErrorMessage(message);
    return false;
}

transfer::Result Loader::send(comm::LinkAccess& links, const transfer::Job& job) {
    cancelled_ = false;
    transfer::TransferEngine engine(links);
    return engine.run(job, [this](const transfer::Progress& p) {
        if (cancelled_) return false;
        // The receiver may press Cancel from inside; that stops the next window.
        if (progress_ != nullptr) progress_->QAVSProgress(std::clamp(p.fraction(), 0.0, 1.0));
        return !cancelled_;
    });
}

}  // namespace components
