#pragma once
// Bits of the 32-bit flags word that the link layer itself reads; every other bit goes to the
// library unchanged.
#include <cstdint>

namespace clink::flags {

constexpr int32_t Yield = 0x1000;            // wait with the library's yield call, not sleeps
constexpr int32_t NoOemConversion = 0x4000;  // partition texts travel without code-page change
constexpr int32_t OptionOne = 0x8000;        // option 0 becomes option 1; cleared after use
constexpr int32_t Batch = 0x0A000000;        // added to the flags of a batched pair write
constexpr int32_t Normal = INT32_MIN;        // 0x80000000, what nearly every caller passes

}  // namespace clink::flags
