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
#include "platform/wire/TrialPayloads.h"
#include "sim/NetworkConfig.h"
#include "sim/VariableStore.h"

namespace sim {

using Attribute = std::variant<int32_t, std::string>;  // number or code page 850 text

struct Partition {
    std::map<uint16_t, Attribute> attributes;
    // The site archive a committed web-site image put here; empty for anything else.
    std::string site;
};

// The web server as the last commit of its settings (or an activation) left it.
struct HttpServing {
    bool enabled = true;
    int32_t port = 0;         // 0: the port it was started on
    int32_t activeSite = -1;  // partition, -1 for none
    bool operator==(const HttpServing&) const = default;
};

// The last activation on trial of a KVXreal C controller and where it stands.
struct ProgramTrial {
    wire::TrialState state = wire::TrialState::Running;
    uint8_t partition = 0;
    uint8_t subApplication = 0;
    uint8_t returnPartition = 0;
    uint8_t returnSubApplication = 0;
    int64_t deadlineMs = 0;  // on trial: wall-clock milliseconds since 1970
    wire::ReturnReason reason = wire::ReturnReason::None;
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
    // Its bytes as the commit stored them, and the signed head and signature that came with
    // it (TransferRead's signature part); no bytes: the controller cannot give it back (a state
    // file written before they were kept).
    std::optional<std::string> applicationImage;
    std::string applicationSigned;
    // KVXreal C: since when (wall-clock ms) the active program runs; -1: it does not run.
    int64_t programRunsFromMs = 0;
    ProgramTrial trial;
    // The revision of the TCP/IP Port OS; a Port OS upgrade replaces it.
    std::string portOsRevision;
    // The operating system that runs, as discovery reports it; an upgrade replaces it.
    std::string osVersion;
    HttpServing http;

    wire::Address address() const;
    void setAddress(wire::Address address);
};

// A fresh controller as the network file describes it.
ControllerState initialState(const ControllerConfig& config);

// The state file's text, and reading it back (false with `error` for a damaged file).
std::string serializeState(const ControllerState& state);
bool parseState(const std::string& text, ControllerState& state, std::string& error);

}  // namespace sim
