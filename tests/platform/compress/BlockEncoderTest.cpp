// The host's block encoder, read back with zlib's inflater as a controller would: only the
// window before the block as history, the stream ending where the block does.
// zlib's one-call `compress` would clash with this library's namespace; it is never used here.
#define compress zlib_one_call_compress
#include <zlib.h>
#undef compress

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "platform/compress/BlockEncoder.h"
#include "support/DeflateBlocks.h"

namespace {

using testsupport::slice;
using compress::BlockEncoder;
using compress::EncodedBlock;

// Compiled code: this test's own executable.
std::vector<uint8_t> compiledCode(std::size_t size) {
    std::ifstream in("/proc/self/exe", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() > size) bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> randomBytes(std::size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

// The image bytes a block stands for, decoded with nothing but the window before `offset`;
// fails the test for a stream that refers further back, runs on or ends early.
std::vector<uint8_t> decode(const std::vector<uint8_t>& image, std::size_t offset,
                            const EncodedBlock& block, uint8_t windowLog) {
    const auto& data = block.data;
    EXPECT_GE(data.size(), 2u);
    if (data.empty()) return {};
    if (data[0] == 0) return {data.begin() + 1, data.end()};
    EXPECT_EQ(data[0], 1) << "form";
    const std::size_t announced = data[1] | std::size_t(data[2]) << 8;
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -int(windowLog)), Z_OK);
    const std::size_t from = offset > (1u << windowLog) ? offset - (1u << windowLog) : 0;
    if (offset > from) {
        EXPECT_EQ(inflateSetDictionary(&z, image.data() + from, uInt(offset - from)), Z_OK);
    }
    std::vector<uint8_t> out(announced + 64);
    z.next_in = const_cast<Bytef*>(data.data() + 3);
    z.avail_in = uInt(data.size() - 3);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_FINISH);
    EXPECT_EQ(rc, Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the stream's end";
    out.resize(out.size() - z.avail_out);
    inflateEnd(&z);
    EXPECT_EQ(out.size(), announced);
    return out;
}

}  // namespace

// Blocks may start anywhere (a resume starts at the controller's acknowledgement), with any
// room the controller gives, and each decodes from the window before it alone.
TEST(BlockEncoder, EveryBlockDecodesFromTheWindowBeforeItAtAnyOffsetAndRoom) {
    const auto image = compiledCode(200'000);
    ASSERT_GT(image.size(), 100'000u);
    for (uint8_t windowLog : {wire::kMinWindowLog, uint8_t(12), wire::kMaxWindowLog}) {
        BlockEncoder encoder(image, windowLog);
        for (std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{511},
                                   std::size_t{513}, std::size_t{32767}, std::size_t{32768},
                                   std::size_t{32769}, std::size_t{70001}, image.size() - 5000,
                                   image.size() - 1}) {
            for (std::size_t maxData : {std::size_t{4}, std::size_t{100}, wire::kMaxBlockData}) {
                SCOPED_TRACE("window " + std::to_string(windowLog) + " offset " +
                             std::to_string(offset) + " room " + std::to_string(maxData));
                const EncodedBlock block = encoder.at(offset, maxData);
                ASSERT_GT(block.imageBytes, 0u);
                ASSERT_LE(offset + block.imageBytes, image.size());
                EXPECT_LE(block.data.size(), maxData);
                EXPECT_EQ(block.compressed, block.data[0] == 1);
                EXPECT_EQ(decode(image, offset, block, windowLog),
                          slice(image, offset, block.imageBytes));
            }
        }
    }
}

// A whole image in order, as a clean load sends it: blocks come near their room and the
// image shrinks about as much as deflate shrinks compiled code.
TEST(BlockEncoder, CompiledCodeFillsItsBlocksAndShrinks) {
    const auto image = compiledCode(300'000);
    BlockEncoder encoder(image, wire::kMaxWindowLog);
    std::size_t onLine = 0, blocks = 0, full = 0, compressed = 0;
    for (std::size_t offset = 0; offset < image.size();) {
        const EncodedBlock block = encoder.at(offset, wire::kMaxBlockData);
        ASSERT_EQ(decode(image, offset, block, wire::kMaxWindowLog),
                  slice(image, offset, block.imageBytes))
            << "offset " << offset;
        onLine += block.data.size();
        ++blocks;
        full += block.data.size() >= 0.9 * wire::kMaxBlockData ? 1 : 0;
        compressed += block.compressed ? 1 : 0;
        offset += block.imageBytes;
    }
    const double ratio = double(image.size()) / double(onLine);
    std::cout << blocks << " blocks, ratio " << ratio << "\n";
    EXPECT_GE(ratio, 1.6);
    EXPECT_GE(full + 1, blocks * 9 / 10) << "blocks use their room";
    EXPECT_GE(compressed + 1, blocks);
}

// What deflate cannot shrink goes plain, filling the block; what shrinks without end stops at
// the most image bytes a block may announce.
TEST(BlockEncoder, IncompressibleGoesPlainAndRepeatsStopAtTheBlockImageLimit) {
    const auto noise = randomBytes(50'000, 3);
    BlockEncoder noisy(noise, wire::kMaxWindowLog);
    for (std::size_t offset : {std::size_t{0}, std::size_t{40'000}, noise.size() - 10}) {
        const EncodedBlock block = noisy.at(offset, wire::kMaxBlockData);
        EXPECT_FALSE(block.compressed);
        EXPECT_EQ(block.data[0], 0);
        EXPECT_EQ(block.imageBytes, std::min(noise.size() - offset, wire::kMaxPlainInCompressed));
        EXPECT_EQ(decode(noise, offset, block, wire::kMaxWindowLog),
                  slice(noise, offset, block.imageBytes));
    }

    const std::vector<uint8_t> zeros(300'000, 0);
    BlockEncoder flat(zeros, wire::kMaxWindowLog);
    std::size_t offset = 0;
    for (int i = 0; i < 3; ++i) {
        const EncodedBlock block = flat.at(offset, wire::kMaxBlockData);
        EXPECT_TRUE(block.compressed);
        EXPECT_EQ(block.imageBytes, wire::kMaxBlockImageBytes);
        EXPECT_EQ(decode(zeros, offset, block, wire::kMaxWindowLog),
                  slice(zeros, offset, block.imageBytes));
        offset += block.imageBytes;
    }

    // Code after noise: the ratio learnt on the noise does not keep the code plain.
    auto mixed = noise;
    const auto code = compiledCode(60'000);
    mixed.insert(mixed.end(), code.begin(), code.end());
    BlockEncoder both(mixed, wire::kMaxWindowLog);
    EXPECT_FALSE(both.at(0, wire::kMaxBlockData).compressed);
    const EncodedBlock block = both.at(noise.size(), wire::kMaxBlockData);
    EXPECT_TRUE(block.compressed);
    EXPECT_GT(block.imageBytes, wire::kMaxBlockData);
}
