#pragma once
// Adds and removes partitions of a KVXreal C controller. Changes are staged in the instance
// and take effect together at Commit, all or nothing. Each call returns false when the call
// itself failed (not attached, controller unreachable, a number out of range).
#include <cstdint>
#include <string>

namespace components {

class PartitionManager {
public:
    virtual ~PartitionManager() = default;

    // Binds the instance to the controller and reads its partition table.
    virtual bool Attach(uint8_t pla, uint8_t ela, int32_t link) = 0;
    // `exists` non-zero when the partition exists with the changes staged so far.
    virtual bool PartitionExists(uint8_t partition, uint8_t& exists) = 0;
    // The lowest number from 16 that is neither in use nor staged for creation.
    virtual bool NextFreePartition(uint8_t& partition) = 0;
    // `kind` is 1 (a flash partition); `type` 2 program, 3 web site. `result` non-zero when
    // staged.
    virtual bool CreatePartition(uint8_t partition, uint8_t kind, uint8_t type,
                                 const std::string& name, int32_t sizeBytes, uint8_t& result) = 0;
    virtual bool RemovePartition(uint8_t partition, uint8_t& result) = 0;
    // Sends every staged change as one table change. True when the controller took all of
    // them; on a refusal it took none; when its answer was lost the outcome is unknown
    // (LastError says which). Either way nothing stays staged.
    virtual bool Commit() = 0;
    // Why the last call failed or was refused, in words for the user; empty after success.
    virtual std::string LastError() const = 0;
};

}  // namespace components
