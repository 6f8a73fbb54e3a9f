#pragma once
// What the next block of a transfer carries: plain image bytes, or, once the controller granted
// compression, deflate while the line is slow enough for it to pay. A serial line's rate is
// known from the start; a TCP path starts plain and compresses only once its measured delivery
// rate is low (on a fast path deflate would cost more time than the bytes it saves).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/wire/TransferPayloads.h"

namespace compress {
class BlockEncoder;
}

namespace transfer {

struct Block {
    std::size_t imageBytes = 0;  // image bytes it covers from its offset
    std::vector<uint8_t> data;   // as it travels
    bool compressed = false;
};

class BlockSource {
  public:
    // Below this many bytes a second on the line, deflate at its pace wins time back.
    static constexpr double kCompressBelow = 1'000'000;

    BlockSource(std::span<const uint8_t> image, uint32_t lineBitsPerSecond);
    ~BlockSource();

    // What the controller's open reply granted, and the block data it takes at most.
    void granted(wire::Compression method, uint8_t windowLog, std::size_t maxBlock);
    // The path's delivery rate, in bytes on the line a second, once the window stopped growing.
    void measured(double lineBytesPerSecond);
    bool compressing() const { return encoder_ != nullptr && compressing_; }

    // The block at `offset`, below the image's size.
    Block at(uint64_t offset);

  private:
    std::span<const uint8_t> image_;
    std::size_t maxBlock_ = wire::kMaxBlockData;
    bool formByte_ = false;  // every block of a transfer opened with compression has one
    bool compressing_ = false;
    std::unique_ptr<compress::BlockEncoder> encoder_;
};

}  // namespace transfer
