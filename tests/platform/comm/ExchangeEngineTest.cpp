// The exchange engine over real links against fake controllers: replies are matched to
// requests, everything else is dropped, and every exchange ends.
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
using commtest::pollReply;

namespace {

// No reply to the first request; the next one gets that late reply first (with a payload of
// its own), then its own.
commtest::PeerScript dropFirstThenAnswerItLate() {
    auto dropped = std::make_shared<wire::Frame>();
    return [dropped](const wire::Frame& request, int index) {
        if (index == 0) {
            *dropped = request;
            return PeerAction::drop();
        }
        PeerAction action;
        wire::Frame late = pollReply(*dropped);
        late.payload = {0xEE, 0xEE};
        action.frames = {late, pollReply(request)};
        return action;
    };
}

const wire::Address kAt{1, 5};
const wire::Request kPoll = wire::TelegramRequest{1, {0x98}};

std::unique_ptr<comm::ExchangeEngine> tcpEngine(uint16_t port, uint16_t firstSequence = 1) {
    return std::make_unique<comm::ExchangeEngine>(
        std::make_unique<comm::TcpLink>("127.0.0.1", port, commtest::quickSettings()), firstSequence);
}

std::chrono::milliseconds elapsedSince(comm::Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(comm::Clock::now() - start);
}

wire::Frame withSequence(wire::Frame f, uint16_t sequence) {
    f.sequence = sequence;
    return f;
}

}  // namespace

TEST(ExchangeEngineTcp, NumbersRequestsAndTakesOnlyTheMatchingReply) {
    commtest::TcpPeer peer;
    // Before each reply: a reply with an older sequence, one for another address, one for
    // another command. Only the matching one may end the exchange.
    peer.setScript([](const wire::Frame& request, int) {
        PeerAction action;
        action.frames.push_back(withSequence(pollReply(request), request.sequence - 1));
        wire::Frame other = pollReply(request);
        other.address = {2, 7};
        other.payload = {9, 9};
        action.frames.push_back(other);
        wire::Frame otherCommand = pollReply(request);
        otherCommand.command = 0x01;
        action.frames.push_back(otherCommand);
        action.frames.push_back(pollReply(request));
        return action;
    });
    auto engine = tcpEngine(peer.port(), 0xFFFE);
    for (int i = 0; i < 3; ++i) {
        const comm::Outcome outcome = engine->run(kAt, kPoll);
        ASSERT_EQ(outcome.ending, Ending::Reply) << outcome.why;
        EXPECT_EQ(outcome.reply.address, kAt);
        EXPECT_EQ(outcome.reply.payload, (std::vector<uint8_t>{1, 5}));
    }
    const auto seen = peer.received();
    ASSERT_EQ(seen.size(), 3u);
    // Counts up by one and wraps.
    EXPECT_EQ(seen[0].sequence, 0xFFFE);
    EXPECT_EQ(seen[1].sequence, 0xFFFF);
    EXPECT_EQ(seen[2].sequence, 0x0000);
    EXPECT_EQ(peer.connections(), 1);
}

TEST(ExchangeEngineTcp, DroppedReplyEndsByTheTimeOutAndTheLateReplyIsIgnored) {
    commtest::TcpPeer peer;
    peer.setScript(dropFirstThenAnswerItLate());
    auto engine = tcpEngine(peer.port());
    const auto start = comm::Clock::now();
    const comm::Outcome first = engine->run(kAt, kPoll);
    EXPECT_EQ(first.ending, Ending::TimedOut);
    EXPECT_GE(elapsedSince(start), 150ms);
    EXPECT_LT(elapsedSince(start), 1500ms);

    const comm::Outcome second = engine->run(kAt, kPoll);
    ASSERT_EQ(second.ending, Ending::Reply) << second.why;
    EXPECT_EQ(second.reply.payload, (std::vector<uint8_t>{1, 5}));
}

