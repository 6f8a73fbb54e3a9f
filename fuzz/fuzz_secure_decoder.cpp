// libFuzzer entry: the handshake and sealed-frame decoders on the same input; an inconsistency
// or an accepted forged proof is a finding.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "SecureDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!securefuzz::exerciseSecureDecoders(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "secure codec inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
