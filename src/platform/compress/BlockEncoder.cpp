#include "platform/compress/BlockEncoder.h"

// zlib's one-call `compress` would clash with this library's namespace; it is never used here.
#define compress zlib_one_call_compress
#include <zlib.h>
#undef compress

#include <algorithm>

namespace compress {
namespace {

// Deflate is tried at most this often for one block: the first guess comes from the last
// block's ratio and is nearly always close, the rest only shrink or grow it.
constexpr int kTries = 4;
// A block this full of its data is full enough: growing it again costs a deflate for a few
// bytes.
constexpr double kFullEnough = 0.97;
// Guesses aim a little below what the ratio says, as a slightly fuller guess overflows.
constexpr double kAim = 0.97;
// Compiled code compresses about twice; the first block starts from there.
constexpr double kFirstRatio = 2.0;

}  // namespace

struct BlockEncoder::Impl {
    std::span<const uint8_t> image;
    uint8_t windowLog = wire::kMaxWindowLog;
    z_stream stream{};
    bool ready = false;
    double ratio = kFirstRatio;  // image bytes per deflate byte of the last compressed block
    std::vector<uint8_t> out;

    // Deflates image[offset, offset + n) as one stream that ends in its final block, with the
    // window before `offset` as its dictionary. The whole stream lands in `out`.
    // False when deflate could not (no memory): the block goes plain.
    bool deflateRange(std::size_t offset, std::size_t n) {
        if (!ready || deflateReset(&stream) != Z_OK) return false;
        const std::size_t window = std::size_t{1} << windowLog;
        const std::size_t from = offset > window ? offset - window : 0;
        if (offset > from)
            deflateSetDictionary(&stream, image.data() + from, static_cast<uInt>(offset - from));
        out.resize(deflateBound(&stream, static_cast<uLong>(n)) + 16);
        stream.next_in = const_cast<Bytef*>(image.data() + offset);
        stream.avail_in = static_cast<uInt>(n);
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        // The bound holds every stream of n bytes, so one call finishes it.
        if (deflate(&stream, Z_FINISH) != Z_STREAM_END) return false;
        out.resize(out.size() - stream.avail_out);
        return true;
    }
};

BlockEncoder::BlockEncoder(std::span<const uint8_t> image, uint8_t windowLog, int level)
    : impl_(new Impl) {
    impl_->image = image;
    impl_->windowLog = std::clamp(windowLog, wire::kMinWindowLog, wire::kMaxWindowLog);
    // Raw deflate (negative window bits) with the granted window: nothing refers back further
    // than the controller keeps.
    impl_->ready = deflateInit2(&impl_->stream, level, Z_DEFLATED, -int(impl_->windowLog), 8,
                                Z_DEFAULT_STRATEGY) == Z_OK;
}

BlockEncoder::~BlockEncoder() {
    if (impl_->ready) deflateEnd(&impl_->stream);
    delete impl_;
}

EncodedBlock BlockEncoder::at(std::size_t offset, std::size_t maxData) {
    Impl& s = *impl_;
    const std::size_t remaining = s.image.size() - std::min(offset, s.image.size());
    const std::size_t data = std::clamp<std::size_t>(maxData, 4, wire::kMaxBlockData);
    const std::size_t budget = data - 3;  // the deflate stream's room, after form and count
    const std::size_t cap = std::min(remaining, wire::kMaxBlockImageBytes);

    auto plain = [&] {
        const std::size_t n = std::min(remaining, data - 1);
        wire::BlockData block{wire::BlockForm::Plain, 0, {}};
        block.bytes.assign(s.image.begin() + static_cast<std::ptrdiff_t>(offset),
                           s.image.begin() + static_cast<std::ptrdiff_t>(offset + n));
        return EncodedBlock{n, wire::encodeBlockData(block).value(), false};
    };
    if (remaining == 0) return {};

    std::size_t guess = std::clamp<std::size_t>(
        static_cast<std::size_t>(kAim * s.ratio * double(budget)), 1, cap);
    std::size_t bestN = 0;
    std::vector<uint8_t> best;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (!s.deflateRange(offset, guess)) break;
        const std::size_t got = s.out.size();
        // Deflate that does not shrink the bytes (already compressed, random) goes plain at once:
        // trying other sizes would not change that.
        if (got + 2 >= guess) break;
        const double ratio = double(guess) / double(got);
        std::size_t next = 0;
        if (got <= budget) {
            bestN = guess;
            best = s.out;
            if (guess == cap || double(got) >= kFullEnough * double(budget)) break;
            next = std::min(cap, static_cast<std::size_t>(kAim * ratio * double(budget)));
            if (next <= guess) break;
        } else {
            next = static_cast<std::size_t>(kAim * ratio * double(budget));
            // Shrinking below what already fits gains nothing.
            if (next <= bestN) break;
            next = std::min(next, guess - 1);
            if (next == 0) break;
        }
        guess = next;
    }
    if (bestN == 0) {
        // Nothing fitted within the tries: the last ratio told too much. Halve until it fits,
        // or go plain.
        for (guess = std::min(guess, budget); guess > 0; guess /= 2) {
            if (!s.deflateRange(offset, guess) || s.out.size() + 2 >= guess) break;
            if (s.out.size() <= budget) {
                bestN = guess;
                best = s.out;
                break;
            }
        }
    }
    // Deflate must beat the plain form of the same bytes (form byte against form and count).
    if (bestN == 0 || best.size() + 2 >= bestN) return plain();
    s.ratio = double(bestN) / double(best.size());
    wire::BlockData block{wire::BlockForm::Deflate, static_cast<uint16_t>(bestN), std::move(best)};
    return EncodedBlock{bestN, wire::encodeBlockData(block).value(), true};
}

}  // namespace compress
