#include <algorithm>

#include "sim/Faults.h"

namespace sim {

bool setTransferFault(FaultSettings& faults, const std::string& knob, uint32_t number,
                      std::string& error) {
    auto flag = [&](bool& out) {
        if (number > 1) {
            error = knob + " takes 0 or 1";
            return false;
        }
        out = number == 1;
        return true;
    };
    if (knob == "cut_after_request_bytes") {
        faults.cutAfterRequestBytes = number;
    } else if (knob == "request_rate_bps") {
        faults.requestRateBps = number;
    } else if (knob == "corrupt_commit") {
        return flag(faults.corruptCommit);
    } else if (knob == "corrupt_silently") {
        return flag(faults.corruptSilently);
    } else if (knob == "refuse_commit") {
        return flag(faults.refuseCommit);
    } else if (knob == "keep_os_version") {
        return flag(faults.keepOsVersion);
    } else if (knob == "restart_after_blocks") {
        faults.restartAfterBlocks = number;
    } else if (knob == "flash_write_ms") {
        faults.flashWriteMs = number;
    } else if (knob == "restart_ms") {
        faults.restartMs = number;
    } else if (knob == "transfer_idle_ms") {
        faults.transferIdleMs = number;
    } else {
        return false;
    }
    return true;
}

std::size_t FaultState::admitRequestBytes(std::size_t count, bool& cut) {
    cut = false;
    if (settings.cutAfterRequestBytes == 0) return count;
    const uint64_t left = settings.cutAfterRequestBytes - requestBytes_;
    if (count < left) {
        requestBytes_ += count;
        return count;
    }
    settings.cutAfterRequestBytes = 0;
    requestBytes_ = 0;
    cut = true;
    return static_cast<std::size_t>(left);
}

std::chrono::steady_clock::time_point FaultState::requestArrival(std::size_t bytes) {
    const auto now = std::chrono::steady_clock::now();
    if (settings.requestRateBps == 0) return now;
    // A TCP line: 8 bits a byte.
    requestLineFree_ = std::max(requestLineFree_, now) +
                       std::chrono::microseconds(uint64_t(bytes) * 8 * 1'000'000 /
                                                 settings.requestRateBps);
    return requestLineFree_;
}

}  // namespace sim
