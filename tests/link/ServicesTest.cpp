// The request telegrams: what each service puts on the wire and what it makes of the reply.
#include <chrono>
#include <functional>

#include "LinkFixture.h"
#include "link/ControllerServices.h"
#include "link/Errors.h"

namespace linktest {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::Eq;
using ::testing::SizeIs;

class ServicesTest : public LinkTest {
  public:
    int32_t status = 0;
    std::vector<uint8_t> partitions;
    int32_t value = -5;
    std::string text = "old";
};

TEST_F(ServicesTest, EachServiceSendsItsBytesOptionFlagsAndLabel) {
    struct Case {
        const char* name;
        std::function<void(ServicesTest&)> call;
        std::vector<uint8_t> bytes;
        int16_t option;
        std::string label;
    };
    program.connection.CurrentLink = 7;
    const std::vector<Case> cases = {
        {"PollController",
         [](ServicesTest& t) { clink::PollController(t.program, 12, 3); },
         {12, 3, 0x98},
         1,
         ""},
        {"CoolStart",
         [](ServicesTest& t) { clink::CoolStart(t.platform, 7, 12, 3); },
         {12, 3, 0x45, 0xBA},
         2,
         "Cool start"},
        {"ColdStart",
         [](ServicesTest& t) { clink::ColdStart(t.platform, 7, 12, 3); },
         {12, 3, 0x1C, 0xE3},
         2,
         "Cold Start"},
        {"ActivateApplication",
         [](ServicesTest& t) { clink::ActivateApplication(t.platform, 7, 12, 3, 14, 0); },
         {12, 3, 0x61, 14, 0},
         0,
         "Activate Application"},
        {"GetAllPartitions",
         [](ServicesTest& t) {
             clink::GetAllPartitions(t.platform, 7, 12, 3, t.partitions, Normal, t.status, "");
         },
         {12, 3, 0xCB, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
         0,
         "GetAllPartitions"},
        {"GetAllPartitions labelled",
         [](ServicesTest& t) {
             clink::GetAllPartitions(t.platform, 7, 12, 3, t.partitions, Normal, t.status, "list");
         },
         {12, 3, 0xCB, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
         0,
         "list"},
        {"GetPartAttrH",
         [](ServicesTest& t) {
             clink::GetPartAttrH(t.platform, 7, 12, 3, 3, 0x0104, t.value, Normal, t.status);
         },
         {12, 3, 0xCB, 0x10, 3, 0x04, 0x01},
         0,
         "GetPartAttrH"},
        {"SetPartAttrH",
         [](ServicesTest& t) {
             clink::SetPartAttrH(t.platform, 7, 12, 3, 3, 9, 0x12345678, Normal, t.status, "size");
         },
         {12, 3, 0xCB, 0x11, 3, 9, 0, 0x78, 0x56, 0x34, 0x12},
         0,
         "size"},
        {"GetPartStringAttr",
         [](ServicesTest& t) {
             clink::GetPartStringAttr(t.platform, 7, 12, 3, 3, 110, t.text, Normal, t.status);
         },
         {12, 3, 0xCB, 0x14, 3, 110, 0},
         0,
         "GetPartStringAttr"},
        {"SetPartStringAttr",
         [](ServicesTest& t) {
             clink::SetPartStringAttr(t.platform, 7, 12, 3, 3, 2, "AB", Normal, t.status);
         },
         {12, 3, 0xCB, 0x15, 3, 2, 0, 0x41, 0x42},
         0,
         "SetPartStringAttr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exchange x;
        x.reply = {0, 0};
        expectExchange(x);
        c.call(*this);
        EXPECT_EQ(x.boundLink, 7);
        EXPECT_THAT(x.bytes, ElementsAreArray(c.bytes));
        EXPECT_EQ(x.option, c.option);
        EXPECT_EQ(x.flags, Normal);
        EXPECT_EQ(x.label, c.label);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, PollControllerAsksForTwoBytesAndReportsTheFetch) {
    for (int32_t fetch : {1, 0}) {
        Exchange x;
        x.reply = {0x98, 0};
        x.fetchResult = fetch;
        expectExchange(x);
        EXPECT_EQ(clink::PollController(program, 12, 3), fetch != 0);
        EXPECT_EQ(x.capacity, 2);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, PollWithLinkPassesTheCallersFlagsStatusAndLabel) {
    Exchange x;
    x.reply = {1, 2};
    x.code1 = 0x22;
    expectExchange(x);
    EXPECT_CALL(glib, Yield()).Times(0);
    int32_t flags = Normal | 0x8000 | 0x40;
    std::string label = "search 12:3";

    EXPECT_TRUE(clink::PollWithLink(platform, 9, 12, 3, flags, status, label));

    EXPECT_EQ(x.boundLink, 9);
    EXPECT_THAT(x.bytes, ElementsAre(12, 3, 0x98));
    EXPECT_EQ(x.option, 2);
    EXPECT_EQ(x.flags, Normal | 0x40);
    EXPECT_EQ(flags, Normal | 0x40);
    EXPECT_EQ(x.label, "search 12:3");
    EXPECT_EQ(status, 0x22);
}

TEST_F(ServicesTest, StartCommandsWaitThreeSecondsWhateverTheAnswer) {
    for (bool starts : {true, false}) {
        Exchange x;
        x.starts = starts;
        x.reply = {0, 0};
        expectExchange(x);
        const auto before = clock.now();
        const int rounds = screen.eventRounds;
        clink::ColdStart(platform, 7, 12, 3);
        const auto waited = clock.now() - before;
        EXPECT_GE(waited, std::chrono::milliseconds(2500));
        EXPECT_LE(waited, std::chrono::milliseconds(3600));
        EXPECT_GT(screen.eventRounds, rounds);  // the window stays alive meanwhile
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, ActivateApplicationSendsOneByteEach) {
    EXPECT_THROW(clink::ActivateApplication(platform, 7, 12, 3, 256, 0), clink::OverflowError);
    EXPECT_THROW(clink::ActivateApplication(platform, 7, 12, 3, 14, -1), clink::OverflowError);
}

TEST_F(ServicesTest, GetAllPartitionsListsExactlyTheBytesThatArrived) {
    struct Case {
        std::vector<uint8_t> reply;
        std::vector<uint8_t> list;
        bool shortReply;
    };
    const Case cases[] = {
        {{1, 2, 5}, {1, 2, 5}, false},
        {{16, 17}, {16, 17}, false},
        {{16}, {16}, true},  // one partition: its number, not 0
        {{}, {}, true},      // none: the empty list
    };
    for (const Case& c : cases) {
        Exchange x;
        x.reply = c.reply;
        expectExchange(x);
        partitions = {9, 9, 9};
        EXPECT_TRUE(clink::GetAllPartitions(platform, 7, 12, 3, partitions, Normal, status));
        EXPECT_EQ(partitions, c.list);
        EXPECT_EQ((status & clink::StatusShortReply) != 0, c.shortReply);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, GetAllPartitionsFailureGivesTheWholeBuffer) {
    Exchange x;
    x.starts = false;
    expectExchange(x);
    partitions = {1, 2};

    EXPECT_FALSE(clink::GetAllPartitions(platform, 7, 12, 3, partitions, Normal, status));

    EXPECT_THAT(partitions, SizeIs(128));
    EXPECT_THAT(partitions, Each(Eq(0)));
    EXPECT_EQ(status, clink::StatusCannotStart);
}

TEST_F(ServicesTest, GetPartAttrHTakesOnlyAFourByteReply) {
    struct Case {
        std::vector<uint8_t> reply;
        int32_t fetch;
        int32_t value;
    };
    const Case cases[] = {
        {{0x78, 0x56, 0x34, 0x12}, 1, 0x12345678},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 1, -1},
        {{1, 2, 3}, 1, -5},
        {{1, 2, 3, 4, 5}, 1, -5},
        {{1}, 1, -5},
        {{1, 2, 3, 4}, 0, -5},
    };
    for (const Case& c : cases) {
        Exchange x;
        x.reply = c.reply;
        x.fetchResult = c.fetch;
        expectExchange(x);
        value = -5;
        EXPECT_EQ(clink::GetPartAttrH(platform, 7, 12, 3, 3, 4, value, Normal, status),
                  c.fetch != 0);
        EXPECT_EQ(value, c.value);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, PartitionTextsConvertFromTheControllersCodePage) {
    struct Case {
        std::vector<uint8_t> reply;
        int32_t flags;
        int32_t fetch;
        std::string text;
    };
    const Case cases[] = {
        {{0x8E, 'B'}, Normal, 1, "\u00C4B"},  // code page 850 Ä
        {{0x8E, 'B'},
         Normal | 0x4000,
         1,
         "\x8E"
         "B"},                    // bit 14: the bytes as they came
        {{'Z'}, Normal, 1, "Z"},  // one byte is the whole text
        {{}, Normal, 1, ""},
        {{'A', 'B'}, Normal, 0, "old"},  // a failure leaves the text
    };
    for (const Case& c : cases) {
        Exchange x;
        x.reply = c.reply;
        x.fetchResult = c.fetch;
        expectExchange(x);
        text = "old";
        EXPECT_EQ(clink::GetPartStringAttr(platform, 7, 12, 3, 3, 2, text, c.flags, status),
                  c.fetch != 0);
        EXPECT_EQ(text, c.text);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, PartitionTextsConvertToTheControllersCodePage) {
    struct Case {
        std::string text;
        int32_t flags;
        std::vector<uint8_t> tail;
    };
    const Case cases[] = {
        {"\u00C4r", Normal, {0x8E, 'r'}},
        {"\u00C4", Normal | 0x4000, {0xC3, 0x84}},  // bit 14: no conversion
        {"\u20AC1", Normal, {'?', '1'}},            // a character the code page lacks
        {"", Normal, {}},
    };
    for (const Case& c : cases) {
        Exchange x;
        x.reply = {0, 0};
        expectExchange(x);
        clink::SetPartStringAttr(platform, 7, 12, 3, 1, 2, c.text, c.flags, status);
        std::vector<uint8_t> expected{12, 3, 0xCB, 0x15, 1, 2, 0};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(x.bytes, expected);
        EXPECT_EQ(x.flags, Normal);  // bit 14 is for this layer only
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ServicesTest, APartitionTextLongerThanAControllerKeepsIsNotSent) {
    std::string umlauts;
    for (int i = 0; i < 64; ++i) umlauts += "\u00C4";  // 128 bytes here, 64 in code page 850
    struct Case {
        std::string text;
        int32_t flags;
        bool sent;
    };
    const Case cases[] = {
        {std::string(127, 'x'), Normal, true},
        {std::string(128, 'x'), Normal, false},
        {umlauts + umlauts.substr(0, 126), Normal, true},  // 127 characters, one byte each
        {umlauts, Normal | 0x4000, false},                  // unconverted: 128 bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        Exchange x;
        x.reply = {0, 0};
        if (c.sent) expectExchange(x);  // the strict mock sees nothing otherwise
        status = 0;
        EXPECT_EQ(clink::SetPartStringAttr(platform, 7, 12, 3, 1, 2, c.text, c.flags, status),
                  c.sent);
        EXPECT_EQ(status, c.sent ? 0 : 0x0008);  // OutOfRange, as the controller answers
        if (c.sent) {
            EXPECT_EQ(x.bytes.size(), 7u + 127u);
        }
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

}  // namespace
}  // namespace linktest
