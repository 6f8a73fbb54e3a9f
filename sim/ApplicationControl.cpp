#include "sim/ApplicationControl.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "sim/SystemVariables.h"

namespace sim {

wire::ReplyCode controlApplication(ControllerState& state, wire::ApplicationAction action) {
    switch (action) {
        case wire::ApplicationAction::Stop:
            state.applicationRunning = false;
            return wire::ReplyCode::Ok;
        case wire::ApplicationAction::Clear:
            if (state.applicationRunning) return wire::ReplyCode::Refused;
            state.applicationPresent = false;
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
