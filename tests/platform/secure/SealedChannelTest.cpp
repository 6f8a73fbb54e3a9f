// Sealed frames between two ends of one session: what opens, and what is refused.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/secure/SealedChannel.h"
#include "platform/wire/TcpFraming.h"

namespace {

secure::SessionKeys keys(uint8_t send, uint8_t receive) {
    secure::SessionKeys k;
    k.send.fill(send);
    k.receive.fill(receive);
    return k;
}

wire::Frame frame(bool reply, std::size_t payloadSize, uint16_t sequence = 7) {
    wire::Frame f;
    f.reply = reply;
    f.address = {12, 3};
    f.command = 0x01;
    f.sequence = sequence;
    f.code1 = reply ? 4 : 0;
    f.payload.assign(payloadSize, 0xAB);
    return f;
}

}  // namespace

TEST(SealedChannel, FramesOfEverySizeOpenOnTheOtherEnd) {
    secure::SealedChannel host(keys(1, 2)), controller(keys(2, 1));
    const wire::Frame frames[] = {frame(false, 0), frame(false, 8),
                                  frame(false, wire::kMaxRequestPayload)};
    for (const wire::Frame& request : frames) {
        const wire::Frame outer = host.seal(request);
        EXPECT_TRUE(outer.sealed);
        EXPECT_EQ(outer.address, wire::kDirectAddress);  // nothing of the inner header shows
        auto bytes = wire::encodeTcpFrame(outer);
        ASSERT_TRUE(bytes) << "a full frame sealed still fits the TCP framing";
        wire::TcpFrameDecoder decoder;
        decoder.feed(*bytes);
        auto received = decoder.next();
        ASSERT_TRUE(received && received->ok());
        auto opened = controller.open(received->value());
        ASSERT_TRUE(std::holds_alternative<wire::Frame>(opened));
        EXPECT_EQ(std::get<wire::Frame>(opened), request);

        const wire::Frame reply = frame(true, wire::kMaxReplyPayload, request.sequence);
        auto back = host.open(controller.seal(reply));
        ASSERT_TRUE(std::holds_alternative<wire::Frame>(back));
        EXPECT_EQ(std::get<wire::Frame>(back), reply);
    }
    EXPECT_EQ(host.sent(), 3u);
    EXPECT_EQ(controller.received(), 3u);
}

TEST(SealedChannel, ReplaysChangesAndStrangersAreRefused) {
    using Change = std::function<void(wire::Frame&)>;
    struct Row {
        const char* what;
        Change change;
        secure::OpenError expected;
    };
    const Row rows[] = {
        {"address in the header", [](wire::Frame& f) { f.address.ela = 31; },
         secure::OpenError::Forged},
        {"sequence", [](wire::Frame& f) { f.sequence ^= 1; }, secure::OpenError::Forged},
        {"reply bit", [](wire::Frame& f) { f.reply = !f.reply; }, secure::OpenError::Forged},
        {"counter raised", [](wire::Frame& f) { f.payload[0] += 5; }, secure::OpenError::Forged},
        {"box byte", [](wire::Frame& f) { f.payload[10] ^= 0x40; }, secure::OpenError::Forged},
        {"tag byte", [](wire::Frame& f) { f.payload.back() ^= 1; }, secure::OpenError::Forged},
        {"cut short", [](wire::Frame& f) { f.payload.resize(20); }, secure::OpenError::Malformed},
        {"not marked sealed", [](wire::Frame& f) { f.sealed = false; },
         secure::OpenError::Malformed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        secure::SealedChannel host(keys(1, 2)), controller(keys(2, 1));
        const wire::Frame genuine = host.seal(frame(false, 8));
        wire::Frame outer = genuine;
        row.change(outer);
        auto opened = controller.open(outer);
        ASSERT_TRUE(std::holds_alternative<secure::OpenError>(opened));
        EXPECT_EQ(std::get<secure::OpenError>(opened), row.expected);
        // A refused frame uses nothing up: the genuine one still opens.
        EXPECT_TRUE(std::holds_alternative<wire::Frame>(controller.open(genuine)));
    }
}

TEST(SealedChannel, OnlyTheNextCounterOpens) {
    secure::SealedChannel host(keys(1, 2)), controller(keys(2, 1));
    std::vector<wire::Frame> sent;
    for (uint16_t sequence = 1; sequence <= 3; ++sequence)
        sent.push_back(host.seal(frame(false, 4, sequence)));
    struct Row {
        std::size_t frame;
        std::optional<secure::OpenError> expected;
    };
    const Row rows[] = {
        {1, secure::OpenError::Skipped},  // the first one was left out
        {0, std::nullopt},
        {0, secure::OpenError::Replayed},
        {2, secure::OpenError::Skipped},
        {1, std::nullopt},
        {1, secure::OpenError::Replayed},
        {2, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.frame);
        auto opened = controller.open(sent[row.frame]);
        if (!row.expected) {
            ASSERT_TRUE(std::holds_alternative<wire::Frame>(opened));
            EXPECT_EQ(std::get<wire::Frame>(opened).sequence, row.frame + 1);
        } else {
            ASSERT_TRUE(std::holds_alternative<secure::OpenError>(opened));
            EXPECT_EQ(std::get<secure::OpenError>(opened), *row.expected);
        }
    }
}

TEST(SealedChannel, AFrameOfAnotherSessionOrDirectionDoesNotOpen) {
    secure::SealedChannel host(keys(1, 2)), controller(keys(2, 1)), stranger(keys(3, 4));
    const wire::Frame fromStranger = stranger.seal(frame(false, 4));
    const wire::Frame ownEcho = controller.seal(frame(true, 4));
    auto a = controller.open(fromStranger);
    auto b = controller.open(ownEcho);  // a reflected frame: sealed under the other key
    ASSERT_TRUE(std::holds_alternative<secure::OpenError>(a));
    ASSERT_TRUE(std::holds_alternative<secure::OpenError>(b));
    EXPECT_EQ(std::get<secure::OpenError>(a), secure::OpenError::Forged);
    EXPECT_EQ(std::get<secure::OpenError>(b), secure::OpenError::Forged);
    (void)host;
}
