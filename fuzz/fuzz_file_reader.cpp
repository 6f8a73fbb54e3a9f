// libFuzzer entry for the file readers, built once per reader: FUZZ_EXERCISE names the body
// (from the headers below) and FUZZ_WHAT the file it reads. A broken promise is a finding.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "CatalogueDecoders.h"
#include "FileDecoders.h"
#include "SectionedDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!FUZZ_EXERCISE(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "%s reader inconsistency: %s\n", FUZZ_WHAT, failure.c_str());
        __builtin_trap();
    }
    return 0;
}
