// The typed members: the reference and carrier each hands to the library, the value rules,
// and the segment arithmetic.
#include <functional>
#include <limits>

#include "LinkFixture.h"
#include "link/Errors.h"
#include "link/TypedAccess.h"

namespace linktest {
namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

// What one library read or write received.
struct Seen {
    bool write = false;
    int32_t link = 0;
    kvxglib::VarRef ref{};
    uint16_t variantType = 0;
    int32_t count = 0;
    int32_t zero = -1;
    int32_t flags = 0;
    int32_t* status = nullptr;
    std::u16string label;
    int16_t i2 = 0;  // the 16-bit value at call time, for Boolean and integer writes
};

class TypedAccessTest : public LinkTest {
  public:
    // Every read and write is recorded and answered with `result`.
    void record(int32_t result = 1) {
        auto action = [this, result](bool write) {
            return [this, result, write](int32_t link, kvxglib::VarRef* ref,
                                         kvxglib::Variant* value, int32_t count, int32_t zero,
                                         int32_t flags, int32_t* status, const char16_t* label) {
                Seen s;
                s.write = write;
                s.link = link;
                s.ref = *ref;
                s.variantType = value->type;
                s.count = count;
                s.zero = zero;
                s.flags = flags;
                s.status = status;
                s.label = label;
                const uint16_t element = value->type & 0x0FFF;
                if (element == kvxglib::vt::I2 || element == kvxglib::vt::Bool)
                    s.i2 = *static_cast<int16_t*>(value->data);
                seen.push_back(s);
                return result;
            };
        };
        ON_CALL(glib, ReadVariable).WillByDefault(Invoke(action(false)));
        ON_CALL(glib, WriteVariable).WillByDefault(Invoke(action(true)));
        EXPECT_CALL(glib, ReadVariable).Times(::testing::AnyNumber());
        EXPECT_CALL(glib, WriteVariable).Times(::testing::AnyNumber());
    }

