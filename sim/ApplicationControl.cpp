#include "sim/ApplicationControl.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/wire/Crc32.h"
#include "sim/SystemVariables.h"
#include "sim/Transfers.h"

namespace sim {

wire::ReplyCode controlApplication(ControllerState& state, wire::ApplicationAction action) {
    switch (action) {
        case wire::ApplicationAction::Stop:
            state.applicationRunning = false;
            return wire::ReplyCode::Ok;
        case wire::ApplicationAction::Clear:
            if (state.applicationRunning) return wire::ReplyCode::Refused;
            state.applicationPresent = false;
            state.applicationImage = std::string();
            state.applicationSigned.clear();
            if (state.variables.find(kSystemFile, kApplicationNameIndex) != nullptr)
                state.variables.set(kSystemFile, kApplicationNameIndex, wire::Value::oemText(""));
            return wire::ReplyCode::Ok;
        case wire::ApplicationAction::Start:
            if (!state.applicationPresent) return wire::ReplyCode::NotFound;
            state.applicationRunning = true;
            return wire::ReplyCode::Ok;
    }
    return wire::ReplyCode::BadRequest;
}

void takeApplication(ControllerState& state, std::string bytes, std::string signedPart,
                     uint32_t checksum) {
    state.applicationImage = std::move(bytes);
    state.applicationSigned = std::move(signedPart);
    state.applicationPresent = true;
    state.variables.define(
        kImageFile, kApplicationChecksumIndex,
        StoredVariable{1, wire::Value::long32(static_cast<int32_t>(checksum)), 255, true});
}

wire::ReplyCode readApplication(const ControllerState& state, const wire::TransferReadRequest& r,
                                wire::TransferReadReply& reply) {
    if (state.hasPartitions || r.target != wire::TransferTarget::LegacyApplication)
        return wire::ReplyCode::Refused;
    reply = {};
    if (!state.applicationPresent) {
        if (r.offset != 0) return wire::ReplyCode::OutOfRange;
        return wire::ReplyCode::Ok;  // state None, nothing to read
    }
    reply.state = state.applicationRunning ? wire::ApplicationState::Running
                                           : wire::ApplicationState::Stopped;
    // Present but not known byte for byte: it cannot be given back.
    if (!state.applicationImage) return wire::ReplyCode::Refused;
    const std::string& whole =
        r.part == wire::ReadPart::Image ? *state.applicationImage : state.applicationSigned;
    if (r.offset > whole.size()) return wire::ReplyCode::OutOfRange;
    reply.totalSize = static_cast<uint32_t>(whole.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(whole.data());
    reply.checksum = wire::crc32(std::span(bytes, whole.size()));
    const std::size_t n = std::min<std::size_t>(r.length, whole.size() - r.offset);
    reply.data.assign(bytes + r.offset, bytes + r.offset + n);
    return wire::ReplyCode::Ok;
}

std::string fixedWidthVersion(const std::string& version) {
    std::vector<unsigned> parts;
    bool inNumber = false;
    for (char c : version) {
        if (c >= '0' && c <= '9') {
            if (!inNumber) parts.push_back(0);
            inNumber = true;
            parts.back() = std::min(parts.back() * 10 + unsigned(c - '0'), 9999u);
        } else {
            inNumber = false;
        }
    }
    if (parts.empty()) return version;
    parts.resize(4, 0);
    char out[32];
    std::snprintf(out, sizeof out, "%02u.%02u.%02u.%04u", std::min(parts[0], 99u),
                  std::min(parts[1], 99u), std::min(parts[2], 99u), parts[3]);
    return out;
}

}  // namespace sim
