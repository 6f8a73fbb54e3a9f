// The batched pair write: batch flags, the request exchange, and every way it can fail.
#include <array>
#include <chrono>

#include "LinkFixture.h"
#include "link/TypedAccess.h"

namespace linktest {
namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

class WriteVarPairTest : public LinkTest {
  public:
    // The library's batch: each append writes 10 bytes at the cursor.
    void batch(bool opens, int32_t firstAppend = 1) {
        EXPECT_CALL(glib, OpenWriteBatch(_, _, _, &status))
            .WillOnce(
                Invoke([this, opens](uint8_t** start, uint8_t** cursor, int32_t flags, int32_t*) {
                    batchFlags = flags;
                    if (opens) *start = *cursor = buffer.data();
                    return opens ? 1 : 0;
                }));
        EXPECT_CALL(glib, AppendWrite(_, _, _, _, 1, _, &status))
            .WillRepeatedly(
                Invoke([this, firstAppend](kvxglib::VarRef* ref, kvxglib::Variant*, uint8_t* start,
                                           uint8_t** cursor, int32_t, int32_t flags, int32_t*) {
                    appended.push_back(ref->index);
                    appendFlags = flags;
                    if (start == nullptr || *cursor == nullptr) return 0;
                    *cursor += 10;
                    return appended.size() == 1 ? firstAppend : 1;
                }));
    }

    bool write() {
        return clink::WriteVarPair(platform, 7, first, firstValue, second, secondValue, flags,
                                   status, u"pair");
    }

    std::array<uint8_t, 64> buffer{};
    kvxglib::VarRef first{12, 3, 2, 2, 101, 248, {0, 0}};
    kvxglib::VarRef second{12, 3, 1, 1, 102, 248, {0, 0}};
    kvxglib::Variant firstValue{};
    kvxglib::Variant secondValue{};
    int32_t flags = Normal;
    int32_t status = 77;
    int32_t batchFlags = 0;
    int32_t appendFlags = 0;
    std::vector<int32_t> appended;
};

TEST_F(WriteVarPairTest, WritesBothInOneRequest) {
    batch(true);
    Exchange x;
    x.pollsBeforeDone = 2;
    expectExchange(x);
    const auto before = clock.now();

    EXPECT_TRUE(write());

    EXPECT_EQ(batchFlags, Normal | 0x0A000000);
    EXPECT_EQ(appendFlags, Normal | 0x0A000000);
    EXPECT_EQ(appended, (std::vector<int32_t>{101, 102}));  // in order, references as given
    EXPECT_EQ(x.boundLink, 7);
    EXPECT_EQ(x.bytes.size(), 20u);
    EXPECT_EQ(x.option, 0);
    EXPECT_EQ(x.flags, Normal);
    EXPECT_EQ(x.label, "pair");
    EXPECT_EQ(x.capacity, 128);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(clock.now() - before, std::chrono::milliseconds(2));
}

TEST_F(WriteVarPairTest, FlagBitsTwelveAndFifteen) {
    batch(true);
    Exchange x;
    x.pollsBeforeDone = 3;
    expectExchange(x);
    EXPECT_CALL(glib, Yield()).Times(3);
    flags = Normal | 0x8000 | 0x1000;
    const auto before = clock.now();

    EXPECT_TRUE(write());

    EXPECT_EQ(x.option, 1);
    EXPECT_EQ(x.flags, Normal);         // neither bit reaches the submit
    EXPECT_EQ(flags, Normal | 0x1000);  // bit 15 is cleared in the caller's flags
    EXPECT_EQ(clock.now(), before);     // yields, no sleeps
}

TEST_F(WriteVarPairTest, ABatchThatDoesNotOpenSubmitsNothing) {
    batch(false);
    EXPECT_CALL(glib, CreateRequest(168)).WillOnce(Return(Request));
    EXPECT_CALL(glib, BindRequest(Request, 7)).WillOnce(Return(1));
    EXPECT_CALL(glib, ReleaseRequest(Request, 168));
    flags = 0x8000;

    EXPECT_FALSE(write());

    EXPECT_EQ(appended.size(), 1u);  // the second pair is not appended after a failure
    EXPECT_EQ(status, 0);
    EXPECT_EQ(flags, 0);
}

TEST_F(WriteVarPairTest, AFailedFirstAppendStillSendsTheBatch) {
    batch(true, 0);
    Exchange x;
    expectExchange(x);

    EXPECT_TRUE(write());

    EXPECT_EQ(appended.size(), 1u);
    EXPECT_EQ(x.bytes.size(), 10u);
}

TEST_F(WriteVarPairTest, FailuresOfTheExchange) {
    struct Case {
        const char* name;
        int32_t bind;
        bool starts;
        int32_t fetch;
    };
    for (const Case c :
         {Case{"not bound", 0, true, 1}, Case{"cannot start", 1, false, 1},
          Case{"fetch fails", 1, true, 0}, Case{"high bits only", 1, true, 0x20000}}) {
        SCOPED_TRACE(c.name);
        appended.clear();
        batch(true);
        Exchange x;  // outlives the call: the mock's actions write into it
        if (c.bind == 0) {
            EXPECT_CALL(glib, CreateRequest(168)).WillOnce(Return(Request));
            EXPECT_CALL(glib, BindRequest(Request, 7)).WillOnce(Return(0));
            EXPECT_CALL(glib, ReleaseRequest(Request, 168));
        } else {
            x.starts = c.starts;
            x.fetchResult = c.fetch;
            expectExchange(x);
        }
        EXPECT_FALSE(write());
        EXPECT_EQ(status, 0);
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

}  // namespace
}  // namespace linktest
