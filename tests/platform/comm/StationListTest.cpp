// Presence probes against the bus head's station list: absent stations fail at once, listed
// ones are polled for real, the list is fetched again when old, an older head makes probes
// short, and nothing but an option-1 poll is ever answered from the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "FakePeer.h"
#include "platform/comm/PresenceProbe.h"
#include "platform/comm/SerialLink.h"
#include "platform/wire/Command.h"
#include "platform/wire/Request.h"
#include "platform/wire/StationListPayload.h"

using namespace std::chrono_literals;
using comm::Ending;
using commtest::PeerAction;
using wire::ReplyCode;

namespace {

constexpr uint8_t kStationList = wire::code(wire::Command::StationList);

wire::Frame telegram(wire::Address to, uint8_t option, std::vector<uint8_t> bytes = {0x98}) {
    return *wire::makeRequestFrame(to, 0, wire::TelegramRequest{option, std::move(bytes)});
}
wire::Frame probe(wire::Address to) { return telegram(to, 1); }

// A bus head whose list holds `listed` (1:5 and 2:7 twice by default); the stations on it
// answer polls, nobody else does.
commtest::PeerScript head(std::vector<wire::Address> listed) {
    return [listed](const wire::Frame& request, int) {
        if (request.command == kStationList) {
            auto payload = wire::encodePayload(wire::StationListReply{listed});
            return PeerAction::reply(
                wire::makeReplyFrame(request, ReplyCode::Ok, 0, std::move(payload).value()));
        }
        if (std::find(listed.begin(), listed.end(), request.address) == listed.end() &&
            request.address != wire::kDirectAddress)
            return PeerAction::drop();
        return PeerAction::reply(commtest::pollReply(request));
    };
}

// A head from before the list: UnknownCommand to it; only 1:5 answers polls.
PeerAction olderHead(const wire::Frame& request, int) {
    if (request.command == kStationList)
        return PeerAction::reply(wire::makeReplyFrame(request, ReplyCode::UnknownCommand));
    if (request.address == wire::Address{1, 5}) return PeerAction::reply(commtest::pollReply(request));
    return PeerAction::drop();
}

int countOf(const std::vector<wire::Frame>& frames, uint8_t command, wire::Address to) {
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [&](const wire::Frame& f) {
        return f.command == command && f.address == to;
    }));
}

class StationListProbes : public ::testing::Test {
  protected:
    StationListProbes()
        : engine_(std::make_unique<comm::SerialLink>(peer_.path(), commtest::quickSettings())) {}

    comm::Outcome submit(wire::Frame request, comm::StationList::Clock::time_point at) {
        last_ = comm::submitRequest(engine_, std::move(request), at);
        return last_->wait();
    }

    commtest::PtyPeer peer_;
    comm::ExchangeEngine engine_;
    std::shared_ptr<comm::Exchange> last_;
    const comm::StationList::Clock::time_point t0_ = comm::StationList::Clock::now();
};

}  // namespace

TEST_F(StationListProbes, AnswerOnlyOptionOnePollsFromTheList) {
    peer_.setScript(head({{1, 5}, {2, 7}, {2, 7}}));
    const struct {
        const char* what;
        wire::Frame request;
        Ending ending;
        uint16_t code1;
        bool onTheLine;  // the request reached the bus
    } cases[] = {
        {"absent station, probe", probe({3, 3}), Ending::Reply, wire::code(ReplyCode::NoSuchStation),
         false},
        {"listed station, probe", probe({1, 5}), Ending::Reply, wire::code(ReplyCode::Ok), true},
        {"two stations, probe", probe({2, 7}), Ending::Reply, wire::code(ReplyCode::AddressClash),
         false},
        {"direct address, probe", probe(wire::kDirectAddress), Ending::Reply,
         wire::code(ReplyCode::Ok), true},
        {"absent station, option 0 poll", telegram({3, 4}, 0), Ending::TimedOut, 0, true},
        {"absent station, option 1 cold start", telegram({3, 5}, 1, {0x1C, 0xE3}),
         Ending::TimedOut, 0, true},
    };
    for (const auto& c : cases) {
        const wire::Address to = c.request.address;
        const uint8_t command = c.request.command;
        const int before = countOf(peer_.received(), command, to);
        const comm::Outcome outcome = submit(c.request, t0_);
        EXPECT_TRUE(last_->waitStarted()) << c.what;  // a start that failed reads differently
        EXPECT_EQ(outcome.ending, c.ending) << c.what;
        if (c.ending == Ending::Reply) {
            EXPECT_EQ(outcome.reply.code1, c.code1) << c.what;
        }
        EXPECT_EQ(countOf(peer_.received(), command, to) - before, c.onTheLine ? 1 : 0) << c.what;
    }
    EXPECT_EQ(countOf(peer_.received(), kStationList, wire::kDirectAddress), 1);
    EXPECT_TRUE(engine_.stations().listed());
}

