#pragma once
// The controller's side of a compressed transfer: decodes one block's data into the image
// bytes it stands for, with bounded memory. Deflate refers back at most one window into the
// image staged before the block (the controller keeps nothing else between blocks); the image
// bytes a block decodes to are announced in it, checked against what may still come before a
// byte is decoded, and the decoder stops at that count, so a decompression bomb is refused
// without growing anything. Every allocation the inflater asks for is counted against
// `memoryLimit`; one that would pass it is refused, never made.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace compress {

// What the decoder may use at most for a window log of 15: the 32 KiB window and the
// inflater's own state (about 7 KiB on a 64-bit controller).
constexpr std::size_t kMaxDecoderMemory = 48u << 10;

enum class DecodeStatus {
    Ok,
    Malformed,       // not a block this transfer can carry, or a deflate stream that is wrong
    TooFarBack,      // refers back past the window or before the image's start
    TooLong,         // would end past the limit (the announced size or the partition's room)
    WrongLength,     // decodes to another count than the block announces
    MemoryExceeded,  // the inflater asked for more memory than the bound
};
const char* decodeStatusName(DecodeStatus status);

struct Decoded {
    DecodeStatus status = DecodeStatus::Malformed;
    std::vector<uint8_t> bytes;  // the image bytes from the block's offset, when Ok
};

class BlockDecoder {
  public:
    explicit BlockDecoder(uint8_t windowLog, std::size_t memoryLimit = kMaxDecoderMemory);

    // `data` is the data (form byte first) of the block at image offset `offset`; `staged`
    // holds the image bytes from 0 that the controller has, at least up to `offset`; no byte
    // may land at or past `limit`.
    Decoded decode(std::span<const uint8_t> staged, std::size_t offset,
                   std::span<const uint8_t> data, std::size_t limit);

    // The most memory any decode has held at once since this decoder was made.
    std::size_t peakMemory() const { return peak_; }

  private:
    uint8_t windowLog_;
    std::size_t memoryLimit_;
    std::size_t peak_ = 0;
};

}  // namespace compress
