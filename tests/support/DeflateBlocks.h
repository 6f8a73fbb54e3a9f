#pragma once
// Compressed transfer blocks made the plain way, with zlib itself, so that the controller's side
// is tested against streams it did not make: raw deflate that leans on the window of image
// before the block, as the host's encoder sends it.
// zlib's one-call `compress` would clash with the compress namespace.
#define compress zlib_one_call_compress
#include <zlib.h>
#undef compress

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/TransferPayloads.h"

namespace testsupport {

// Bytes [offset, offset + n) of `v`, as a vector of their own.
inline std::vector<uint8_t> slice(const std::vector<uint8_t>& v, std::size_t offset, std::size_t n) {
    return {v.begin() + std::ptrdiff_t(offset), v.begin() + std::ptrdiff_t(offset + n)};
}

// Text that compresses the way compiled code does: a small vocabulary in varying order.
inline std::vector<uint8_t> codeLike(std::size_t size, uint32_t seed) {
    static const char* const words[] = {"mov r1, r2\n", "add r3, #4\n", "ldr r0, [sp, #8]\n",
                                        "bl pump_update\n", "cmp r0, #0\n", "beq .L12\n",
                                        "str r2, [r4]\n", "pop {r4, pc}\n"};
    std::vector<uint8_t> out;
    while (out.size() < size) {
        seed = seed * 1103515245u + 12345u;
        const std::string w = words[(seed >> 16) % 8];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(size);
    return out;
}

// A raw deflate stream of `data`, as an encoder that holds `dictionary` before it makes it.
// Empty if zlib fails.
inline std::vector<uint8_t> deflateRaw(std::span<const uint8_t> data,
                                       std::span<const uint8_t> dictionary, int windowLog = 15) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -windowLog, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    if (!dictionary.empty())
        deflateSetDictionary(&z, dictionary.data(), uInt(dictionary.size()));
    std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(done ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

// A deflate block's data announcing `imageBytes`.
inline std::vector<uint8_t> deflateBlock(std::size_t imageBytes, std::vector<uint8_t> stream) {
    auto data = wire::encodeBlockData(
        {wire::BlockForm::Deflate, static_cast<uint16_t>(imageBytes), std::move(stream)});
    return data ? *data : std::vector<uint8_t>{};
}

// The block at `offset` of `image`: as many image bytes as deflate into one block's data (at
// most `maxImage`), referring back up to a window into the image before it.
struct MadeBlock {
    std::size_t imageBytes = 0;
    std::vector<uint8_t> data;
};
inline MadeBlock deflatedAt(std::span<const uint8_t> image, std::size_t offset, int windowLog,
                            std::size_t maxImage = 24'000) {
    const std::size_t window = std::size_t(1) << windowLog;
    const std::size_t from = offset > window ? offset - window : 0;
    std::size_t n = std::min({maxImage, image.size() - offset, wire::kMaxBlockImageBytes});
    for (;; n = n * 3 / 4) {
        auto stream =
            deflateRaw(image.subspan(offset, n), image.subspan(from, offset - from), windowLog);
        if (!stream.empty() && stream.size() <= wire::kMaxDeflateInBlock)
            return {n, deflateBlock(n, std::move(stream))};
    }
}

}  // namespace testsupport
