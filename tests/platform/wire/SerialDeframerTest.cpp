// Finding frames on a serial line: garbage, false start bytes, bad CRCs, split feeds.
#include <gtest/gtest.h>

#include "Hex.h"
#include "platform/wire/Crc16.h"
#include "platform/wire/Request.h"
#include "platform/wire/SerialFraming.h"

using namespace wire;
using wiretest::concat;
using wiretest::hex;

namespace {

Frame readRequest(uint16_t sequence) {
    return *makeRequestFrame(kDirectAddress, sequence, ReadRequest{{1, VarType::SmallInt, 241, 0}});
}

struct Drained {
    std::vector<Frame> frames;
    std::vector<Error> errors;
};

Drained drain(SerialDeframer& d) {
    Drained out;
    while (auto next = d.next()) {
        if (*next)
            out.frames.push_back(**next);
        else
            out.errors.push_back(next->error());
    }
    return out;
}

}  // namespace

TEST(SerialDeframer, FindsAFrameAfterGarbage) {
    SerialDeframer d;
    d.feed(concat(hex("00 13 FF 7E"), *encodeSerialFrame(readRequest(1))));
    auto out = drain(d);
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0], readRequest(1));
    EXPECT_TRUE(out.errors.empty());
    EXPECT_EQ(d.skippedBytes(), 4u);
    EXPECT_FALSE(d.hasPartial());
}

TEST(SerialDeframer, RejectsStartBytesWithImpossibleLengths) {
    SerialDeframer d;
    d.feed(concat(hex("A5 05 00 A5 01 10"), *encodeSerialFrame(readRequest(2))));
    auto out = drain(d);
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.errors, (std::vector{Error::WrongLength, Error::Oversized}));
}

TEST(SerialDeframer, AfterABadCrcRescansInsideTheRejectedBytes) {
    // A corrupted frame whose announced length swallows the real frame that follows it: the
    // real frame must still be found, since only the false start byte is dropped.
    auto corrupt = *encodeSerialFrame(readRequest(1));
    corrupt[5] ^= 0x40;
    auto good = *encodeSerialFrame(readRequest(2));
    auto falseStart = hex("A5 0A 00");  // plausible length 10, covering part of `good`
    SerialDeframer d;
    d.feed(concat(concat(corrupt, falseStart), good));
    auto out = drain(d);
    EXPECT_EQ(out.errors, (std::vector{Error::BadCrc, Error::BadCrc}));
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0], readRequest(2));
}

TEST(SerialDeframer, AbandonsACandidateWhenTheLineGoesIdle) {
    // Garbage "A5 40 00" announces 64 bytes; the real reply is shorter and would wait forever.
    auto good = *encodeSerialFrame(readRequest(3));
    SerialDeframer d;
    d.feed(concat(hex("A5 40 00"), good));
    EXPECT_TRUE(drain(d).frames.empty());
    EXPECT_TRUE(d.hasPartial());
    d.abandonPartial();
    auto out = drain(d);
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0], readRequest(3));
    EXPECT_FALSE(d.hasPartial());
}

TEST(SerialDeframer, AssemblesFramesSplitAcrossFeeds) {
    std::vector<uint8_t> stream;
    for (uint16_t s = 0; s < 20; ++s) stream = concat(stream, *encodeSerialFrame(readRequest(s)));
    SerialDeframer d;
    std::vector<Frame> frames;
    for (std::size_t at = 0; at < stream.size(); at += 7) {
        d.feed(std::span(stream).subspan(at, std::min<std::size_t>(7, stream.size() - at)));
        auto out = drain(d);
        EXPECT_TRUE(out.errors.empty());
        frames.insert(frames.end(), out.frames.begin(), out.frames.end());
    }
    ASSERT_EQ(frames.size(), 20u);
    for (uint16_t s = 0; s < 20; ++s) EXPECT_EQ(frames[s].sequence, s);
}

TEST(SerialDeframer, ACrcGoodFrameThatDoesNotDecodeIsDroppedWhole) {
    // Another protocol version with a valid CRC: the frame is skipped, including any start
    // bytes inside it, and the next frame is found.
    Frame f = readRequest(4);
    f.payload = {0xA5, 0x06, 0x00, 0xA5};
    auto bytes = *encodeSerialFrame(f);
    bytes[3] = 0x20;
    const uint16_t crc = crc16(std::span(bytes).subspan(1, bytes.size() - 3));
    bytes[bytes.size() - 2] = static_cast<uint8_t>(crc);
    bytes[bytes.size() - 1] = static_cast<uint8_t>(crc >> 8);
    SerialDeframer d;
    d.feed(concat(bytes, *encodeSerialFrame(readRequest(5))));
    auto out = drain(d);
    EXPECT_EQ(out.errors, std::vector{Error::BadHeader});
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0].sequence, 5);
}

TEST(SerialDeframer, ResetForgetsAPartialFrame) {
    auto bytes = *encodeSerialFrame(readRequest(6));
    SerialDeframer d;
    d.feed(std::span(bytes).first(6));
    EXPECT_TRUE(drain(d).frames.empty());
    d.reset();
    d.feed(*encodeSerialFrame(readRequest(7)));
    auto out = drain(d);
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.frames[0].sequence, 7);
}
