#pragma once
// What the two callback-driven loaders share: the address, the link, the receivers, the
// cancel flag and the bridge from the transfer engine's progress to QAVSProgress.
#include <cstdint>
#include <string>

#include "platform/components/Callbacks.h"
#include "platform/components/LoadFigures.h"
#include "platform/transfer/TransferEngine.h"

namespace components {

class Loader {
public:
    uint8_t pla() const { return pla_; }
    uint8_t ela() const { return ela_; }

protected:
    // Reports a failure to the error receiver; always false, for `return fail(...)`.
    bool fail(const std::string& message);
    // Runs a transfer, reporting progress after each window; honours Cancel at the next one.
    // A completed one leaves its figures in `figures_`.
    transfer::Result send(comm::LinkAccess& links, const transfer::Job& job);

    uint8_t pla_ = 255, ela_ = 30;
    int32_t link_ = 0;
    IQAVSErrorCallback* error_ = nullptr;
    IQAVSProgressCallback* progress_ = nullptr;
    bool cancelled_ = false;
    transfer::Compression compression_ = transfer::Compression::Auto;
    LoadFigures figures_;
};

}  // namespace components
