// libFuzzer entry: the port-settings decoder, on its own and inside a frame; a decode that does
// not encode back to its bytes is a finding too.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "PortDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!portfuzz::exercisePortDecoders(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "port settings inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