TEST(ExchangeEngineTcp, LinkClosedMidExchangeFailsThenTheNextExchangeReconnects) {
    commtest::TcpPeer peer;
    peer.setScript([](const wire::Frame& request, int index) {
        return index == 1 ? PeerAction::close() : PeerAction::reply(pollReply(request));
    });
    auto engine = tcpEngine(peer.port());
    EXPECT_EQ(engine->run(kAt, kPoll).ending, Ending::Reply);
    const auto start = comm::Clock::now();
    EXPECT_EQ(engine->run(kAt, kPoll).ending, Ending::LinkLost);
    EXPECT_LT(elapsedSince(start), 150ms);  // not a time-out
    const comm::Outcome again = engine->run(kAt, kPoll);
    EXPECT_EQ(again.ending, Ending::Reply) << again.why;
    EXPECT_EQ(peer.connections(), 2);
}

TEST(ExchangeEngineTcp, PeerThatHungUpWhileIdleIsReconnectedBeforeSending) {
    commtest::TcpPeer peer;
    // A controller that restarts between two exchanges: the first reply is its last word on
    // that connection. The next request has not been seen by anyone, so it must not fail.
    peer.setScript([](const wire::Frame& request, int index) {
        PeerAction action = PeerAction::reply(pollReply(request));
        if (index == 0) action.kind = PeerAction::Kind::ReplyThenClose;
        return action;
    });
    auto engine = tcpEngine(peer.port());
    ASSERT_EQ(engine->run(kAt, kPoll).ending, Ending::Reply);
    peer.waitForHangUps(1);
    const comm::Outcome outcome = engine->run(kAt, kPoll);
    EXPECT_EQ(outcome.ending, Ending::Reply) << outcome.why;
    EXPECT_EQ(peer.connections(), 2);
}

TEST(ExchangeEngineTcp, ClosedPortFailsToStartQuickly) {
    auto engine = tcpEngine(commtest::closedPort());
    const auto start = comm::Clock::now();
    auto exchange = engine->submit(kAt, kPoll);
    EXPECT_FALSE(exchange->waitStarted());
    const comm::Outcome& outcome = exchange->wait();
    EXPECT_EQ(outcome.ending, Ending::NotStarted);
    EXPECT_NE(outcome.why.find("cannot connect"), std::string::npos) << outcome.why;
    EXPECT_LT(elapsedSince(start), 400ms);
    std::string why;
    EXPECT_FALSE(engine->connect(why));
}

TEST(ExchangeEngineTcp, OversizedRequestFailsToStartWithoutTouchingTheLink) {
    commtest::TcpPeer peer;
    auto engine = tcpEngine(peer.port());
    wire::TelegramRequest huge{0, std::vector<uint8_t>(wire::kMaxRequestPayload, 0x98)};
    const comm::Outcome outcome = engine->run(kAt, huge);
    EXPECT_EQ(outcome.ending, Ending::NotStarted);
    EXPECT_EQ(peer.requests(), 0);
}

TEST(ExchangeEngineTcp, SubmitDoesNotWaitForTheReply) {
    commtest::TcpPeer peer;
    peer.setScript([](const wire::Frame&, int) { return PeerAction::drop(); });
    auto engine = tcpEngine(peer.port());
    auto exchange = engine->submit(kAt, kPoll);
    EXPECT_TRUE(exchange->waitStarted());
    EXPECT_FALSE(exchange->done());  // the peer never answers: still running
    EXPECT_EQ(exchange->wait().ending, Ending::TimedOut);
}

TEST(ExchangeEngineTcp, AWaitingCallerQueuesBehindTheExchangeInProgress) {
    commtest::TcpPeer peer;
    peer.setScript([](const wire::Frame& request, int index) {
        return index == 0 ? PeerAction::drop() : PeerAction::reply(pollReply(request));
    });
    auto engine = tcpEngine(peer.port());
    auto background = engine->submit(kAt, kPoll);
    ASSERT_TRUE(background->waitStarted());
    // run() may not take the link while the background exchange waits for its reply.
    const comm::Outcome outcome = engine->run(kAt, kPoll);
    EXPECT_EQ(outcome.ending, Ending::Reply) << outcome.why;
    ASSERT_TRUE(background->done());
    EXPECT_EQ(background->outcome().ending, Ending::TimedOut);
    const auto seen = peer.received();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].sequence, seen[0].sequence + 1);
}

