// The bus's station list in kvxsim: a gateway and the serial bus head list the stations
// present now, an older one answers UnknownCommand, and two stations at one address are
// listed twice, refused by the gateway and garbled on the serial line.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/wire/StationListPayload.h"
#include "platform/wire/Telegram.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace {

using namespace simtest;
using wire::Address;
using wire::ReplyCode;
namespace tg = wire::telegram;

constexpr Address kDirect{255, 30};

const char* kNetwork = R"([Simulator]
ColdStartMs=300
AddressClashes=yes

[Controller Gate]
Serial=SN-GATE
Address=1:5
ExtraAddresses=255:31
Listen=127.0.0.1:0

[Controller Old]
Serial=SN-OLD
Address=2:1
Listen=127.0.0.1:0
StationList=no

[Controller Head]
Bus=serial
Serial=SN-HEAD
Address=10:1

[Controller Second]
Bus=serial
Serial=SN-2
Address=10:2

[Controller TwinA]
Bus=serial
Serial=SN-TA
Address=10:9

[Controller TwinB]
Bus=serial
Serial=SN-TB
Address=10:9
)";

const std::vector<Address> kBus = {{10, 1}, {10, 2}, {10, 9}, {10, 9}};

wire::Frame listRequest() {
    wire::Frame f;
    f.address = kDirect;
    f.command = wire::code(wire::Command::StationList);
    f.sequence = 9;
    return f;
}

// The listed addresses, or the reply code as {0xEE, code} when there is no list.
std::vector<Address> listed(const std::optional<wire::Frame>& reply) {
    if (!reply) return {{0xEE, 0xEE}};
    if (reply->code1 != 0) return {{0xEE, static_cast<uint8_t>(reply->code1)}};
    auto decoded = wire::decodeStationListReply(reply->payload);
    return decoded ? decoded->stations : std::vector<Address>{{0xEE, 0}};
}

std::vector<Address> plus(std::vector<Address> front, const std::vector<Address>& back) {
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

class StationListSim : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<SimProcess>(std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    TcpClient connect(const std::string& id) {
        auto socket = connectTcp(sim->tcp(id));
        EXPECT_TRUE(socket.has_value());
        return TcpClient(socket ? std::move(*socket) : Fd());
    }

    testsupport::TempFolder temp;
    std::unique_ptr<SimProcess> sim;
};

TEST_F(StationListSim, HeadsListTheirBusAndOlderOnesDoNotKnowTheCommand) {
    auto gate = connect("Gate");
    auto old = connect("Old");
    SerialClient bus(sim->serial());
    ASSERT_TRUE(bus.ok());
    wire::Frame toStation = listRequest();
    toStation.address = {10, 2};
    wire::Frame withPayload = listRequest();
    withPayload.payload = {1};
    const Address unknown{0xEE, static_cast<uint8_t>(ReplyCode::UnknownCommand)};
    const Address badRequest{0xEE, static_cast<uint8_t>(ReplyCode::BadRequest)};
    const struct {
        const char* what;
        std::optional<wire::Frame> reply;
        std::vector<Address> expected;
    } cases[] = {
        {"gateway", gate.exchange(listRequest()), plus({{1, 5}, {255, 31}}, kBus)},
        {"older gateway", old.exchange(listRequest()), {unknown}},
        {"serial bus head", bus.exchange(listRequest()), kBus},
        {"a station that is no head", bus.exchange(toStation), {unknown}},
        {"with a payload", gate.exchange(withPayload), {badRequest}},
    };
    for (const auto& c : cases) EXPECT_EQ(listed(c.reply), c.expected) << c.what;
}

TEST_F(StationListSim, TwoStationsAtOneAddressAreNeverReadAsOne) {
    auto gate = connect("Gate");
    auto through = gate.exchange(telegram({10, 9}, {tg::kPoll}, 1));
    ASSERT_TRUE(through);
    EXPECT_EQ(through->code1, wire::code(ReplyCode::AddressClash));

    SerialClient bus(sim->serial());
    ASSERT_TRUE(bus.ok());
    EXPECT_FALSE(bus.exchange(telegram({10, 9}, {tg::kPoll}, 1), 300ms).has_value());
    // The line recovers: the next station answers as usual.
    auto after = bus.exchange(telegram({10, 2}, {tg::kPoll}, 1));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->payload, (std::vector<uint8_t>{10, 2}));
}

TEST_F(StationListSim, AStationAwayIsNotListedAndComesBackAt254_30) {
    auto gate = connect("Gate");
    auto started = gate.exchange(telegram({10, 2}, {0x1C, 0xE3}, 2));
    ASSERT_TRUE(started);
    EXPECT_EQ(listed(gate.exchange(listRequest())),
              (std::vector<Address>{{1, 5}, {255, 31}, {10, 1}, {10, 9}, {10, 9}}));
    const std::vector<Address> back = {{1, 5}, {255, 31}, {10, 1}, {254, 30}, {10, 9}, {10, 9}};
    std::vector<Address> now;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (now != back && std::chrono::steady_clock::now() < end)
        now = listed(gate.exchange(listRequest()));
    EXPECT_EQ(now, back);
}

TEST(StationListNetworkFile, SharedSerialAddressesOnlyWhenClashesAreAllowed) {
    testsupport::TempFolder temp;
    std::string text = kNetwork;
    text.replace(text.find("AddressClashes=yes"), 18, "AddressClashes=no");
    temp.write("net.ini", text);
    SimProcess refused({"--network", temp / "net.ini"});
    EXPECT_EQ(refused.waitExit(), 2);
    EXPECT_NE(refused.stderrText().find("already taken on the serial bus"), std::string::npos);
}

}  // namespace
