#pragma once
// What one load moved and how long it took, and the words every front end says about it:
// the progress in the image's bytes, and the effective rate at the end.
#include <chrono>
#include <cstdint>
#include <string>

namespace components {

struct LoadFigures {
    uint64_t imageBytes = 0;  // of the image as stored, not as it travelled
    std::chrono::steady_clock::duration elapsed{0};  // 0: not measured
    uint32_t compressedBlocks = 0;
};

// "188,416 of 412,160 bytes".
std::string bytesText(uint64_t acknowledged, uint64_t total);
// "Loaded 412,160 bytes in 9.8 s (336 kbit/s)."; without a measured time only the bytes, and
// nothing at all when nothing was loaded.
std::string loadedText(const LoadFigures& figures);

}  // namespace components