    std::vector<Seen> seen;
    int32_t status = 0;
    int16_t i2 = 0;
    float r4 = 0;
    int32_t i4 = 0;
    std::u16string text = u"abc";
};

TEST_F(TypedAccessTest, EveryMemberSendsItsKindTypeIndexAndCarrier) {
    using namespace clink;
    using F = std::function<bool(TypedAccessTest&)>;
    struct Case {
        const char* name;
        F call;
        bool write;
        int32_t kind;
        int32_t type;
        int32_t index;
        uint16_t variant;
    };
    // Segment members get segment 2, offset 5 (index 125); plain members index 77; the file
    // form uses the file number 242.
    const std::u16string t = u"xy";
#define SEG(fn, v) \
    [&](TypedAccessTest& f) { return fn(f.glib, 7, 12, 3, 242, 2, 5, v, Normal, f.status, u"L"); }
#define PLAIN(fn, v) \
    [&](TypedAccessTest& f) { return fn(f.glib, 7, 12, 3, 242, 77, v, Normal, f.status, u"L"); }
#define FILE_(fn, v) \
    [&](TypedAccessTest& f) { return fn(f.glib, 7, 12, 3, 242, v, Normal, f.status, u"L"); }
    const std::vector<Case> cases = {
        {"ReadBool", SEG(ReadBool, f.i2), false, 1, 1, 125, 0x400B},
        {"ReadSmallInt", SEG(ReadSmallInt, f.i2), false, 1, 2, 125, 0x4002},
        {"ReadInt", SEG(ReadInt, f.i2), false, 1, 3, 125, 0x4002},
        {"ReadReal", SEG(ReadReal, f.r4), false, 1, 4, 125, 0x4004},
        {"ReadLong", SEG(ReadLong, f.i4), false, 1, 6, 125, 0x4003},
        {"ReadText", SEG(ReadText, f.text), false, 1, 5, 125, 0x4008},
        {"ReadTextK4", FILE_(ReadTextK4, f.text), false, 4, 5, 242, 0x4008},
        {"ReadBoolK5", PLAIN(ReadBoolK5, f.i2), false, 5, 1, 77, 0x400B},
        {"ReadSmallIntK5", PLAIN(ReadSmallIntK5, f.i2), false, 5, 2, 77, 0x4002},
        {"ReadIntK5", PLAIN(ReadIntK5, f.i2), false, 5, 3, 77, 0x4002},
        {"ReadRealK5", PLAIN(ReadRealK5, f.r4), false, 5, 4, 77, 0x4004},
        {"WriteBool", SEG(WriteBool, 1), true, 1, 1, 125, 0x400B},
        {"WriteSmallInt", SEG(WriteSmallInt, 1), true, 1, 2, 125, 0x4002},
        {"WriteInt", SEG(WriteInt, 1), true, 1, 3, 125, 0x4002},
        {"WriteReal", SEG(WriteReal, 1.5f), true, 1, 4, 125, 0x4004},
        {"WriteLong", SEG(WriteLong, 70000), true, 1, 6, 125, 0x4003},
        {"WriteText", SEG(WriteText, t), true, 1, 5, 125, 0x4008},
        {"WriteTextAt", PLAIN(WriteTextAt, t), true, 1, 5, 77, 0x4008},
        {"WriteBoolK3", PLAIN(WriteBoolK3, 1), true, 3, 1, 77, 0x400B},
        {"WriteSmallIntK3", PLAIN(WriteSmallIntK3, 1), true, 3, 2, 77, 0x4002},
        {"WriteIntK3", PLAIN(WriteIntK3, 1), true, 3, 3, 77, 0x4002},
        {"WriteRealK3", PLAIN(WriteRealK3, 1.5f), true, 3, 4, 77, 0x4004},
        {"WriteLongK3", PLAIN(WriteLongK3, 70000), true, 3, 6, 77, 0x4003},
        {"WriteTextK3", PLAIN(WriteTextK3, t), true, 3, 5, 77, 0x4008},
        {"WriteTextK4", FILE_(WriteTextK4, t), true, 4, 5, 242, 0x4008},
        {"WriteBoolK5", PLAIN(WriteBoolK5, 1), true, 5, 1, 77, 0x400B},
        {"WriteSmallIntK5", PLAIN(WriteSmallIntK5, 1), true, 5, 2, 77, 0x4002},
        {"WriteIntK5", PLAIN(WriteIntK5, 1), true, 5, 3, 77, 0x4002},
        {"WriteRealK5", PLAIN(WriteRealK5, 1.5f), true, 5, 4, 77, 0x4004},
        {"WriteTextK5", PLAIN(WriteTextK5, t), true, 5, 5, 77, 0x4008},
        {"WriteLongAsTextK5", PLAIN(WriteLongAsTextK5, t), true, 5, 6, 77, 0x4008},
    };
#undef SEG
#undef PLAIN
#undef FILE_
    ASSERT_EQ(cases.size(), 31u);
    record();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seen.clear();
        EXPECT_TRUE(c.call(*this));
        ASSERT_EQ(seen.size(), 1u);
        const Seen& s = seen[0];
        EXPECT_EQ(s.write, c.write);
        EXPECT_EQ(s.link, 7);
        EXPECT_EQ(s.ref.pla, 12);
        EXPECT_EQ(s.ref.ela, 3);
        EXPECT_EQ(s.ref.kind, c.kind);
        EXPECT_EQ(s.ref.type, c.type);
        EXPECT_EQ(s.ref.index, c.index);
        EXPECT_EQ(s.ref.file, 242);
        EXPECT_EQ(s.ref.reserved[0] | s.ref.reserved[1], 0);
        EXPECT_EQ(s.variantType, c.variant);
        EXPECT_EQ(s.count, 1);
        EXPECT_EQ(s.zero, 0);
        EXPECT_EQ(s.flags, Normal);
        EXPECT_EQ(s.status, &status);
        EXPECT_EQ(s.label, u"L");
    }
}

