#include "sim/SystemVariables.h"

#include "platform/sysvars/Table.h"

namespace sim {

std::vector<SystemVariable> systemVariables(bool kvxrealC) {
    std::vector<SystemVariable> out;
    for (const sysvars::Variable& v : sysvars::table()) {
        if (!v.existsOn(kvxrealC)) continue;
        StoredVariable stored;
        stored.kind = v.kind;
        stored.value = v.defaultValue();
        stored.maxLength = v.type == wire::VarType::Text ? v.maxLength : 0;
        out.push_back({v.qualifiedName(), v.file, v.index, std::move(stored)});
    }
    return out;
}

}  // namespace sim
