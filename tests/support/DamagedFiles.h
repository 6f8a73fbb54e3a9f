#pragma once
// The two ways a file on disk goes bad, each with the reason the image reader must give.
#include <string>
#include <vector>

namespace testsupport {

struct DamagedFile {
    const char* what;
    std::string bytes;
    std::string why;
};

inline std::vector<DamagedFile> damagedCopies(const std::string& good) {
    std::string garbled = good;
    garbled[garbled.size() / 2] ^= 1;
    return {{"truncated", good.substr(0, good.size() / 2), "the image file is truncated"},
            {"garbled", garbled, "the image file is damaged (checksum mismatch)"}};
}

}  // namespace testsupport
