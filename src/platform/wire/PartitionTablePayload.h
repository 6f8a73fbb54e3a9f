#pragma once
// Payloads of the partition-table change (0x06) and of the application control of older
// controllers (0x07).
//
// 0x06 request: count (u8, 1..32), then per change: action (u8: 1 create, 2 remove),
// partition (u8); a create goes on with kind (u8), type (u8), maximum size (u32) and the name
// (u8 length, bytes in code page 850). The controller takes every change or none; a refusal
// names the 1-based position of the offending change in code 2. Reply: empty.
//
// 0x07 request: action (u8: 1 stop, 2 clear, 3 start). Reply: empty.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/Result.h"

namespace wire {

enum class PartitionAction : uint8_t { Create = 1, Remove = 2 };

struct PartitionChange {
    PartitionAction action = PartitionAction::Create;
    uint8_t partition = 0;
    uint8_t kind = 1;       // create only
    uint8_t type = 2;       // create only: 2 program, 3 web site
    uint32_t maxSize = 0;   // create only, bytes
    std::string name;       // create only, code page 850, at most kMaxPartitionName bytes
    bool operator==(const PartitionChange&) const = default;
};

constexpr std::size_t kMaxPartitionChanges = 32;
constexpr std::size_t kMaxPartitionName = 128;

struct PartitionTableRequest {
    std::vector<PartitionChange> changes;
    bool operator==(const PartitionTableRequest&) const = default;
};

enum class ApplicationAction : uint8_t { Stop = 1, Clear = 2, Start = 3 };

struct ApplicationControlRequest {
    ApplicationAction action = ApplicationAction::Stop;
    bool operator==(const ApplicationControlRequest&) const = default;
};

Result<std::vector<uint8_t>> encodePayload(const PartitionTableRequest& request);
Result<PartitionTableRequest> decodePartitionTableRequest(std::span<const uint8_t> payload);
Result<std::vector<uint8_t>> encodePayload(const ApplicationControlRequest& request);
Result<ApplicationControlRequest> decodeApplicationControlRequest(
    std::span<const uint8_t> payload);

}  // namespace wire
