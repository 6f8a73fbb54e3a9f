#include "platform/transfer/BlockSource.h"

#include <algorithm>

#include "platform/compress/BlockEncoder.h"

namespace transfer {
namespace {

// A path that got this much quicker than the threshold no longer gains by deflate.
constexpr double kStopAbove = 2 * BlockSource::kCompressBelow;

}  // namespace

BlockSource::BlockSource(std::span<const uint8_t> image, uint32_t lineBitsPerSecond)
    : image_(image), compressing_(lineBitsPerSecond != 0 && lineBitsPerSecond / 10.0 < kCompressBelow) {}

BlockSource::~BlockSource() = default;

void BlockSource::granted(wire::Compression method, uint8_t windowLog, std::size_t maxBlock) {
    maxBlock_ = std::clamp<std::size_t>(maxBlock, 1, wire::kMaxBlockData);
    formByte_ = method == wire::Compression::Deflate;
    encoder_.reset();
    // The form and the count of a deflate block need room of their own.
    if (formByte_ && maxBlock_ >= 4)
        encoder_ = std::make_unique<compress::BlockEncoder>(image_, windowLog);
}

void BlockSource::measured(double lineBytesPerSecond) {
    if (lineBytesPerSecond <= 0) return;
    if (lineBytesPerSecond < kCompressBelow)
        compressing_ = true;
    else if (lineBytesPerSecond > kStopAbove)
        compressing_ = false;
}

Block BlockSource::at(uint64_t offset) {
    const std::size_t at = static_cast<std::size_t>(offset);
    if (compressing()) {
        compress::EncodedBlock e = encoder_->at(at, maxBlock_);
        return {e.imageBytes, std::move(e.data), e.compressed};
    }
    const std::size_t room = formByte_ ? maxBlock_ - 1 : maxBlock_;
    const std::size_t n = std::min(room, image_.size() - at);
    Block b{n, {}, false};
    b.data.reserve(n + 1);
    if (formByte_) b.data.push_back(static_cast<uint8_t>(wire::BlockForm::Plain));
    b.data.insert(b.data.end(), image_.begin() + static_cast<std::ptrdiff_t>(at),
                  image_.begin() + static_cast<std::ptrdiff_t>(at + n));
    return b;
}

}  // namespace transfer
