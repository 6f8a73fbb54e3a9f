// The exchange routine under every request telegram: bytes, options, flags, waiting, and the
// status word.
#include <chrono>

#include "LinkFixture.h"
#include "link/ControllerServices.h"
#include "link/Errors.h"

namespace linktest {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Eq;
using ::testing::SizeIs;

class SendRequestTest : public LinkTest {
  public:
    bool send(int16_t option = 0) {
        return clink::SendRequest(platform, link, pla, ela, request, reply, replyLength, flags,
                                  status, label, option);
    }

    int32_t link = 7;
    int16_t pla = 12;
    int16_t ela = 3;
    std::vector<uint8_t> request{0xEE, 0xEE, 0x98, 0x01};
    std::vector<uint8_t> reply;
    int16_t replyLength = 2;
    int32_t flags = Normal;
    int32_t status = 0x5555;
    std::string label = "poll";
};

TEST_F(SendRequestTest, FillsTheAddressSubmitsAndShrinksTheReply) {
    Exchange x;
    x.pollsBeforeDone = 3;
    x.reply = {0xA1, 0xA2, 0xA3};
    x.labelBack = "poll (changed)";
    expectExchange(x);
    const auto before = clock.now();

    EXPECT_TRUE(send(2));

    EXPECT_EQ(x.boundLink, 7);
    EXPECT_THAT(x.bytes, ElementsAre(12, 3, 0x98, 0x01));
    EXPECT_THAT(request, ElementsAre(12, 3, 0x98, 0x01));
    EXPECT_EQ(x.option, 2);
    EXPECT_EQ(x.flags, Normal);
    EXPECT_EQ(x.label, "poll");
    EXPECT_EQ(label, "poll (changed)");  // the library's change is kept
    EXPECT_EQ(x.capacity, 2);            // the caller's length goes in unchanged
    EXPECT_EQ(replyLength, 3);
    EXPECT_THAT(reply, ElementsAre(0xA1, 0xA2, 0xA3));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(clock.now() - before, std::chrono::milliseconds(3));  // one 1 ms sleep per poll
}

TEST_F(SendRequestTest, BitTwelveYieldsInsteadOfSleepingAndIsNotSubmitted) {
    Exchange x;
    x.pollsBeforeDone = 2;
    x.reply = {1, 2};
    expectExchange(x);
    EXPECT_CALL(glib, Yield()).Times(2);
    flags = Normal | 0x1000 | 0x20;
    const auto before = clock.now();

    EXPECT_TRUE(send());

    EXPECT_EQ(x.flags, Normal | 0x20);
    EXPECT_EQ(flags, Normal | 0x1000 | 0x20);  // the caller keeps bit 12
    EXPECT_EQ(clock.now(), before);
}

TEST_F(SendRequestTest, BitFifteenTurnsOptionZeroIntoOneAndIsCleared) {
    struct Case {
        int16_t option;
        int32_t flags;
        int16_t sentOption;
        int32_t flagsAfter;
    };
    for (const Case c : {Case{0, 0x8000, 1, 0}, Case{2, 0x8000, 2, 0}, Case{0, Normal, 0, Normal},
                         Case{0, Normal | 0x8000, 1, Normal}}) {
        SCOPED_TRACE(c.flags);
        Exchange x;
        x.reply = {1, 2};
        expectExchange(x);
        flags = c.flags;
        send(c.option);
        EXPECT_EQ(x.option, c.sentOption);
        EXPECT_EQ(x.flags, c.flagsAfter);
        EXPECT_EQ(flags, c.flagsAfter);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(SendRequestTest, StatusWordCarriesTheReplyCodes) {
    struct Case {
        int16_t code1;
        int16_t code2;
        int16_t received;
        int32_t fetchResult;
        uint32_t status;
    };
    const Case cases[] = {
        {0x1234, 5, 4, 1, 0x00120534u},
        {0x0034, -1, 4, 1, 0xFFFFFF34u},  // a negative code 2 fills the upper half
        {0, -128, 4, 1, 0xFFFF8000u},
        {0, 127, 4, 1, 0x00007F00u},
        {0x00FF, 0, 1, 1, 0x400000FFu},  // at most one byte: bit 30
        {0, 0, 0, 1, 0x40000000u},
        {0x0102, 3, 0, 0, 0x00010302u},  // a failed fetch sets no bit 30 but keeps the codes
        {0, 0, 4, 0x10000, 0u},          // only the low 16 bits of the fetch result count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        Exchange x;
        x.reply = {9, 9, 9, 9};
        x.received = c.received;
        x.code1 = c.code1;
        x.code2 = c.code2;
        x.fetchResult = c.fetchResult;
        expectExchange(x);
        const bool fetched = static_cast<int16_t>(c.fetchResult) != 0;
        EXPECT_EQ(send(), fetched);
        EXPECT_EQ(static_cast<uint32_t>(status), c.status);
        // Short or failed replies keep the full buffer.
        EXPECT_THAT(reply, SizeIs(fetched && c.received > 1 ? c.received : 128));
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(SendRequestTest, TheLibraryIsNeverToldTheBufferHoldsMoreThan128Bytes) {
    struct Case {
        int16_t asked;
        int16_t capacity;
    };
    const Case cases[] = {{2, 2}, {128, 128}, {129, 128}, {INT16_MAX, 128}, {-1, 0}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        Exchange x;
        x.received = 0;
        expectExchange(x);
        replyLength = c.asked;
        send();
        EXPECT_EQ(x.capacity, c.capacity);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(SendRequestTest, ReplyCodeTwoOutsideASignedByteIsAnOverflow) {
    for (int16_t code2 : {int16_t{128}, int16_t{-129}, int16_t{300}}) {
        Exchange x;
        x.reply = {1, 2};
        x.code2 = code2;
        expectExchange(x);  // the request object is still released
        EXPECT_THROW(send(), clink::OverflowError);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(SendRequestTest, AnExchangeThatCannotStartLeavesExactlyTheStartBit) {
    Exchange x;
    x.starts = false;
    expectExchange(x);
    reply = {7, 7, 7};

    EXPECT_FALSE(send());

    EXPECT_EQ(status, clink::StatusCannotStart);
    EXPECT_THAT(reply, SizeIs(128));
    EXPECT_THAT(reply, Each(Eq(0)));
    EXPECT_FALSE(x.fetched);
}

TEST_F(SendRequestTest, AnAddressOutsideOneByteRaisesBeforeAnyCall) {
    for (auto [p, e] : {std::pair<int16_t, int16_t>{256, 3}, {-1, 3}, {12, 300}, {12, -5}}) {
        pla = p;
        ela = e;
        EXPECT_THROW(send(), clink::OverflowError);  // the strict mock sees no call
    }
}

}  // namespace
}  // namespace linktest
