#pragma once
// The two records the general library reads variables through: the packed variable reference
// and the 16-byte value carrier (type word plus a pointer to the value's storage).
#include <cstddef>
#include <cstdint>

namespace kvxglib {

#pragma pack(push, 1)
struct VarRef {
    int16_t pla = 0;
    int16_t ela = 0;
    int32_t kind = 0;
    int32_t type = 0;
    int32_t index = 0;
    int16_t file = 0;
    uint8_t reserved[2] = {0, 0};
};
#pragma pack(pop)
static_assert(sizeof(VarRef) == 20, "VarRef is a 20-byte record");
static_assert(offsetof(VarRef, index) == 12 && offsetof(VarRef, file) == 16);

// Type words of the value carrier; ByRef marks that `data` points at the value.
namespace vt {
constexpr uint16_t I2 = 0x0002;
constexpr uint16_t I4 = 0x0003;
constexpr uint16_t R4 = 0x0004;
constexpr uint16_t BStr = 0x0008;
constexpr uint16_t Bool = 0x000B;
constexpr uint16_t ByRef = 0x4000;
}  // namespace vt

// For BStr the data points at a std::u16string (our stand-in for a wide string handle).
struct Variant {
    uint16_t type = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint16_t reserved3 = 0;
    void* data = nullptr;
};
static_assert(sizeof(Variant) == 16, "the value carrier is 16 bytes");

}  // namespace kvxglib
