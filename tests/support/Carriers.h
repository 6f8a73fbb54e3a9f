#pragma once
// Variable references and value carriers built the way the program builds them.
#include "platform/kvxglib/VarRef.h"

namespace testsupport {

inline kvxglib::VarRef ref(int16_t pla, int16_t ela, int32_t kind, int32_t type, int16_t file,
                           int32_t index) {
    kvxglib::VarRef r;
    r.pla = pla;
    r.ela = ela;
    r.kind = kind;
    r.type = type;
    r.file = file;
    r.index = index;
    return r;
}

// A by-reference carrier of `type` pointing at `data`.
inline kvxglib::Variant carrier(uint16_t type, void* data) {
    kvxglib::Variant v;
    v.type = static_cast<uint16_t>(kvxglib::vt::ByRef | type);
    v.data = data;
    return v;
}

}  // namespace testsupport
