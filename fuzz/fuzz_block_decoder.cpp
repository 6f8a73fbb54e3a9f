// libFuzzer entry: the controller's block decoder on any staged image and block data. The input
// is one byte of settings (window log in the low 3 bits, a memory bound in the high 5), the
// offset (u16, little-endian), the limit's room past it (u16), then the staged bytes up to the
// offset and the block's data. A finding: memory held past the bound, a block given back that
// is not its announced size or would end past the limit, or a tighter bound changing anything
// but whether the decode fits.
#include <cstdint>
#include <cstdio>
#include <span>

#include "platform/compress/BlockDecoder.h"
#include "platform/wire/TransferPayloads.h"

namespace {

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "block decoder: %s\n", what);
    __builtin_trap();
}

std::size_t announced(std::span<const uint8_t> data) {
    auto block = wire::decodeBlockData(data);
    if (!block) return 0;
    return block->form == wire::BlockForm::Plain ? block->bytes.size() : block->imageBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const uint8_t windowLog = static_cast<uint8_t>(wire::kMinWindowLog + (data[0] & 7) % 7);
    const std::size_t bound =
        (data[0] >> 3) == 0 ? compress::kMaxDecoderMemory : std::size_t(data[0] >> 3) * 1536;
    std::size_t offset = data[1] | (data[2] << 8);
    const std::size_t room = data[3] | (data[4] << 8);
    const std::span<const uint8_t> rest(data + 5, size - 5);
    if (offset > rest.size()) offset = rest.size();
    const auto staged = rest.first(offset);
    const auto block = rest.subspan(offset);
    const std::size_t limit = offset + room;

    compress::BlockDecoder tight(windowLog, bound);
    const compress::Decoded got = tight.decode(staged, offset, block, limit);
    if (tight.peakMemory() > bound) finding("held more memory than its bound");
    if (got.status == compress::DecodeStatus::Ok) {
        if (got.bytes.size() != announced(block)) finding("gave back another count than announced");
        if (offset + got.bytes.size() > limit) finding("gave back bytes past the limit");
    } else if (!got.bytes.empty()) {
        finding("a refused block gave back bytes");
    }

    compress::BlockDecoder roomy(windowLog);
    const compress::Decoded again = roomy.decode(staged, offset, block, limit);
    if (roomy.peakMemory() > compress::kMaxDecoderMemory) finding("passed the documented bound");
    if (got.status != compress::DecodeStatus::MemoryExceeded &&
        (again.status != got.status || again.bytes != got.bytes))
        finding("a tighter bound changed the outcome");
    return 0;
}
