#pragma once
// Payload of Telegram (0x04): a request telegram carried byte for byte. PLA and ELA travel as
// the frame's address; `bytes` is the telegram from its command byte on.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Result.h"

namespace wire {

enum class TelegramOption : uint8_t {
    Normal = 0,    // carry the command out, then answer with its result
    Probe = 1,     // as Normal; marks exchanges expected to fail often
    AckFirst = 2,  // answer on acceptance, then carry out (start commands)
};

struct TelegramRequest {
    uint8_t option = 0;          // 0, 1 or 2
    std::vector<uint8_t> bytes;  // command byte and parameters, at least one byte
    bool operator==(const TelegramRequest&) const = default;
};

struct TelegramReply {
    std::vector<uint8_t> bytes;
    bool operator==(const TelegramReply&) const = default;
};

Result<std::vector<uint8_t>> encodePayload(const TelegramRequest& request);
Result<std::vector<uint8_t>> encodePayload(const TelegramReply& reply);
Result<TelegramRequest> decodeTelegramRequest(std::span<const uint8_t> payload);
Result<TelegramReply> decodeTelegramReply(std::span<const uint8_t> payload);

}  // namespace wire
