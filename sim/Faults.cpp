#include "sim/Faults.h"

#include <charconv>
#include <cstdint>

namespace sim {
namespace {

bool parseCount(const std::string& text, uint32_t& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty();
}

}  // namespace

bool setFault(FaultSettings& faults, const std::string& knob, const std::string& value,
              std::string& error) {
    uint32_t number = 0;
    if (knob == "busy_read") {
        const auto dot = value.find('.');
        uint32_t file = 0, index = 0;
        if (dot == std::string::npos || !parseCount(value.substr(0, dot), file) ||
            !parseCount(value.substr(dot + 1), index) || file > 65535 || index > INT32_MAX) {
            error = "busy_read takes FILE.INDEX: " + value;
            return false;
        }
        faults.busyReads.emplace_back(static_cast<uint16_t>(file), static_cast<int32_t>(index));
        return true;
    }
    if (!parseCount(value, number)) {
        error = "not a number: " + value;
        return false;
    }
    if (knob == "latency_ms") {
        faults.latencyMs = number;
    } else if (knob == "rate_bps") {
        faults.rateBps = number;
    } else if (knob == "drop_reply") {
        faults.dropReply = number;
    } else if (knob == "close_after_bytes") {
        faults.closeAfterBytes = number;
    } else if (knob == "garbage") {
        if (number > 1) {
            error = "garbage takes 0 or 1";
            return false;
        }
        faults.garbage = number == 1;
    } else if (knob == "trial_ms") {
        faults.trialMs = number;
    } else if (knob == "start_fails") {
        if (number > 1) {
            error = "start_fails takes 0 or 1";
            return false;
        }
        faults.startFails = number == 1;
    } else if (knob == "start_ms") {
        faults.startMs = number;
    } else if (!setTransferFault(faults, knob, number, error)) {
        if (error.empty()) error = "unknown fault: " + knob;
        return false;
    }
    return true;
}

ReplyPlan FaultState::plan(std::vector<uint8_t> reply) {
    ReplyPlan p;
    p.delay = std::chrono::milliseconds(settings.latencyMs);
    p.rateBps = settings.rateBps;
    if (settings.dropReply != 0 && ++replies_ == settings.dropReply) {
        settings.dropReply = 0;
        p.drop = true;
        return p;
    }
    if (settings.garbage) {
        // xorshift noise with the top bit cleared in every byte: never a serial start byte,
        // and on TCP a length prefix the host must reject.
        for (auto& b : reply) {
            noise_ ^= noise_ << 13;
            noise_ ^= noise_ >> 17;
            noise_ ^= noise_ << 5;
            b = static_cast<uint8_t>(noise_ & 0x7F);
        }
    }
    if (settings.closeAfterBytes != 0) {
        const uint64_t left = settings.closeAfterBytes - bytes_;
        if (reply.size() >= left) {
            reply.resize(static_cast<std::size_t>(left));
            settings.closeAfterBytes = 0;
            bytes_ = 0;
            p.closeAfter = true;
        } else {
            bytes_ += reply.size();
        }
    }
    p.bytes = std::move(reply);
    return p;
}

}  // namespace sim
