// libFuzzer entry: every wire decoder on the same input; a decode that does not encode back to
// its bytes is a finding too.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "WireDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!wirefuzz::exerciseWireDecoders(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "wire codec inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
