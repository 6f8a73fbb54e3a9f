// A fuzz target for the test of the fuzz targets' replay main: its one finding is the input
// "finding", exactly those bytes, so a longer input that starts so must pass.
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (std::string_view(reinterpret_cast<const char*>(data), size) == "finding") __builtin_trap();
    return 0;
}
