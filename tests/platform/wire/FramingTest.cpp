// Frame header, TCP framing and CRC, checked against the examples of docs/protocol.md.
#include <gtest/gtest.h>

#include "Hex.h"
#include "platform/wire/Crc16.h"
#include "platform/wire/FrameCodec.h"
#include "platform/wire/Request.h"
#include "platform/wire/SerialFraming.h"
#include "platform/wire/TcpFraming.h"

using namespace wire;
using wiretest::concat;
using wiretest::hex;

namespace {

Frame pollRequest() {
    Frame f;
    f.address = kDirectAddress;
    f.command = code(Command::Telegram);
    f.sequence = 1;
    f.payload = {0x01, 0x98};
    return f;
}

Frame pollReply() { return makeReplyFrame(pollRequest(), ReplyCode::Ok, 0, {0x01, 0x05}); }

}  // namespace

TEST(Crc16, MatchesTheCcittFalseCheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
              0x29B1);
}

TEST(FrameCodec, EncodesTheDocumentedPollExchange) {
    EXPECT_EQ(*encodeFrame(pollRequest()), hex("10 FF 1E 04 01 00 | 01 98"));
    EXPECT_EQ(*encodeFrame(pollReply()), hex("11 FF 1E 04 01 00 00 00 00 | 01 05"));
    EXPECT_EQ(*encodeTcpFrame(pollRequest()), hex("08 00 10 FF 1E 04 01 00 01 98"));
    EXPECT_EQ(*encodeTcpFrame(pollReply()), hex("0B 00 11 FF 1E 04 01 00 00 00 00 01 05"));
    EXPECT_EQ(*encodeSerialFrame(pollRequest()), hex("A5 08 00 10 FF 1E 04 01 00 01 98 A2 67"));
    EXPECT_EQ(*encodeSerialFrame(pollReply()),
              hex("A5 0B 00 11 FF 1E 04 01 00 00 00 00 01 05 92 F8"));
}

TEST(FrameCodec, ReplyCodesSurviveTheTripIncludingNegativeCode2) {
    Frame reply = makeReplyFrame(pollRequest(), ReplyCode::NoSuchStation, -128);
    reply.code1 = 0xABCD;
    auto decoded = decodeFrame(*encodeFrame(reply));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, reply);
    EXPECT_EQ(decoded->code2, -128);
    // The documented "no such station" reply to a poll of 12:3.
    Frame toBus = pollRequest();
    toBus.address = {12, 3};
    toBus.sequence = 7;
    EXPECT_EQ(*encodeFrame(makeReplyFrame(toBus, ReplyCode::NoSuchStation)),
              hex("11 0C 03 04 07 00 01 00 00"));
}

TEST(FrameCodec, RejectsMalformedFrames) {
    EXPECT_EQ(decodeFrame(hex("10 FF 1E 04 01")).error(), Error::Truncated);
    EXPECT_EQ(decodeFrame({}).error(), Error::Truncated);
    EXPECT_EQ(decodeFrame(hex("11 FF 1E 04 01 00 00 00")).error(), Error::Truncated);
    EXPECT_EQ(decodeFrame(hex("20 FF 1E 04 01 00 01 98")).error(), Error::BadHeader);
    EXPECT_EQ(decodeFrame(hex("12 FF 1E 04 01 00 01 98")).error(), Error::BadHeader);
    EXPECT_EQ(decodeFrame(std::vector<uint8_t>(kMaxFrameSize + 1, 0x10)).error(), Error::Oversized);
}

TEST(FrameCodec, EncodersRefuseFramesBeyondTheMaximum) {
    Frame f = pollRequest();
    f.payload.assign(kMaxRequestPayload, 0);
    EXPECT_TRUE(encodeFrame(f));
    EXPECT_EQ(encodeTcpFrame(f)->size(), kMaxFrameSize + 2);
    f.payload.push_back(0);
    EXPECT_EQ(encodeFrame(f).error(), Error::Oversized);
    EXPECT_EQ(encodeTcpFrame(f).error(), Error::Oversized);
    EXPECT_EQ(encodeSerialFrame(f).error(), Error::Oversized);
    Frame reply = makeReplyFrame(pollRequest(), ReplyCode::Ok, 0,
                                 std::vector<uint8_t>(kMaxReplyPayload + 1, 0));
    EXPECT_EQ(encodeFrame(reply).error(), Error::Oversized);
}

