#include "platform/wire/Variable.h"

#include <limits>

namespace wire {
namespace {

bool fitsInt16(int32_t v) {
    return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
}

bool fail(Error& error, Error why) {
    error = why;
    return false;
}

}  // namespace

bool isValidType(uint8_t type) { return type >= 1 && type <= 6; }
bool isValidKind(uint8_t kind) { return kind >= kMinKind && kind <= kMaxKind; }

bool writeVarAddress(ByteWriter& w, const VarAddress& a, Error& error) {
    if (!isValidKind(a.kind) || !isValidType(static_cast<uint8_t>(a.type)))
        return fail(error, Error::BadValue);
    w.u8(a.kind);
    w.u8(static_cast<uint8_t>(a.type));
    w.u16(a.file);
    w.i32(a.index);
    return true;
}

bool writeValue(ByteWriter& w, const Value& v, Error& error) {
    switch (v.type) {
        case VarType::Boolean:
            if (v.integer != 0 && v.integer != -1) return fail(error, Error::BadValue);
            w.i16(static_cast<int16_t>(v.integer));
            return true;
        case VarType::SmallInt:
        case VarType::Int:
            if (!fitsInt16(v.integer)) return fail(error, Error::BadValue);
            w.i16(static_cast<int16_t>(v.integer));
            return true;
        case VarType::Real:
            w.f32(v.real);
            return true;
        case VarType::Text:
            if (v.text.size() > std::numeric_limits<uint16_t>::max())
                return fail(error, Error::BadValue);
            w.u16(static_cast<uint16_t>(v.text.size()));
            w.text(v.text);
            return true;
        case VarType::Long:
            w.i32(v.integer);
            return true;
    }
    return fail(error, Error::BadValue);
}

bool readVarAddress(ByteReader& r, VarAddress& a, Error& error) {
    const uint8_t kind = r.u8();
    const uint8_t type = r.u8();
    a.file = r.u16();
    a.index = r.i32();
    if (r.failed()) return fail(error, Error::Truncated);
    if (!isValidKind(kind) || !isValidType(type)) return fail(error, Error::BadValue);
    a.kind = kind;
    a.type = static_cast<VarType>(type);
    return true;
}

bool readValue(ByteReader& r, VarType type, Value& v, Error& error) {
    v = Value{};
    v.type = type;
    switch (type) {
        case VarType::Boolean:
        case VarType::SmallInt:
        case VarType::Int:
            v.integer = r.i16();
            break;
        case VarType::Real:
            v.real = r.f32();
            break;
        case VarType::Text: {
            const uint16_t count = r.u16();
            v.text = r.text(count);
            break;
        }
        case VarType::Long:
            v.integer = r.i32();
            break;
        default:
            return fail(error, Error::BadValue);
    }
    if (r.failed()) return fail(error, Error::Truncated);
    if (type == VarType::Boolean && v.integer != 0 && v.integer != -1)
        return fail(error, Error::BadValue);
    return true;
}

}  // namespace wire
