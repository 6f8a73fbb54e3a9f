#include "platform/sysvars/Variable.h"

namespace sysvars {

std::string Variable::qualifiedName() const {
    std::string out(fileName);
    out += '.';
    out += name;
    return out;
}

wire::VarAddress Variable::address() const { return {kind, type, file, index}; }

wire::Value Variable::defaultValue() const {
    wire::Value v;
    v.type = type;
    if (type == wire::VarType::Text) {
        v.text = std::string(defaultText);
    } else if (type == wire::VarType::Real) {
        v.real = static_cast<float>(defaultNumber);
    } else {
        v.integer = defaultNumber;
    }
    return v;
}

bool Variable::existsOn(bool kvxrealC) const {
    switch (family) {
        case Family::Every:
            return true;
        case Family::KvxrealC:
            return kvxrealC;
        case Family::Older:
            return !kvxrealC;
    }
    return false;
}

bool Variable::reachableWithKind(uint8_t sentKind) const {
    const auto segmented = [](uint8_t k) { return k == 1 || k == 2; };
    return sentKind == kind || (segmented(sentKind) && segmented(kind));
}

}  // namespace sysvars
