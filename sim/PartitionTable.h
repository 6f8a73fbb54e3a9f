#pragma once
// The partition-table change of a KVXreal C controller: every change is checked against the
// table as the earlier changes leave it, and the table changes only when all of them pass.
#include <cstdint>

#include "platform/wire/PartitionTablePayload.h"
#include "platform/wire/ReplyCode.h"
#include "sim/ControllerState.h"

namespace sim {

struct TableVerdict {
    wire::ReplyCode code = wire::ReplyCode::Ok;
    int8_t position = 0;  // 1-based change that was refused, 0 when all passed
};

// Lowest and highest partition number a change may create.
constexpr uint8_t kFirstUserPartition = 16;
constexpr uint8_t kLastUserPartition = 250;

TableVerdict changePartitionTable(ControllerState& state,
                                  const wire::PartitionTableRequest& request);

}  // namespace sim
