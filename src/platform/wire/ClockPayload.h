#pragma once
// Payload of SetClock (0x05): the host's local date and time.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Result.h"

namespace wire {

constexpr uint8_t kClockFile = 241;

struct SetClockRequest {
    uint8_t file = kClockFile;
    uint16_t year = 1980;
    uint8_t month = 1;    // 1..12
    uint8_t day = 1;      // 1..31
    uint8_t hour = 0;     // 0..23
    uint8_t minute = 0;   // 0..59
    uint8_t second = 0;   // 0..59
    uint8_t weekday = 1;  // 1 Monday .. 7 Sunday
    bool operator==(const SetClockRequest&) const = default;
};

// BadValue when a field is out of its range.
Result<std::vector<uint8_t>> encodePayload(const SetClockRequest& request);
Result<SetClockRequest> decodeSetClockRequest(std::span<const uint8_t> payload);

}  // namespace wire
