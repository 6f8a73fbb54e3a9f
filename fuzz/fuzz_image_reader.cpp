// libFuzzer entry: the image container reader; an image that does not write back to its bytes
// or a refusal without a reason is a finding.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "ImageDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!imagefuzz::exerciseImageReader(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "image reader inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
