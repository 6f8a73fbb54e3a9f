#pragma once
// The host's side of a compressed transfer: the block that starts at an image offset, as
// deflate that may refer back up to one window into the image before it (the controller holds
// those bytes staged, since a block is only ever sent from what it acknowledged), or as plain
// bytes when deflate would not shrink it. Any offset can start a block, so a resume after a cut
// starts at the controller's acknowledgement and costs at most what was in flight.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/TransferPayloads.h"

namespace compress {

struct EncodedBlock {
    std::size_t imageBytes = 0;  // image bytes the block covers, from its offset
    std::vector<uint8_t> data;   // the block's data as it travels (wire::encodeBlockData)
    bool compressed = false;     // false: it went plain, deflate did not shrink it
};

class BlockEncoder {
  public:
    // `image` stays valid while the encoder lives; `windowLog` is the one the controller granted.
    BlockEncoder(std::span<const uint8_t> image, uint8_t windowLog, int level = 9);
    ~BlockEncoder();
    BlockEncoder(const BlockEncoder&) = delete;
    BlockEncoder& operator=(const BlockEncoder&) = delete;

    // The block at `offset` (below the image's size) whose data, form byte included, holds at
    // most `maxData` bytes (the controller's largest block, at least 4).
    EncodedBlock at(std::size_t offset, std::size_t maxData);

  private:
    struct Impl;
    Impl* impl_;
};

}  // namespace compress
