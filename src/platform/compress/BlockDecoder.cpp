#include "platform/compress/BlockDecoder.h"

// zlib's one-call `compress` would clash with this library's namespace; it is never used here.
#define compress zlib_one_call_compress
#include <zlib.h>
#undef compress

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/wire/TransferPayloads.h"

namespace compress {
namespace {

// Counts what the inflater holds; an allocation that would pass the limit is refused before
// any memory is taken, so the bound holds even against a stream crafted to push it.
struct Budget {
    std::size_t limit = 0;
    std::size_t used = 0;
    std::size_t peak = 0;
};

// Each allocation carries its size in front, so that the free can give it back to the count.
constexpr std::size_t kHeader = alignof(std::max_align_t);

voidpf countedAlloc(voidpf opaque, uInt items, uInt size) {
    auto* budget = static_cast<Budget*>(opaque);
    const uint64_t bytes = uint64_t(items) * size;
    if (bytes > budget->limit - budget->used) return Z_NULL;
    auto* block = static_cast<unsigned char*>(std::malloc(kHeader + std::size_t(bytes)));
    if (block == nullptr) return Z_NULL;
    const std::size_t taken = std::size_t(bytes);
    std::memcpy(block, &taken, sizeof taken);
    budget->used += taken;
    budget->peak = std::max(budget->peak, budget->used);
    return block + kHeader;
}

void countedFree(voidpf opaque, voidpf address) {
    if (address == Z_NULL) return;
    auto* budget = static_cast<Budget*>(opaque);
    auto* block = static_cast<unsigned char*>(address) - kHeader;
    std::size_t taken = 0;
    std::memcpy(&taken, block, sizeof taken);
    budget->used -= taken;
    std::free(block);
}

// Ends the inflater however the decode leaves.
struct Inflater {
    z_stream stream{};
    bool open = false;
    ~Inflater() {
        if (open) inflateEnd(&stream);
    }
};

}  // namespace

const char* decodeStatusName(DecodeStatus status) {
    switch (status) {
        case DecodeStatus::Ok:
            return "ok";
        case DecodeStatus::Malformed:
            return "malformed block";
        case DecodeStatus::TooFarBack:
            return "refers back too far";
        case DecodeStatus::TooLong:
            return "ends past the limit";
        case DecodeStatus::WrongLength:
            return "decodes to another length than announced";
        case DecodeStatus::MemoryExceeded:
            return "needs more memory than the bound";
    }
    return "unknown";
}

BlockDecoder::BlockDecoder(uint8_t windowLog, std::size_t memoryLimit)
    : windowLog_(windowLog), memoryLimit_(memoryLimit) {}

Decoded BlockDecoder::decode(std::span<const uint8_t> staged, std::size_t offset,
                             std::span<const uint8_t> data, std::size_t limit) {
    Decoded out;
    auto block = wire::decodeBlockData(data);
    if (!block) return out;
    const std::size_t count =
        block->form == wire::BlockForm::Plain ? block->bytes.size() : block->imageBytes;
    // Checked before a byte is decoded: what a block announces is all it may bring.
    if (offset > limit || count > limit - offset) {
        out.status = DecodeStatus::TooLong;
        return out;
    }
    if (block->form == wire::BlockForm::Plain) {
        out.status = DecodeStatus::Ok;
        out.bytes = std::move(block->bytes);
        return out;
    }
    if (windowLog_ < wire::kMinWindowLog || windowLog_ > wire::kMaxWindowLog ||
        staged.size() < offset)
        return out;

    Budget budget{memoryLimit_};
    Inflater inflater;
    z_stream& z = inflater.stream;
    z.zalloc = countedAlloc;
    z.zfree = countedFree;
    z.opaque = &budget;
    auto finish = [&](DecodeStatus status) {
        peak_ = std::max(peak_, budget.peak);
        out.status = status;
        if (status != DecodeStatus::Ok) out.bytes.clear();
        return std::move(out);
    };
    const int init = inflateInit2(&z, -int(windowLog_));
    if (init == Z_MEM_ERROR) return finish(DecodeStatus::MemoryExceeded);
    if (init != Z_OK) return finish(DecodeStatus::Malformed);
    inflater.open = true;

    // The dictionary is the window's worth of image just before the block, never more: a
    // reference past it or before offset 0 finds nothing and is refused.
    const std::size_t window = std::size_t(1) << windowLog_;
    const std::size_t from = offset > window ? offset - window : 0;
    if (offset > from) {
        const int set = inflateSetDictionary(&z, staged.data() + from, uInt(offset - from));
        if (set == Z_MEM_ERROR) return finish(DecodeStatus::MemoryExceeded);
        if (set != Z_OK) return finish(DecodeStatus::Malformed);
    }

    out.bytes.resize(count);
    z.next_in = const_cast<Bytef*>(block->bytes.data());
    z.avail_in = uInt(block->bytes.size());
    z.next_out = out.bytes.data();
    // Within one call the inflater may also refer back into what that call wrote, past its
    // window. Deflate never reaches past 32 KiB, so with the largest window one call is exact;
    // with a smaller one, each call writes one byte, so that a reference reaches the window only.
    const std::size_t step = windowLog_ == wire::kMaxWindowLog ? count : 1;
    int result = Z_OK;
    while (result == Z_OK && z.total_out < count) {
        z.avail_out = uInt(std::min(step, count - z.total_out));
        result = inflate(&z, Z_NO_FLUSH);
    }
    if (result == Z_MEM_ERROR) return finish(DecodeStatus::MemoryExceeded);
    if (result == Z_DATA_ERROR) {
        const bool tooFar = z.msg != nullptr && std::strstr(z.msg, "too far back") != nullptr;
        return finish(tooFar ? DecodeStatus::TooFarBack : DecodeStatus::Malformed);
    }
    if (result == Z_STREAM_END) {
        // Bytes after the final block belong to no stream.
        if (z.avail_in != 0) return finish(DecodeStatus::Malformed);
        return finish(z.total_out == count ? DecodeStatus::Ok : DecodeStatus::WrongLength);
    }
    // Out of room with the stream still going: it decodes to more than it announced.
    if (result == Z_OK && z.total_out == count) return finish(DecodeStatus::WrongLength);
    return finish(DecodeStatus::Malformed);  // cut short
}

}  // namespace compress
