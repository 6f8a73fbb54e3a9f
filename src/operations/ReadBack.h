#pragma once
// After a load: what the connected controller now holds, read back and compared with the
// image of the selected revision.
#include <cstdint>
#include <string>

namespace operations {

class ImageChecksums;
class Session;

struct ReadBack {
    std::string osVersion;  // as readOsVersion
    int32_t partition = 0;  // the active one, on KVXreal C controllers
    std::string checksum;   // "0x…", only once it equals the image's
    std::string why;        // what did not hold, when `checksum` is empty
    bool matches() const { return !checksum.empty(); }
};

// Reads the version and the stored checksum of the connected controller (a partition
// attribute on KVXreal C controllers, a long integer of the image file otherwise) and compares
// it with the selected revision's image (an older controller's: the last image its job loads),
// whose checksum `checksums` keeps for the file as it stands.
ReadBack readBack(Session& session, ImageChecksums& checksums);

}  // namespace operations
