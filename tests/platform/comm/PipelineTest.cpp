// Pipelined exchanges: requests in flight together, outcomes in request order, and every one
// of them still ends when the link times out, breaks or shuts down.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "FakePeer.h"
#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/SerialLink.h"
#include "platform/comm/TcpLink.h"
#include "platform/wire/Request.h"

using namespace std::chrono_literals;
using comm::Ending;
using commtest::PeerAction;

namespace {

comm::LinkSettings quick() {
    comm::LinkSettings s;
    s.tcpConnectTimeout = 500ms;
    s.tcpTimeout = 150ms;
    s.serialTimeout = 100ms;
    s.baud = 115200;
    return s;
}

wire::Frame poll() { return *wire::makeRequestFrame({1, 5}, 0, wire::TelegramRequest{1, {0x98}}); }

struct Case {
    const char* what;
    int failAt;            // request index the peer does not answer; -1: none
    PeerAction::Kind how;  // Drop (time-out) or Close (lost)
    Ending failure;        // how that request and every later one end
};

}  // namespace

TEST(Pipeline, OutcomesComeInOrderAndAFailureEndsTheRest) {
    const std::vector<Case> cases = {
        {"all answered", -1, PeerAction::Kind::Drop, Ending::Reply},
        {"third unanswered", 2, PeerAction::Kind::Drop, Ending::TimedOut},
        {"link closed at the second", 1, PeerAction::Kind::Close, Ending::LinkLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        commtest::TcpPeer peer;
        peer.setScript([&](const wire::Frame& request, int index) {
            if (index == c.failAt) return PeerAction{c.how, {}, {}};
            return PeerAction::reply(commtest::pollReply(request));
        });
        comm::ExchangeEngine engine(
            std::make_unique<comm::TcpLink>("127.0.0.1", peer.port(), quick()));
        auto pipeline = engine.openPipeline();
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(pipeline->push(poll()));
        std::vector<Ending> got;
        while (auto outcome = pipeline->next()) got.push_back(outcome->ending);
        pipeline->close();
        ASSERT_EQ(got.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            if (c.failAt < 0) {
                EXPECT_EQ(got[i], Ending::Reply) << i;
            } else if (i < c.failAt) {
                // A link that breaks may take a reply not yet read with it.
                EXPECT_TRUE(got[i] == Ending::Reply || got[i] == Ending::LinkLost) << i;
            } else if (i == c.failAt) {
                EXPECT_EQ(got[i], c.failure) << i;
            } else {
                // Later requests were answered before the failure showed, ended the same way,
                // or were never sent once the link had failed; but every one ended.
                EXPECT_TRUE(got[i] == c.failure || got[i] == Ending::NotStarted ||
                            got[i] == Ending::Reply)
                    << i;
            }
        }
        // The link serves ordinary exchanges again afterwards.
        EXPECT_EQ(engine.run({1, 5}, wire::TelegramRequest{1, {0x98}}).ending, Ending::Reply);
    }
}

TEST(Pipeline, SerialRequestsAreAllAnsweredInOrder) {
    commtest::PtyPeer peer;
    comm::ExchangeEngine engine(std::make_unique<comm::SerialLink>(peer.path(), quick()));
    auto pipeline = engine.openPipeline();
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(pipeline->push(poll()));
    uint16_t last = 0;
    for (int i = 0; i < 8; ++i) {
        auto outcome = pipeline->next();
        ASSERT_TRUE(outcome);
        ASSERT_EQ(outcome->ending, Ending::Reply) << outcome->why;
        if (i > 0) {
            EXPECT_EQ(outcome->reply.sequence, uint16_t(last + 1));
        }
        last = outcome->reply.sequence;
    }
    pipeline->close();
}

TEST(Pipeline, ShuttingTheEngineDownEndsAnIdlePipeline) {
    commtest::TcpPeer peer;
    auto engine = std::make_unique<comm::ExchangeEngine>(
        std::make_unique<comm::TcpLink>("127.0.0.1", peer.port(), quick()));
    auto pipeline = engine->openPipeline();
    ASSERT_TRUE(pipeline->push(poll()));
    ASSERT_TRUE(pipeline->next());
    engine.reset();  // must not wait for a close that never comes
    EXPECT_FALSE(pipeline->push(poll()));
}
