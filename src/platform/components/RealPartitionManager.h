#pragma once
// The partition manager on the wire: Attach reads the controller's partition list, the
// create and remove calls check and stage their change here, and Commit sends them all as one
// partition-table change (command 0x06) that the controller takes whole or not at all.
#include <optional>
#include <set>
#include <vector>

#include "platform/components/Channel.h"
#include "platform/components/PartitionManager.h"
#include "platform/wire/PartitionTablePayload.h"

namespace components {

class RealPartitionManager final : public PartitionManager {
public:
    explicit RealPartitionManager(comm::LinkAccess& links) : links_(links) {}

    bool Attach(uint8_t pla, uint8_t ela, int32_t link) override;
    bool PartitionExists(uint8_t partition, uint8_t& exists) override;
    bool NextFreePartition(uint8_t& partition) override;
    bool CreatePartition(uint8_t partition, uint8_t kind, uint8_t type, const std::string& name,
                         int32_t sizeBytes, uint8_t& result) override;
    bool RemovePartition(uint8_t partition, uint8_t& result) override;
    bool Commit() override;
    std::string LastError() const override { return error_; }

private:
    bool attached();
    bool refuse(const std::string& why, uint8_t& result);

    comm::LinkAccess& links_;
    std::optional<Channel> channel_;
    std::set<uint8_t> committed_;  // what the controller has
    std::set<uint8_t> staged_;     // with the changes below
    std::vector<wire::PartitionChange> changes_;
    std::string error_;
};

}  // namespace components
