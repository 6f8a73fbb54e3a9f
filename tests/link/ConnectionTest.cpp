// The presence checks and the connection state they update.
#include <map>

#include "LinkFixture.h"
#include "link/ConnectionChecks.h"

namespace linktest {
namespace {

using ::testing::_;
using ::testing::Invoke;

struct Read {
    kvxglib::VarRef ref;
    int32_t link;
    int32_t flags;
    uint16_t variantType;
};

class ConnectionTest : public LinkTest {
  public:
    // The controller answers the reads whose index is in `answered` with `values`.
    void controller(std::map<int32_t, int16_t> answers) {
        EXPECT_CALL(glib, ReadVariable(_, _, _, 1, 0, _, _, _))
            .WillRepeatedly(
                Invoke([this, answers](int32_t link, kvxglib::VarRef* ref, kvxglib::Variant* value,
                                       int32_t, int32_t, int32_t flags, int32_t*, const char16_t*) {
                    reads.push_back({*ref, link, flags, value->type});
                    auto it = answers.find(ref->index);
                    if (it == answers.end()) return 0;
                    if (value->type == 0x4002) *static_cast<int16_t*>(value->data) = it->second;
                    if (value->type == 0x4008)
                        *static_cast<std::u16string*>(value->data) = u"KVXreal C";
                    return 1;
                }));
    }

    std::vector<Read> reads;
};

TEST_F(ConnectionTest, ReadControllerAddressReadsBothAtTheLocalAddress) {
    struct Case {
        const char* name;
        std::map<int32_t, int16_t> answers;
        bool result;
        int16_t pla;
        int16_t ela;
    };
    const Case cases[] = {
        {"both answer", {{0, 12}, {1, 3}}, true, 12, 3},
        {"ELA read fails", {{0, 12}}, false, 12, 0},
        {"PLA read fails", {{1, 3}}, false, 0, 3},
        {"no controller", {}, false, 0, 0},
    };
    program.connection.CurrentLink = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reads.clear();
        controller(c.answers);
        auto& conn = program.connection;
        conn.CurrentPLA = 99;
        conn.CurrentELA = 98;

        EXPECT_EQ(clink::ReadControllerAddress(program, conn.CurrentPLA, conn.CurrentELA),
                  c.result);

        EXPECT_EQ(conn.CurrentPLA, c.pla);
        EXPECT_EQ(conn.CurrentELA, c.ela);
        ASSERT_EQ(reads.size(), 2u);  // both reads, whatever the first answered
        for (size_t i = 0; i < 2; ++i) {
            const Read& r = reads[i];
            EXPECT_EQ(r.ref.pla, 255);
            EXPECT_EQ(r.ref.ela, 30);
            EXPECT_EQ(r.ref.file, 241);
            EXPECT_EQ(r.ref.index, static_cast<int32_t>(i));
            EXPECT_EQ(r.ref.kind, 1);
            EXPECT_EQ(r.ref.type, 2);
            EXPECT_EQ(r.link, 5);
            EXPECT_EQ(r.flags, Normal);
        }
        ::testing::Mock::VerifyAndClearExpectations(&glib);
    }
}

TEST_F(ConnectionTest, DetectControllerOsKindSetsCOnlyWhenTheProbeAnswers) {
    program.connection.CurrentLink = 5;
    controller({{60, 0}});
    clink::DetectControllerOsKind(program, 12, 3);
    EXPECT_EQ(program.connection.ControllerOsKind, "C");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].ref.pla, 12);
    EXPECT_EQ(reads[0].ref.ela, 3);
    EXPECT_EQ(reads[0].ref.file, 241);
    EXPECT_EQ(reads[0].ref.index, 60);
    EXPECT_EQ(reads[0].ref.type, 5);
    EXPECT_EQ(reads[0].link, 5);
    ::testing::Mock::VerifyAndClearExpectations(&glib);

    controller({});  // an older controller does not know the probe
    clink::DetectControllerOsKind(program, 12, 3);
    EXPECT_EQ(program.connection.ControllerOsKind, "");
}

}  // namespace
}  // namespace linktest
