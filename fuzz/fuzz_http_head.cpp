// libFuzzer entry: the simulator's web server on one request head; an unknown status, a 200
// that is no file of the site or a malformed response is a finding.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "HttpHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string failure;
    if (!httpfuzz::exerciseHttpHead(std::span<const uint8_t>(data, size), failure)) {
        std::fprintf(stderr, "web server inconsistency: %s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
