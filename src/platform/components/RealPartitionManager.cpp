#include "platform/components/RealPartitionManager.h"

#include "platform/text/Text.h"
#include "platform/wire/Telegram.h"

namespace components {
namespace {

constexpr uint8_t kFirst = 16, kLast = 250;

std::string partitionText(uint8_t n) { return "partition " + std::to_string(n); }

// Why the controller refused change `position` (1-based) of `changes`.
std::string refusal(const Channel& c, const std::vector<wire::PartitionChange>& changes) {
    using wire::ReplyCode;
    const int position = c.code2;
    if (position < 1 || position > int(changes.size()))
        return "The partitions were not changed: " + c.why + ".";
    const auto& change = changes[std::size_t(position - 1)];
    const std::string p = "Partition " + std::to_string(change.partition);
    switch (ReplyCode(c.code1)) {
        case ReplyCode::NoFlash:
            return p + " needs more flash than the controller has free; nothing was changed.";
        case ReplyCode::AlreadyExists:
            return p + " exists already; nothing was changed.";
        case ReplyCode::NotFound:
            return p + " does not exist; nothing was changed.";
        case ReplyCode::Refused:
            return p + " holds the active program or web site and cannot be removed; nothing "
                       "was changed.";
        case ReplyCode::OutOfRange:
            return p + ": number or size out of range; nothing was changed.";
        default:
            return p + ": " + c.why + "; nothing was changed.";
    }
}

// The request went out but no usable answer came back: the controller may have acted on it.
bool replyLost(const Channel& c) {
    using wire::ReplyCode;
    return c.code1 == wire::code(ReplyCode::TimedOut) || c.code1 == wire::code(ReplyCode::LinkLost) ||
           c.code1 == wire::code(ReplyCode::BadReply);
}

}  // namespace

bool RealPartitionManager::Attach(uint8_t pla, uint8_t ela, int32_t link) {
    channel_.emplace(links_, link, wire::Address{pla, ela});
    changes_.clear();
    committed_.clear();
    std::vector<uint8_t> numbers;
    if (!channel_->telegram(wire::telegram::buildTelegram(wire::telegram::ListPartitions{}),
                            &numbers)) {
        error_ = "The partitions of " + std::to_string(pla) + ":" + std::to_string(ela) +
                 " could not be read: " + channel_->why + ".";
        channel_.reset();
        return false;
    }
    committed_.insert(numbers.begin(), numbers.end());
    staged_ = committed_;
    error_.clear();
    return true;
}

bool RealPartitionManager::attached() {
    if (channel_) return true;
    error_ = "The partition manager is not attached to a controller.";
    return false;
}

bool RealPartitionManager::refuse(const std::string& why, uint8_t& result) {
    error_ = why;
    result = 0;
    return true;
}

bool RealPartitionManager::PartitionExists(uint8_t partition, uint8_t& exists) {
    exists = 0;
    if (!attached()) return false;
    exists = staged_.count(partition) != 0 ? 1 : 0;
    return true;
}

bool RealPartitionManager::NextFreePartition(uint8_t& partition) {
    partition = 0;
    if (!attached()) return false;
    for (unsigned n = kFirst; n <= kLast; ++n) {
        if (!staged_.count(uint8_t(n))) {
            partition = uint8_t(n);
            return true;
        }
    }
    error_ = "Every partition number is in use.";
    return false;
}

bool RealPartitionManager::CreatePartition(uint8_t partition, uint8_t kind, uint8_t type,
                                           const std::string& name, int32_t sizeBytes,
                                           uint8_t& result) {
    result = 0;
    if (!attached()) return false;
    if (partition < kFirst || partition > kLast)
        return refuse("A new partition needs a number from 16 to 250, not " +
                          std::to_string(partition) + ".",
                      result);
    if (kind != 1 || (type != 2 && type != 3))
        return refuse("A partition is of kind 1 and type 2 (program) or 3 (web site).", result);
    if (sizeBytes <= 0)
        return refuse("The size of " + partitionText(partition) + " must be positive.", result);
    const std::string oem = text::toOem(name);
    if (oem.size() > wire::kMaxPartitionName)
        return refuse("A partition name has at most 128 characters.", result);
    if (staged_.count(partition))
        return refuse("Partition " + std::to_string(partition) + " exists already.", result);
    changes_.push_back({wire::PartitionAction::Create, partition, kind, type,
                        uint32_t(sizeBytes), oem});
    staged_.insert(partition);
    result = 1;
    return true;
}

bool RealPartitionManager::RemovePartition(uint8_t partition, uint8_t& result) {
    result = 0;
    if (!attached()) return false;
    if (!staged_.count(partition))
        return refuse("Partition " + std::to_string(partition) + " does not exist.", result);
    changes_.push_back({wire::PartitionAction::Remove, partition, 0, 0, 0, ""});
    staged_.erase(partition);
    result = 1;
    return true;
}

bool RealPartitionManager::Commit() {
    if (!attached()) return false;
    if (changes_.empty()) return true;
    if (changes_.size() > wire::kMaxPartitionChanges) {
        error_ = "Too many partition changes at once; nothing was changed.";
    } else if (channel_->run(wire::PartitionTableRequest{changes_})) {
        committed_ = staged_;
        changes_.clear();
        error_.clear();
        return true;
    } else if (replyLost(*channel_)) {
        error_ = "The controller's answer to the partition change was lost: whether it made "
                 "the change is unknown. The partition list shows what it has now.";
    } else {
        error_ = refusal(*channel_, changes_);
    }
    changes_.clear();
    staged_ = committed_;
    return false;
}

}  // namespace components
