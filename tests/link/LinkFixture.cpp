#include "LinkFixture.h"

#include <algorithm>

namespace linktest {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

void LinkTest::expectExchange(Exchange& x) {
    ::testing::InSequence order;
    EXPECT_CALL(glib, CreateRequest(168)).WillOnce(Return(Request));
    EXPECT_CALL(glib, BindRequest(Request, _)).WillOnce(Invoke([&x](auto, int32_t link) {
        x.boundLink = link;
        return x.bindResult;
    }));
    EXPECT_CALL(glib, SubmitRequest(Request, _, _, _, _, _))
        .WillOnce(Invoke([&x](auto, const uint8_t* bytes, int16_t count, int16_t option,
                              int32_t flags, std::string& label) {
            x.submitted = true;
            x.bytes.assign(bytes, bytes + count);
            x.option = option;
            x.flags = flags;
            x.label = label;
            if (!x.labelBack.empty()) label = x.labelBack;
            return 1;
        }));
    EXPECT_CALL(glib, StartExchange(Request)).WillOnce(Return(x.starts ? 1 : 0));
    if (x.starts) {
        EXPECT_CALL(glib, ExchangeComplete(Request))
            .Times(x.pollsBeforeDone + 1)
            .WillRepeatedly(Invoke([&x](auto) { return x.polls++ < x.pollsBeforeDone ? 0 : 1; }));
        EXPECT_CALL(glib, FetchReply(Request, _, _, _, _))
            .WillOnce(
                Invoke([&x](auto, uint8_t* reply, int16_t* length, int16_t* code1, int16_t* code2) {
                    x.fetched = true;
                    x.capacity = *length;
                    std::copy(x.reply.begin(), x.reply.end(), reply);
                    *length = x.received >= 0 ? x.received : static_cast<int16_t>(x.reply.size());
                    *code1 = x.code1;
                    *code2 = x.code2;
                    return x.fetchResult;
                }));
    }
    EXPECT_CALL(glib, ReleaseRequest(Request, 168));
}

}  // namespace linktest
