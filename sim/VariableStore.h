#pragma once
// The typed variables of one controller, addressed by file and index.
#include <cstdint>
#include <map>
#include <utility>

#include "platform/wire/ReplyCode.h"
#include "platform/wire/Variable.h"
#include "platform/wire/VariablePayloads.h"

namespace sim {

struct StoredVariable {
    uint8_t kind = 1;
    wire::Value value;         // value.type is the variable's type
    uint16_t maxLength = 255;  // texts: most bytes
    bool readOnly = false;
};

class VariableStore {
  public:
    using Key = std::pair<uint16_t, int32_t>;  // file, index

    // Defines (or redefines) a variable; its type is the value's.
    void define(uint16_t file, int32_t index, StoredVariable variable);

    wire::ReplyCode read(const wire::VarAddress& address, wire::Value& out) const;
    // Everything a write would check, without writing.
    wire::ReplyCode checkWrite(const wire::WriteRequest& write) const;
    // Writes a checked value.
    void write(const wire::WriteRequest& write);

    const StoredVariable* find(uint16_t file, int32_t index) const;
    // For the controller's own bookkeeping (address, active partition), without checks.
    void set(uint16_t file, int32_t index, const wire::Value& value);
    const std::map<Key, StoredVariable>& all() const { return vars_; }

  private:
    const StoredVariable* lookup(const wire::VarAddress& address) const;
    std::map<Key, StoredVariable> vars_;
};

}  // namespace sim