TEST_F(StationListProbes, FetchTheListAgainOnceItIsOld) {
    peer_.setScript(head({{1, 5}}));
    submit(probe({3, 3}), t0_);
    submit(probe({3, 4}), t0_ + comm::StationList::kRefresh - 1ms);
    EXPECT_EQ(countOf(peer_.received(), kStationList, wire::kDirectAddress), 1);

    // 3:3 has joined the bus meanwhile: the next list has it.
    peer_.setScript(head({{1, 5}, {3, 3}}));
    const comm::Outcome outcome = submit(probe({3, 3}), t0_ + comm::StationList::kRefresh);
    EXPECT_EQ(countOf(peer_.received(), kStationList, wire::kDirectAddress), 2);
    ASSERT_EQ(outcome.ending, Ending::Reply);
    EXPECT_EQ(outcome.reply.code1, wire::code(ReplyCode::Ok));
}

TEST_F(StationListProbes, AnOlderHeadMakesProbesShortAndNothingElse) {
    peer_.setScript(olderHead);
    const comm::Outcome found = submit(probe({1, 5}), t0_);
    EXPECT_FALSE(engine_.stations().listed());
    ASSERT_EQ(found.ending, Ending::Reply);
    EXPECT_EQ(found.reply.code1, wire::code(ReplyCode::Ok));
    EXPECT_EQ(last_->answerLimit, comm::kProbeAnswerTime);

    EXPECT_EQ(submit(probe({3, 3}), t0_).ending, Ending::TimedOut);
    EXPECT_EQ(countOf(peer_.received(), wire::code(wire::Command::Telegram), {3, 3}), 1);
    submit(telegram({3, 3}, 0), t0_);
    EXPECT_EQ(last_->answerLimit, 0ms);
    // The refusal is remembered like a list: asked again only once it is old.
    EXPECT_EQ(countOf(peer_.received(), kStationList, wire::kDirectAddress), 1);
}

TEST(SerialLinkAnswerLimit, EndsAnUnansweredExchangeWithinTheLimit) {
    commtest::PtyPeer peer;
    peer.setScript([](const wire::Frame&, int) { return PeerAction::drop(); });
    comm::LinkSettings slow = commtest::quickSettings();
    slow.serialTimeout = 20s;
    comm::ExchangeEngine engine(std::make_unique<comm::SerialLink>(peer.path(), slow));
    const auto start = comm::Clock::now();
    const comm::Outcome outcome = engine.submit(probe({3, 3}), comm::kProbeAnswerTime)->wait();
    EXPECT_EQ(outcome.ending, Ending::TimedOut);
    EXPECT_LT(comm::Clock::now() - start, 10s);  // far below the link's own 20 s
}

TEST(StationListPayload, RoundTripsAndRejectsWhatDoesNotFit) {
    const wire::StationListReply reply{{{1, 5}, {2, 7}, {2, 7}, {255, 31}}};
    auto bytes = wire::encodePayload(reply);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (std::vector<uint8_t>{4, 0, 1, 5, 2, 7, 2, 7, 255, 31}));
    EXPECT_EQ(*wire::decodeStationListReply(*bytes), reply);

    const struct {
        std::vector<uint8_t> payload;
        wire::Error error;
    } bad[] = {
        {{}, wire::Error::Truncated},
        {{2, 0, 1, 5}, wire::Error::WrongLength},
        {{1, 0, 1, 5, 9}, wire::Error::WrongLength},
        {{0xFF, 0xFF}, wire::Error::Oversized},
    };
    for (const auto& b : bad) EXPECT_EQ(wire::decodeStationListReply(b.payload).error(), b.error);
    wire::StationListReply tooMany;
    tooMany.stations.resize(wire::kMaxListedStations + 1);
    EXPECT_EQ(wire::encodePayload(tooMany).error(), wire::Error::Oversized);
}
