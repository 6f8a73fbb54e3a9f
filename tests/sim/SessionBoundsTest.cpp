// kvxsim's bounds on what one client may hold: a listener that runs out of descriptors goes
// on accepting once some are free, and connections that stall mid-handshake or say nothing
// are closed while the others are served. The time-outs are set short on the command line.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/secure/Handshake.h"
#include "platform/wire/Command.h"
#include "platform/wire/SecurePayloads.h"
#include "platform/wire/Telegram.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace {

using namespace simtest;
constexpr wire::Address kDirect{255, 30};

const char* kNetwork = R"([Controller Lock]
Serial=SN-LOCK
KvxrealC=yes
Model=300
Address=4:1
Listen=127.0.0.1:0
Password=Lock-1
)";

std::vector<uint8_t> pollReply(TcpClient& c, Ms timeout = 2000ms) {
    auto reply = c.exchange(telegram(kDirect, {wire::telegram::kPoll}, 1), timeout);
    if (!reply || reply->code1 != 0) return {};
    return reply->payload;
}

const std::vector<uint8_t> kLockAnswers{4, 1};

class SessionBounds : public ::testing::Test {
  protected:
    testsupport::TempFolder temp;
    std::unique_ptr<SimProcess> sim;

    void start(std::vector<std::string> extra = {}) {
        temp.write("net.ini", kNetwork);
        std::vector<std::string> args{"--network", temp / "net.ini", "--control", temp / "ctl"};
        args.insert(args.end(), extra.begin(), extra.end());
        sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    TcpClient connect() {
        auto socket = connectTcp(sim->tcp("Lock"));
        EXPECT_TRUE(socket.has_value());
        return TcpClient(socket ? std::move(*socket) : Fd());
    }
};

}  // namespace

TEST_F(SessionBounds, ListenersAcceptAgainOnceDescriptorsAreFree) {
    start();
    // Room for three more descriptors: new ones take the lowest free numbers, so the limit
    // lies where the third free number is.
    std::set<rlim_t> open;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(sim->pid()) + "/fd"))
        open.insert(std::stoul(entry.path().filename().string()));
    rlim_t end = 0;
    for (int free = 0; free < 3; ++end)
        if (open.count(end) == 0) ++free;
    const rlimit limit{end, end};
    ASSERT_EQ(::prlimit(sim->pid(), RLIMIT_NOFILE, &limit, nullptr), 0);

    // Clients are served until every descriptor is taken; the next one waits in the listen
    // queue, unanswered, and the web server and the control socket cannot take anyone either.
    std::vector<TcpClient> holders;
    std::optional<TcpClient> waiting;
    for (int i = 0; i < 32 && !waiting; ++i) {
        TcpClient client = connect();
        if (pollReply(client, 1000ms).empty())
            waiting.emplace(std::move(client));
        else
            holders.push_back(std::move(client));
    }
    ASSERT_TRUE(waiting) << "the descriptors were never used up";
    ASSERT_FALSE(holders.empty());
    EXPECT_FALSE(httpGet(sim->http("Lock"), "/", 1000ms)) << "the web server took a client";
    EXPECT_EQ(control(temp / "ctl", "clear Lock", 1000ms), "");

    holders.clear();
    // The request it sent while it waited is answered once a descriptor is free.
    auto late = waiting->exchange(telegram(kDirect, {wire::telegram::kPoll}, 2), 5000ms);
    ASSERT_TRUE(late) << "the TCP listener gave up after the failed accept";
    EXPECT_EQ(late->payload, kLockAnswers);
    TcpClient fresh = connect();
    EXPECT_EQ(pollReply(fresh), kLockAnswers);
    auto page = httpGet(sim->http("Lock"), "/", 5000ms);
    ASSERT_TRUE(page) << "the web server's listener gave up";
    EXPECT_GT(page->status, 0);
    EXPECT_EQ(control(temp / "ctl", "clear Lock", 5000ms), "ok")
        << "the control listener gave up";
}

TEST_F(SessionBounds, StalledAndSilentConnectionsAreClosedWhileOthersAreServed) {
    start({"--handshake-timeout-ms", "200", "--idle-timeout-ms", "1500"});
    TcpClient served = connect();
    ASSERT_EQ(pollReply(served), kLockAnswers);

    // Hello answered, and then no proof.
    TcpClient stalled = connect();
    secure::HostHandshake host;
    wire::Frame hello;
    hello.address = kDirect;
    hello.command = wire::code(wire::Command::Hello);
    hello.payload = wire::encodePayload(host.hello());
    auto helloReply = stalled.exchange(hello);
    ASSERT_TRUE(helloReply);
    ASSERT_EQ(helloReply->code1, 0);
    TcpClient silent = connect();

    EXPECT_TRUE(stalled.closedWithin(1000ms)) << "mid-handshake limit not applied";
    EXPECT_EQ(pollReply(served), kLockAnswers) << "the others are served meanwhile";
    EXPECT_TRUE(silent.closedWithin(4000ms)) << "idle limit not applied";
    TcpClient later = connect();
    EXPECT_EQ(pollReply(later), kLockAnswers);
}
