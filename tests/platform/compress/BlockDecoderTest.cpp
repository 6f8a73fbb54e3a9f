// The controller's block decoder against streams zlib itself makes: what it gives back, what it
// refuses, and the memory it holds while it does.
#include <gtest/gtest.h>

#include <string>

#include "platform/compress/BlockDecoder.h"
#include "platform/wire/TransferPayloads.h"
#include "support/DeflateBlocks.h"

using namespace compress;
using testsupport::codeLike;
using testsupport::deflateBlock;
using testsupport::deflateRaw;

using testsupport::slice;

TEST(BlockDecoder, GivesBackTheImageBytesOfGoodBlocks) {
    const std::vector<uint8_t> image = codeLike(120'000, 7);
    // The window's worth of image before the block, as the encoder held it.
    auto history = [&](std::size_t offset, int log) {
        const std::size_t from = offset > (1u << log) ? offset - (1u << log) : 0;
        return std::span(image).subspan(from, offset - from);
    };
    struct Row {
        const char* what;
        uint8_t windowLog;
        std::size_t offset, size;
        bool plain;
        std::size_t stagedPast = 0;  // bytes staged past the offset (a block sent again)
    };
    const std::vector<Row> rows = {
        {"first block, nothing before it", 15, 0, 20'000, false},
        {"refers back into the window staged before it", 15, 50'000, 30'000, false},
        {"a block sent again over bytes already staged", 15, 50'000, 30'000, false, 9'000},
        {"a small window", 9, 70'000, 12'000, false},
        {"the image's last bytes", 12, 120'000 - 5'000, 5'000, false},
        {"plain bytes", 15, 1'000, 4'000, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto expected = slice(image, row.offset, row.size);
        std::vector<uint8_t> data;
        if (row.plain) {
            data = *wire::encodeBlockData({wire::BlockForm::Plain, 0, expected});
        } else {
            const auto stream = deflateRaw(expected, history(row.offset, row.windowLog),
                                           row.windowLog);
            // Only a stream that leans on the staged bytes tests that the decoder has them.
            if (row.offset > 0) {
                EXPECT_LT(stream.size(), deflateRaw(expected, {}, row.windowLog).size());
            }
            data = deflateBlock(row.size, stream);
        }
        BlockDecoder decoder(row.windowLog);
        const auto staged = std::span(image).first(row.offset + row.stagedPast);
        const Decoded got = decoder.decode(staged, row.offset, data, image.size());
        EXPECT_EQ(got.status, DecodeStatus::Ok) << decodeStatusName(got.status);
        EXPECT_EQ(got.bytes, expected);
        EXPECT_LE(decoder.peakMemory(), kMaxDecoderMemory);
    }
    // docs/protocol.md's example: 20 bytes deflated against the 5 staged before them.
    const std::string pump = "Pump Pump Pump Pump Pump ";
    const std::vector<uint8_t> whole(pump.begin(), pump.end());
    const std::vector<uint8_t> example = {0x01, 0x14, 0x00, 0x0B, 0xC0, 0x42, 0x00, 0x00};
    const Decoded got = BlockDecoder(15).decode(std::span(whole).first(5), 5, example, 25);
    EXPECT_EQ(got.status, DecodeStatus::Ok);
    EXPECT_EQ(got.bytes, slice(whole, 5, 20));
}

TEST(BlockDecoder, MemoryIsCountedAndBounded) {
    const std::vector<uint8_t> image = codeLike(60'000, 3);
    const auto data = deflateBlock(20'000, deflateRaw(slice(image, 40'000, 20'000),
                                                      slice(image, 40'000 - 32'768, 32'768)));
    // The largest window and the inflater's state, and nothing near the block's size.
    BlockDecoder full(15);
    EXPECT_EQ(full.decode(image, 40'000, data, image.size()).status, DecodeStatus::Ok);
    EXPECT_GT(full.peakMemory(), 32'768u);
    EXPECT_LE(full.peakMemory(), kMaxDecoderMemory);
    std::printf("inflater peak for a 32 KiB window: %zu bytes\n", full.peakMemory());

    // A bound below what the inflater needs: refused, and nothing past it was ever held.
    for (std::size_t limit : {std::size_t(0), std::size_t(4'096), std::size_t(20'000),
                              std::size_t(36'000)}) {
        SCOPED_TRACE(limit);
        BlockDecoder tight(15, limit);
        const Decoded got = tight.decode(image, 40'000, data, image.size());
        EXPECT_EQ(got.status, DecodeStatus::MemoryExceeded) << decodeStatusName(got.status);
        EXPECT_TRUE(got.bytes.empty());
        EXPECT_LE(tight.peakMemory(), limit);
    }
}

TEST(BlockDecoder, RefusesWhatWouldBlowTheBoundOrCorruptTheImage) {
    const std::vector<uint8_t> image = codeLike(40'000, 11);
    const auto part = slice(image, 10'000, 3'000);
    const auto good = deflateRaw(part, slice(image, 0, 10'000));

    // Megabytes of zeros in under 4 KiB: what a decompression bomb looks like.
    const std::vector<uint8_t> zeros(3u << 20, 0);
    const auto bomb = deflateRaw(zeros, {});
    ASSERT_LE(bomb.size(), wire::kMaxDeflateInBlock);

    // 2,000 bytes whose second half repeats the first from 1,400 back: inside a 32 KiB window,
    // past a 512-byte one.
    std::vector<uint8_t> farRepeat = codeLike(2'000, 5);
    for (std::size_t i = 1'500; i < 2'000; ++i) farRepeat[i] = farRepeat[i - 1'400];
    // Bytes the encoder thought were there before offset 0.
    const std::vector<uint8_t> before = codeLike(300, 9);

    auto withTail = [](std::vector<uint8_t> v) {
        v.push_back(0x00);
        return v;
    };
    struct Row {
        const char* what;
        uint8_t windowLog;
        std::span<const uint8_t> staged;
        std::size_t offset;
        std::vector<uint8_t> data;
        std::size_t limit;
        DecodeStatus expected;
    };
    const std::vector<Row> rows = {
        {"announces one byte more than it holds", 15, image, 10'000, deflateBlock(3'001, good),
         image.size(), DecodeStatus::WrongLength},
        {"announces one byte less than it holds", 15, image, 10'000, deflateBlock(2'999, good),
         image.size(), DecodeStatus::WrongLength},
        {"bomb announcing the most a block may hold", 15, image, 0, deflateBlock(65'535, bomb),
         1u << 24, DecodeStatus::WrongLength},
        {"bomb announcing more than remains", 15, image, 30'000, deflateBlock(65'535, bomb),
         image.size(), DecodeStatus::TooLong},
        {"plain bytes past the limit", 15, image, 39'000,
         *wire::encodeBlockData({wire::BlockForm::Plain, 0, std::vector<uint8_t>(1'001, 1)}),
         image.size(), DecodeStatus::TooLong},
        {"starts past the limit", 15, image, 40'001, deflateBlock(1, deflateRaw(part, {})),
         image.size(), DecodeStatus::TooLong},
        {"refers back before offset 0", 15, std::span(before).first(100), 100,
         deflateBlock(200, deflateRaw(slice(before, 100, 200), before)), 1'000,
         DecodeStatus::TooFarBack},
        {"refers back past a small window", 9, farRepeat, 0, deflateBlock(2'000,
         deflateRaw(farRepeat, {})), 2'000, DecodeStatus::TooFarBack},
        {"refers into staged bytes past a small window", 9, farRepeat, 1'500,
         deflateBlock(500, deflateRaw(slice(farRepeat, 1'500, 500), slice(farRepeat, 0, 1'500))),
         2'000, DecodeStatus::TooFarBack},
        {"a byte after the final block", 15, image, 10'000, deflateBlock(3'000, withTail(good)),
         image.size(), DecodeStatus::Malformed},
        {"stream cut short", 15, image, 10'000,
         deflateBlock(3'000, slice(good, 0, good.size() / 2)), image.size(),
         DecodeStatus::Malformed},
        {"a reserved deflate block type", 15, image, 0, deflateBlock(10, {0x07, 0x00}),
         image.size(), DecodeStatus::Malformed},
        {"an unknown form", 15, image, 0, {0x02, 0x41}, image.size(), DecodeStatus::Malformed},
        {"a deflate header and no stream", 15, image, 0, {0x01, 0x10, 0x00}, image.size(),
         DecodeStatus::Malformed},
        {"staged bytes do not reach the offset", 15, std::span(image).first(5'000), 10'000,
         deflateBlock(3'000, good), image.size(), DecodeStatus::Malformed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        BlockDecoder decoder(row.windowLog);
        const Decoded got = decoder.decode(row.staged, row.offset, row.data, row.limit);
        EXPECT_EQ(got.status, row.expected) << decodeStatusName(got.status);
        EXPECT_TRUE(got.bytes.empty());
        EXPECT_LE(decoder.peakMemory(), kMaxDecoderMemory);
        // Refused on its announcement alone: the inflater was never even made.
        if (row.expected == DecodeStatus::TooLong) {
            EXPECT_EQ(decoder.peakMemory(), 0u);
        }
    }
}