TEST(ExchangeEngineTcp, ShuttingDownEndsTheExchangeInProgressAndTheQueuedOnes) {
    commtest::TcpPeer peer;
    peer.setScript([](const wire::Frame&, int) { return PeerAction::drop(); });
    comm::LinkSettings slow = commtest::quickSettings();
    slow.tcpTimeout = 30s;
    auto engine = std::make_unique<comm::ExchangeEngine>(
        std::make_unique<comm::TcpLink>("127.0.0.1", peer.port(), slow));
    auto running = engine->submit(kAt, kPoll);
    ASSERT_TRUE(running->waitStarted());
    auto queued = engine->submit(kAt, kPoll);
    const auto start = comm::Clock::now();
    engine.reset();
    EXPECT_LT(elapsedSince(start), 1s);
    ASSERT_TRUE(running->done());
    EXPECT_EQ(running->outcome().ending, Ending::LinkLost);
    ASSERT_TRUE(queued->done());
    EXPECT_EQ(queued->outcome().ending, Ending::NotStarted);
}

// ---- serial line (pseudo-terminal) ----

namespace {

std::unique_ptr<comm::ExchangeEngine> serialEngine(const std::string& path,
                                                   comm::LinkSettings s = commtest::quickSettings()) {
    return std::make_unique<comm::ExchangeEngine>(std::make_unique<comm::SerialLink>(path, s));
}

}  // namespace

TEST(ExchangeEngineSerial, ExchangesFramesWithResyncAfterGarbage) {
    commtest::PtyPeer peer;
    peer.setScript([](const wire::Frame& request, int) {
        PeerAction action = PeerAction::reply(pollReply(request));
        // Noise, a false start byte with a plausible length, and a frame of another station.
        action.rawBefore = {0x00, 0x13, wire::kSerialStartByte, 0x08, 0x00, 0x55};
        wire::Frame other = pollReply(request);
        other.address = {3, 3};
        action.frames.insert(action.frames.begin(), other);
        return action;
    });
    auto engine = serialEngine(peer.path());
    for (int i = 0; i < 3; ++i) {
        const comm::Outcome outcome = engine->run(kAt, kPoll);
        ASSERT_EQ(outcome.ending, Ending::Reply) << outcome.why;
        EXPECT_EQ(outcome.reply.address, kAt);
    }
}

TEST(ExchangeEngineSerial, AbsentStationEndsByTheSerialTimeOut) {
    commtest::PtyPeer peer;
    peer.setScript([](const wire::Frame&, int) { return PeerAction::drop(); });
    auto engine = serialEngine(peer.path());
    const auto start = comm::Clock::now();
    EXPECT_EQ(engine->run(kAt, kPoll).ending, Ending::TimedOut);
    EXPECT_GE(elapsedSince(start), 100ms);
    EXPECT_LT(elapsedSince(start), 1500ms);
}

TEST(ExchangeEngineSerial, LateReplyOfATimedOutExchangeIsNotTakenForTheNext) {
    commtest::PtyPeer peer;
    peer.setScript(dropFirstThenAnswerItLate());
    auto engine = serialEngine(peer.path());
    EXPECT_EQ(engine->run(kAt, kPoll).ending, Ending::TimedOut);
    const comm::Outcome second = engine->run(kAt, kPoll);
    ASSERT_EQ(second.ending, Ending::Reply) << second.why;
    EXPECT_EQ(second.reply.payload, (std::vector<uint8_t>{1, 5}));
}

TEST(ExchangeEngineSerial, MissingPortFailsEveryExchangeToStartQuickly) {
    auto engine = serialEngine("/nonexistent/tty-for-krelvan");
    for (int i = 0; i < 2; ++i) {
        const auto start = comm::Clock::now();
        const comm::Outcome outcome = engine->run(kAt, kPoll);
        EXPECT_EQ(outcome.ending, Ending::NotStarted);
        EXPECT_NE(outcome.why.find("cannot open"), std::string::npos) << outcome.why;
        EXPECT_LT(elapsedSince(start), 100ms);
    }
}

TEST(ExchangeEngineSerial, AFileThatIsNoTerminalIsRefused) {
    auto engine = serialEngine("/dev/null");
    const comm::Outcome outcome = engine->run(kAt, kPoll);
    EXPECT_EQ(outcome.ending, Ending::NotStarted);
    EXPECT_NE(outcome.why.find("not a serial port"), std::string::npos) << outcome.why;
}