TEST_F(TypedAccessTest, BooleanWritesSendMinusOneForAnyNonZero) {
    record();
    struct Case {
        int16_t given;
        int16_t sent;
    };
    for (const Case c : {Case{1, -1}, Case{-1, -1}, Case{5, -1}, Case{0, 0}}) {
        SCOPED_TRACE(c.given);
        seen.clear();
        clink::WriteBool(glib, 0, 1, 1, 241, 0, 3, c.given, Normal, status, u"");
        clink::WriteBoolK3(glib, 0, 1, 1, 241, 3, c.given, Normal, status, u"");
        clink::WriteBoolK5(glib, 0, 1, 1, 241, 3, c.given, Normal, status, u"");
        ASSERT_EQ(seen.size(), 3u);
        for (const Seen& s : seen) EXPECT_EQ(s.i2, c.sent);
    }
}

TEST_F(TypedAccessTest, FailedReadsClearTheirOutputWhereTheyShould) {
    using namespace clink;
    EXPECT_CALL(glib, ReadVariable).WillRepeatedly(Return(0));
    i2 = 9;
    EXPECT_FALSE(ReadBool(glib, 0, 1, 1, 241, 0, 0, i2, 0, status, u""));
    EXPECT_EQ(i2, 0);
    i2 = 9;
    EXPECT_FALSE(ReadBoolK5(glib, 0, 1, 1, 241, 0, i2, 0, status, u""));
    EXPECT_EQ(i2, 0);
    i2 = 9;
    EXPECT_FALSE(ReadSmallInt(glib, 0, 1, 1, 241, 0, 0, i2, 0, status, u""));
    EXPECT_EQ(i2, 0);
    i2 = 9;
    EXPECT_FALSE(ReadSmallIntK5(glib, 0, 1, 1, 241, 0, i2, 0, status, u""));
    EXPECT_EQ(i2, 0);
    i2 = 9;  // the other reads leave the output to the library
    EXPECT_FALSE(ReadInt(glib, 0, 1, 1, 241, 0, 0, i2, 0, status, u""));
    EXPECT_EQ(i2, 9);
}

TEST_F(TypedAccessTest, OnlyTheLowSixteenBitsOfTheResultCount) {
    EXPECT_CALL(glib, WriteVariable).WillOnce(Return(0x10000)).WillOnce(Return(0x10001));
    EXPECT_FALSE(clink::WriteInt(glib, 0, 1, 1, 241, 0, 0, 5, 0, status, u""));
    EXPECT_TRUE(clink::WriteInt(glib, 0, 1, 1, 241, 0, 0, 5, 0, status, u""));
}

TEST_F(TypedAccessTest, SegmentArithmeticAtItsLimits) {
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(clink::SegmentIndex(546, 0), 32760);
    EXPECT_EQ(clink::SegmentIndex(-546, -8), -32768);
    EXPECT_EQ(clink::SegmentIndex(546, max - 32760), max);
    EXPECT_THROW(clink::SegmentIndex(-547, 0), clink::OverflowError);
    EXPECT_THROW(clink::SegmentIndex(-1, std::numeric_limits<int32_t>::min()),
                 clink::OverflowError);
}

TEST_F(TypedAccessTest, AnOverflowingIndexRaisesBeforeAnyCallAndLeavesTheOutput) {
    // The strict mock fails the test on any library call.
    i2 = 9;
    EXPECT_THROW(clink::ReadSmallInt(glib, 0, 1, 1, 241, 547, 0, i2, 0, status, u""),
                 clink::OverflowError);
    EXPECT_EQ(i2, 9);
    EXPECT_THROW(clink::ReadBool(glib, 0, 1, 1, 241, 1, std::numeric_limits<int32_t>::max(), i2, 0,
                                 status, u""),
                 clink::OverflowError);
    EXPECT_THROW(clink::WriteText(glib, 0, 1, 1, 241, -600, 0, text, 0, status, u""),
                 clink::OverflowError);
}

}  // namespace
}  // namespace linktest
