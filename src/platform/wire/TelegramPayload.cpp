#include "platform/wire/TelegramPayload.h"

namespace wire {
namespace {

constexpr uint8_t kMaxOption = 2;

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const TelegramRequest& request) {
    if (request.option > kMaxOption) return Error::BadValue;
    if (request.bytes.empty()) return Error::Truncated;
    std::vector<uint8_t> out;
    out.reserve(1 + request.bytes.size());
    out.push_back(request.option);
    out.insert(out.end(), request.bytes.begin(), request.bytes.end());
    return out;
}

Result<std::vector<uint8_t>> encodePayload(const TelegramReply& reply) { return reply.bytes; }

Result<TelegramRequest> decodeTelegramRequest(std::span<const uint8_t> payload) {
    if (payload.size() < 2) return Error::Truncated;
    if (payload[0] > kMaxOption) return Error::BadValue;
    TelegramRequest request;
    request.option = payload[0];
    request.bytes.assign(payload.begin() + 1, payload.end());
    return request;
}

Result<TelegramReply> decodeTelegramReply(std::span<const uint8_t> payload) {
    return TelegramReply{std::vector<uint8_t>(payload.begin(), payload.end())};
}

}  // namespace wire
