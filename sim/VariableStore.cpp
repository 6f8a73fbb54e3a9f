#include "sim/VariableStore.h"

namespace sim {
namespace {

// Kinds 1 and 2 both address the segment form; the typed accesses send either for the same
// variable. The other kinds each have their own space.
int kindClass(uint8_t kind) { return kind == 2 ? 1 : kind; }

}  // namespace

void VariableStore::define(uint16_t file, int32_t index, StoredVariable variable) {
    vars_[{file, index}] = std::move(variable);
}

const StoredVariable* VariableStore::find(uint16_t file, int32_t index) const {
    auto it = vars_.find({file, index});
    return it == vars_.end() ? nullptr : &it->second;
}

const StoredVariable* VariableStore::lookup(const wire::VarAddress& address) const {
    // The same rule as the shared table's: kinds 1 and 2 reach each other, others only their own.
    const StoredVariable* v = find(address.file, address.index);
    if (v == nullptr || kindClass(v->kind) != kindClass(address.kind)) return nullptr;
    return v;
}

wire::ReplyCode VariableStore::read(const wire::VarAddress& address, wire::Value& out) const {
    if (address.kind == wire::kWriteOnlyKind) return wire::ReplyCode::Refused;
    const StoredVariable* v = lookup(address);
    if (v == nullptr) return wire::ReplyCode::NoSuchVariable;
    if (v->value.type != address.type) return wire::ReplyCode::WrongType;
    out = v->value;
    return wire::ReplyCode::Ok;
}

wire::ReplyCode VariableStore::checkWrite(const wire::WriteRequest& write) const {
    const StoredVariable* v = lookup(write.address);
    if (v == nullptr) return wire::ReplyCode::NoSuchVariable;
    if (v->value.type != write.address.type || write.value.type != write.address.type)
        return wire::ReplyCode::WrongType;
    if (v->readOnly) return wire::ReplyCode::Refused;
    if (write.value.type == wire::VarType::Text && write.value.text.size() > v->maxLength)
        return wire::ReplyCode::OutOfRange;
    return wire::ReplyCode::Ok;
}

void VariableStore::write(const wire::WriteRequest& write) {
    auto it = vars_.find({write.address.file, write.address.index});
    if (it != vars_.end()) it->second.value = write.value;
}

void VariableStore::set(uint16_t file, int32_t index, const wire::Value& value) {
    auto it = vars_.find({file, index});
    if (it != vars_.end()) it->second.value = value;
}

}  // namespace sim
