#pragma once
// Everything of one controller that must survive a restart of the simulator: its variables
// (address and active partition among them), its partitions and the clock it was last given.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "platform/secure/Verifier.h"
#include "platform/wire/ClockPayload.h"
#include "platform/wire/Frame.h"
#include "sim/NetworkConfig.h"
#include "sim/VariableStore.h"

namespace sim {

using Attribute = std::variant<int32_t, std::string>;  // number or code page 850 text

struct Partition {
    std::map<uint16_t, Attribute> attributes;
};

struct ControllerState {
    VariableStore variables;
    bool hasPartitions = false;  // KVXreal C controllers keep programs in partitions
    std::map<uint8_t, Partition> partitions;
    std::optional<wire::SetClockRequest> clock;
    std::optional<secure::Verifier> verifier;  // the network password, hashed; none: no password
    // Whether everything on TCP must come sealed, once encryption settings were committed;
    // none: as the network file says.
    std::optional<bool> encryptionRequired;
    // Older controllers: whether the application runs, and whether there is one.
    bool applicationRunning = true;
    bool applicationPresent = true;
    // The revision of the TCP/IP Port OS; a Port OS upgrade replaces it.
    std::string portOsRevision;

    wire::Address address() const;
    void setAddress(wire::Address address);
};

// A fresh controller as the network file describes it.
ControllerState initialState(const ControllerConfig& config);

// The state file's text, and reading it back (false with `error` for a damaged file).
std::string serializeState(const ControllerState& state);
bool parseState(const std::string& text, ControllerState& state, std::string& error);

}  // namespace sim