TEST(FrameCodec, AnswersMatchesAddressCommandAndSequence) {
    const Frame request = pollRequest();
    Frame reply = pollReply();
    EXPECT_TRUE(answers(reply, request));
    reply.sequence = 2;
    EXPECT_FALSE(answers(reply, request));
    reply = pollReply();
    reply.address = {255, 31};
    EXPECT_FALSE(answers(reply, request));
    reply = pollReply();
    reply.command = code(Command::ReadVariable);
    EXPECT_FALSE(answers(reply, request));
    EXPECT_FALSE(answers(request, request));
}

TEST(TcpFrameDecoder, DeliversFramesFedOneByteAtATime) {
    const auto stream = concat(*encodeTcpFrame(pollRequest()), *encodeTcpFrame(pollReply()));
    TcpFrameDecoder decoder;
    std::vector<Frame> frames;
    for (uint8_t b : stream) {
        decoder.feed(std::span(&b, 1));
        while (auto next = decoder.next()) {
            ASSERT_TRUE(*next);
            frames.push_back(**next);
        }
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], pollRequest());
    EXPECT_EQ(frames[1], pollReply());
    EXPECT_EQ(decoder.buffered(), 0u);
}

TEST(TcpFrameDecoder, SkipsAFrameWithABadHeaderAndGoesOn) {
    auto bad = *encodeTcpFrame(pollRequest());
    bad[2] = 0x20;  // another protocol version
    TcpFrameDecoder decoder;
    decoder.feed(concat(bad, *encodeTcpFrame(pollReply())));
    auto first = decoder.next();
    ASSERT_TRUE(first && !*first);
    EXPECT_EQ(first->error(), Error::BadHeader);
    auto second = decoder.next();
    ASSERT_TRUE(second && *second);
    EXPECT_EQ(**second, pollReply());
    EXPECT_FALSE(decoder.broken());
}

TEST(TcpFrameDecoder, ALengthOutOfRangeBreaksTheStreamOnce) {
    for (auto [prefix, error] :
         {std::pair{hex("01 10"), Error::Oversized}, std::pair{hex("05 00"), Error::WrongLength},
          std::pair{hex("00 00"), Error::WrongLength}}) {
        TcpFrameDecoder decoder;
        decoder.feed(concat(prefix, *encodeTcpFrame(pollRequest())));
        auto next = decoder.next();
        ASSERT_TRUE(next && !*next);
        EXPECT_EQ(next->error(), error);
        EXPECT_TRUE(decoder.broken());
        // Nothing more comes out of a broken stream, whatever is fed.
        decoder.feed(*encodeTcpFrame(pollRequest()));
        EXPECT_FALSE(decoder.next());
        decoder.reset();
        decoder.feed(*encodeTcpFrame(pollRequest()));
        auto again = decoder.next();
        ASSERT_TRUE(again && *again);
    }
}

TEST(TcpFrameDecoder, WaitsForTheRestOfATruncatedFrame) {
    auto bytes = *encodeTcpFrame(pollReply());
    TcpFrameDecoder decoder;
    decoder.feed(std::span(bytes).first(bytes.size() - 1));
    EXPECT_FALSE(decoder.next());
    decoder.feed(std::span(bytes).last(1));
    auto next = decoder.next();
    ASSERT_TRUE(next && *next);
}

TEST(TcpFrameDecoder, HandlesManyLargeFramesWithoutLosingBytes) {
    std::vector<uint8_t> stream;
    std::vector<Frame> sent;
    for (int i = 0; i < 50; ++i) {
        Frame f = pollRequest();
        f.sequence = static_cast<uint16_t>(i);
        f.payload.assign(kMaxRequestPayload - static_cast<std::size_t>(i), static_cast<uint8_t>(i));
        sent.push_back(f);
        stream = concat(stream, *encodeTcpFrame(f));
    }
    TcpFrameDecoder decoder;
    std::vector<Frame> got;
    for (std::size_t at = 0; at < stream.size(); at += 1000) {
        decoder.feed(
            std::span(stream).subspan(at, std::min<std::size_t>(1000, stream.size() - at)));
        while (auto next = decoder.next()) got.push_back(**next);
    }
    EXPECT_EQ(got, sent);
}
