#pragma once
// Payloads of ReadVariable (0x01), WriteVariable (0x02) and WriteBatch (0x03).
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Result.h"
#include "platform/wire/Variable.h"

namespace wire {

struct ReadRequest {
    VarAddress address;
    bool operator==(const ReadRequest&) const = default;
};

// The value read; its type travels with it.
struct ReadReply {
    Value value;
    bool operator==(const ReadReply&) const = default;
};

// value.type must equal address.type.
struct WriteRequest {
    VarAddress address;
    Value value;
    bool operator==(const WriteRequest&) const = default;
};

constexpr std::size_t kMaxBatchEntries = 255;

struct WriteBatchRequest {
    std::vector<WriteRequest> writes;
    bool operator==(const WriteBatchRequest&) const = default;
};

Result<std::vector<uint8_t>> encodePayload(const ReadRequest& request);
Result<std::vector<uint8_t>> encodePayload(const ReadReply& reply);
Result<std::vector<uint8_t>> encodePayload(const WriteRequest& request);
Result<std::vector<uint8_t>> encodePayload(const WriteBatchRequest& request);

// One batch entry (the same bytes as a WriteVariable payload): what the library appends to a
// batch buffer after its count byte.
Result<std::vector<uint8_t>> encodeBatchEntry(const WriteRequest& entry);

// Each decoder takes exactly the payload: bytes left over are WrongLength.
Result<ReadRequest> decodeReadRequest(std::span<const uint8_t> payload);
Result<ReadReply> decodeReadReply(std::span<const uint8_t> payload);
Result<WriteRequest> decodeWriteRequest(std::span<const uint8_t> payload);
Result<WriteBatchRequest> decodeWriteBatchRequest(std::span<const uint8_t> payload);

}  // namespace wire
