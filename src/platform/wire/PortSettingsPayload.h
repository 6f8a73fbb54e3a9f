#pragma once
// Payloads of the port-settings commands on a controller's link: 0x50 read (empty request,
// reply: fields), 0x51 apply (request: fields, empty reply), 0x52 network check (request: the
// IP fields proposed, reply: one flags byte), 0x53 end set-up (empty both ways).
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/wire/Result.h"

namespace wire {

enum class PortCommand : uint8_t {
    ReadPortSettings = 0x50,
    ApplyPortSettings = 0x51,
    CheckNetwork = 0x52,
    EndSetup = 0x53,
};
constexpr uint8_t code(PortCommand c) { return static_cast<uint8_t>(c); }

// Field code and text; the codes are listed in docs/protocol.md.
using PortFieldValue = std::pair<uint8_t, std::string>;

struct PortSettings {
    std::vector<PortFieldValue> fields;
    bool operator==(const PortSettings&) const = default;
};

constexpr uint8_t kNetworkChecked = 0x01;  // the check could be made
constexpr uint8_t kNetworkFits = 0x02;     // the port's IP settings suit the network

// A u8 count, then per field a u8 code and a str8 text. Code 0 and texts over 255 bytes are
// BadValue.
Result<std::vector<uint8_t>> encodePayload(const PortSettings& settings);
Result<PortSettings> decodePortSettings(std::span<const uint8_t> payload);

}  // namespace wire
