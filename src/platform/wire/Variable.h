#pragma once
// A controller variable's address (kind, type, file, index) and a typed value, with their
// payload layouts.
#include <cstdint>
#include <string>

#include "platform/wire/Bytes.h"
#include "platform/wire/Result.h"

namespace wire {

enum class VarType : uint8_t {
    Boolean = 1,   // i16, -1 or 0
    SmallInt = 2,  // i16
    Int = 3,       // i16
    Real = 4,      // IEEE single
    Text = 5,      // u16 count, code page 850 bytes
    Long = 6,      // i32
};

constexpr uint8_t kMinKind = 1, kMaxKind = 5;
constexpr uint8_t kWriteOnlyKind = 3;
constexpr std::size_t kVarAddressSize = 8;

bool isValidType(uint8_t type);
bool isValidKind(uint8_t kind);

struct VarAddress {
    uint8_t kind = 1;
    VarType type = VarType::Int;
    uint16_t file = 0;
    int32_t index = 0;
    bool operator==(const VarAddress&) const = default;
};

// One value of a variable. `integer` holds types 1, 2, 3 and 6, `real` type 4, `text` type 5
// (code page 850 bytes; conversion is platform/text's job).
struct Value {
    VarType type = VarType::Int;
    int32_t integer = 0;
    float real = 0.0f;
    std::string text;
    bool operator==(const Value&) const = default;

    static Value boolean(bool v) { return {VarType::Boolean, v ? -1 : 0, 0.0f, {}}; }
    static Value smallInt(int16_t v) { return {VarType::SmallInt, v, 0.0f, {}}; }
    static Value int16(int16_t v) { return {VarType::Int, v, 0.0f, {}}; }
    static Value real32(float v) { return {VarType::Real, 0, v, {}}; }
    static Value oemText(std::string v) { return {VarType::Text, 0, 0.0f, std::move(v)}; }
    static Value long32(int32_t v) { return {VarType::Long, v, 0.0f, {}}; }
};

// Writers fail with BadValue when a field does not fit its layout (kind or type out of range,
// an integer beyond 16 bits for types 1..3, a Boolean other than -1 or 0, a text over 65535
// bytes); nothing is written then.
bool writeVarAddress(ByteWriter& w, const VarAddress& a, Error& error);
bool writeValue(ByteWriter& w, const Value& v, Error& error);

// Readers fail with Truncated when the bytes end early, BadValue for out-of-range fields.
bool readVarAddress(ByteReader& r, VarAddress& a, Error& error);
bool readValue(ByteReader& r, VarType type, Value& v, Error& error);

}  // namespace wire
