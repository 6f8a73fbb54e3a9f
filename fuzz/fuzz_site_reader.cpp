// libFuzzer entry: the site archive reader; a path that leaves the site or a site that does not
// write back to its bytes is a finding.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "ImageDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!imagefuzz::exerciseSiteReader(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "site reader inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
