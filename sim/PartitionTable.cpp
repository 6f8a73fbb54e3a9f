#include "sim/PartitionTable.h"

#include <algorithm>

#include "sim/SystemVariables.h"

namespace sim {
namespace {

using wire::ReplyCode;

constexpr uint16_t kServicesFile = 242;
constexpr int32_t kHttpActiveSiteIndex = 168;
constexpr int32_t kFlashTotalIndex = 90;
constexpr int32_t kFlashUsedIndex = 91;

int32_t integer(const ControllerState& state, uint16_t file, int32_t index, int32_t fallback) {
    const StoredVariable* v = state.variables.find(file, index);
    return v != nullptr ? v->value.integer : fallback;
}

int64_t reserved(const std::map<uint8_t, Partition>& table) {
    int64_t sum = 0;
    for (const auto& [n, p] : table) {
        auto size = p.attributes.find(9);
        if (size != p.attributes.end()) {
            if (const auto* bytes = std::get_if<int32_t>(&size->second)) sum += *bytes;
        }
    }
    return sum;
}

Partition freshPartition(const wire::PartitionChange& c) {
    Partition p;
    p.attributes[2] = c.name;
    p.attributes[4] = int32_t(c.type);
    p.attributes[5] = int32_t(0);
    p.attributes[7] = int32_t(0);
    p.attributes[8] = int32_t(0);
    p.attributes[9] = static_cast<int32_t>(c.maxSize);
    p.attributes[110] = std::string();
    return p;
}

ReplyCode check(const ControllerState& state, const std::map<uint8_t, Partition>& table,
                const wire::PartitionChange& c) {
    if (c.action == wire::PartitionAction::Remove) {
        if (!table.count(c.partition)) return ReplyCode::NotFound;
        // What runs now cannot go: the active program and the active web site.
        if (integer(state, kSystemFile, kActivePartitionIndex, -1) == c.partition)
            return ReplyCode::Refused;
        if (integer(state, kServicesFile, kHttpActiveSiteIndex, -1) == c.partition)
            return ReplyCode::Refused;
        return ReplyCode::Ok;
    }
    if (c.partition < kFirstUserPartition || c.partition > kLastUserPartition)
        return ReplyCode::OutOfRange;
    if (c.kind != 1 || (c.type != 2 && c.type != 3)) return ReplyCode::BadRequest;
    if (table.count(c.partition)) return ReplyCode::AlreadyExists;
    const int64_t total = integer(state, kSystemFile, kFlashTotalIndex, 0);
    if (c.maxSize == 0 || c.maxSize > uint32_t(INT32_MAX)) return ReplyCode::OutOfRange;
    if (reserved(table) + int64_t(c.maxSize) > total) return ReplyCode::NoFlash;
    return ReplyCode::Ok;
}

}  // namespace

TableVerdict changePartitionTable(ControllerState& state,
                                  const wire::PartitionTableRequest& request) {
    std::map<uint8_t, Partition> table = state.partitions;
    for (std::size_t i = 0; i < request.changes.size(); ++i) {
        const wire::PartitionChange& c = request.changes[i];
        const ReplyCode code = check(state, table, c);
        if (code != ReplyCode::Ok) return {code, static_cast<int8_t>(i + 1)};
        if (c.action == wire::PartitionAction::Remove) {
            table.erase(c.partition);
        } else {
            table[c.partition] = freshPartition(c);
        }
    }
    const int32_t used = static_cast<int32_t>(reserved(table));
    state.partitions = std::move(table);
    state.variables.set(kSystemFile, kFlashUsedIndex, wire::Value::long32(used));
    return {};
}

}  // namespace sim
