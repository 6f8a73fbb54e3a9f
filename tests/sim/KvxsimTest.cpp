// kvxsim as a process: the protocol over TCP, the serial pty and UDP, the control socket,
// restarts and refused network files. Ports are chosen by the operating system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "platform/wire/Bytes.h"
#include "platform/wire/TcpFraming.h"
#include "platform/wire/Telegram.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/TempFolder.h"

namespace {

using namespace simtest;
using wire::Address;
using wire::ReplyCode;
using wire::Value;
using wire::VarType;
namespace tg = wire::telegram;

constexpr Address kDirect{255, 30};

const char* kNetwork = R"([Simulator]
ColdStartMs=1000
Discovery=127.0.0.1:0

[Controller Gate]
Serial=SN-GATE
Name=Gate
KvxrealC=yes
Model=300
Address=1:5
ExtraAddresses=255:31
Listen=127.0.0.1:0
Var.300.1=1,1,no
Var.300.2=1,2,7
Var.300.3=1,3,-300
Var.300.4=1,4,21.5
Var.300.5=1,5,Pump
Var.300.6=1,6,123456

[Partition Gate 16]
Name=Heating
MaxSize=1048576

[Partition Gate 20]
Name=Web
Type=3

[Controller Other]
Serial=SN-OTHER
Address=2:1
Listen=127.0.0.1:0

[Controller Bus1]
Bus=serial
Serial=SN-B1
KvxrealC=yes
Address=10:1

[Controller Bus2]
Bus=serial
Serial=SN-B2
Address=10:2
)";

class Kvxsim : public ::testing::Test {
  protected:
    testsupport::TempFolder temp;
    std::unique_ptr<SimProcess> sim;

    void SetUp() override { temp.write("net.ini", kNetwork); }

    void start() {
        sim.reset();
        sim = std::make_unique<SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }

    // `from`: the local address to connect from (another loopback address plays another host).
    TcpClient connect(const std::string& id, const std::string& from = {}) {
        auto socket = connectTcp(sim->tcp(id), 2000ms, from);
        EXPECT_TRUE(socket.has_value());
        return TcpClient(socket ? std::move(*socket) : Fd());
    }

    std::string ctl(const std::string& line) { return control(temp / "ctl", line); }
};

std::vector<uint8_t> pollReply(TcpClient& c, Address to, Ms timeout = 2000ms) {
    auto reply = c.exchange(telegram(to, {tg::kPoll}, 1), timeout);
    if (!reply) return {0xEE};
    if (reply->code1 != 0) return {0xEE, static_cast<uint8_t>(reply->code1)};
    return reply->payload;
}

TEST_F(Kvxsim, PollAndEveryVariableTypeOverTcp) {
    start();
    auto gate = connect("Gate");
    EXPECT_EQ(pollReply(gate, kDirect), (std::vector<uint8_t>{1, 5}));
    EXPECT_EQ(pollReply(gate, {1, 5}), (std::vector<uint8_t>{1, 5}));
    EXPECT_EQ(pollReply(gate, {255, 31}), (std::vector<uint8_t>{1, 5}));

    const std::vector<Value> values = {Value::boolean(true),  Value::smallInt(-9),
                                       Value::int16(1234),    Value::real32(3.75f),
                                       Value::oemText("Fan"), Value::long32(-1)};
    for (int32_t index = 1; index <= 6; ++index) {
        const Value& v = values[index - 1];
        SCOPED_TRACE(index);
        auto written = gate.exchange(writeVar(kDirect, 1, 300, index, v));
        ASSERT_TRUE(written);
        EXPECT_EQ(written->code1, 0);
        auto read = gate.exchange(readVar(kDirect, 1, v.type, 300, index));
        ASSERT_TRUE(read);
        EXPECT_EQ(wire::decodeReadReply(read->payload)->value, v);
    }
    auto wrong = gate.exchange(readVar(kDirect, 1, VarType::Long, 300, 5));
    EXPECT_EQ(wrong->code1, wire::code(ReplyCode::WrongType));
    auto unknown = gate.exchange(readVar(kDirect, 1, VarType::Int, 300, 77));
    EXPECT_EQ(unknown->code1, wire::code(ReplyCode::NoSuchVariable));
}

TEST_F(Kvxsim, GatewayAnswersForBusStationsAndNoSuchStationAtOnce) {
    start();
    auto gate = connect("Gate");
    EXPECT_EQ(pollReply(gate, {10, 2}), (std::vector<uint8_t>{10, 2}));
    auto read = gate.exchange(readVar({10, 1}, 1, VarType::SmallInt, 241, 0));
    EXPECT_EQ(wire::decodeReadReply(read->payload)->value, Value::smallInt(10));
    // nobody has 77:7: the gateway says so at once, well within a short time-out
    auto none = gate.exchange(telegram({77, 7}, {tg::kPoll}), 500ms);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->code1, wire::code(ReplyCode::NoSuchStation));
    EXPECT_EQ(none->address, (Address{77, 7}));
    // Other is a separate TCP controller, not on Gate's bus
    EXPECT_EQ(pollReply(gate, {2, 1}), (std::vector<uint8_t>{0xEE, 1}));
}

TEST_F(Kvxsim, WritingPlaAndElaMovesTheController) {
    start();
    auto gate = connect("Gate");
    ASSERT_EQ(gate.exchange(writeVar(kDirect, 1, 241, 0, Value::smallInt(12)))->code1, 0);
    ASSERT_EQ(gate.exchange(writeVar(kDirect, 1, 241, 1, Value::smallInt(3)))->code1, 0);
    EXPECT_EQ(pollReply(gate, {12, 3}), (std::vector<uint8_t>{12, 3}));
    EXPECT_EQ(pollReply(gate, {1, 5}), (std::vector<uint8_t>{0xEE, 1}));
    EXPECT_EQ(pollReply(gate, kDirect), (std::vector<uint8_t>{12, 3}));
}

TEST_F(Kvxsim, ColdStartIsAwayForAMomentAndComesBackAt254_30) {
    start();
    {
        auto gate = connect("Gate");
        auto ack = gate.exchange(telegram({1, 5}, {tg::kColdStart, tg::kColdStartCheck}, 2));
        ASSERT_TRUE(ack);
        EXPECT_EQ(ack->code1, 0);
        EXPECT_TRUE(gate.closedWithin(2000ms));
        // away: the connection is refused (the controller stays away for a second)
        EXPECT_FALSE(connectTcp(sim->tcp("Gate"), 200ms).has_value());
    }
    // the other controller is not held up meanwhile
    auto other = connect("Other");
    EXPECT_EQ(pollReply(other, kDirect), (std::vector<uint8_t>{2, 1}));

    std::vector<uint8_t> answer;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto socket = connectTcp(sim->tcp("Gate"), 200ms)) {
            TcpClient back(std::move(*socket));
            answer = pollReply(back, {254, 30}, 500ms);
            if (answer == std::vector<uint8_t>{254, 30}) break;
        }
        std::this_thread::yield();
    }
    EXPECT_EQ(answer, (std::vector<uint8_t>{254, 30}));
}

TEST_F(Kvxsim, ActivateAndPartitionServices) {
    start();
    auto gate = connect("Gate");
    EXPECT_EQ(gate.exchange(telegram(kDirect, {tg::kActivate, 16, 2}))->code1, 0);
    auto active = gate.exchange(readVar(kDirect, 1, VarType::Int, 241, 88));
    EXPECT_EQ(wire::decodeReadReply(active->payload)->value, Value::int16(16));
    // A web partition becomes the active site; the running program stays.
    EXPECT_EQ(gate.exchange(telegram(kDirect, {tg::kActivate, 20, 0}))->code1, 0);
    auto site = gate.exchange(readVar(kDirect, 1, VarType::Int, 242, 168));
    EXPECT_EQ(wire::decodeReadReply(site->payload)->value, Value::int16(20));
    active = gate.exchange(readVar(kDirect, 1, VarType::Int, 241, 88));
    EXPECT_EQ(wire::decodeReadReply(active->payload)->value, Value::int16(16));

    auto list = gate.exchange(telegram(kDirect, tg::buildTelegram(tg::ListPartitions{})));
    EXPECT_EQ(list->payload, (std::vector<uint8_t>{16, 20}));
    auto size = gate.exchange(telegram(kDirect, tg::buildTelegram(tg::GetNumberAttribute{16, 9})));
    EXPECT_EQ(wire::ByteReader(size->payload).i32(), 1048576);
    EXPECT_EQ(
        gate.exchange(telegram(kDirect, tg::buildTelegram(tg::SetTextAttribute{20, 110, "Site"})))
            ->code1,
        0);
    auto title = gate.exchange(telegram(kDirect, tg::buildTelegram(tg::GetTextAttribute{20, 110})));
    EXPECT_EQ(std::string(title->payload.begin(), title->payload.end()), "Site");
}

TEST_F(Kvxsim, StateSurvivesARestart) {
    start();
    {
        auto gate = connect("Gate");
        ASSERT_EQ(gate.exchange(writeVar(kDirect, 1, 300, 5, Value::oemText("Kept")))->code1, 0);
        ASSERT_EQ(gate.exchange(telegram(kDirect, {tg::kActivate, 16, 1}))->code1, 0);
        ASSERT_EQ(
            gate.exchange(telegram(kDirect, tg::buildTelegram(tg::SetNumberAttribute{20, 8, 4096})))
                ->code1,
            0);
        ASSERT_EQ(gate.exchange(writeVar(kDirect, 1, 241, 0, Value::smallInt(44)))->code1, 0);
        ASSERT_EQ(gate.exchange(writeVar({10, 2}, 1, 241, 1, Value::smallInt(9)))->code1, 0);
    }
    start();  // a new process on the same state folder
    auto gate = connect("Gate");
    EXPECT_EQ(pollReply(gate, kDirect), (std::vector<uint8_t>{44, 5}));
    auto text = gate.exchange(readVar(kDirect, 1, VarType::Text, 300, 5));
    EXPECT_EQ(wire::decodeReadReply(text->payload)->value, Value::oemText("Kept"));
    auto active = gate.exchange(readVar(kDirect, 1, VarType::Int, 241, 88));
    EXPECT_EQ(wire::decodeReadReply(active->payload)->value, Value::int16(16));
    auto size = gate.exchange(telegram(kDirect, tg::buildTelegram(tg::GetNumberAttribute{20, 8})));
    EXPECT_EQ(wire::ByteReader(size->payload).i32(), 4096);
    EXPECT_EQ(pollReply(gate, {10, 9}), (std::vector<uint8_t>{10, 9}));
}

TEST_F(Kvxsim, StateFilesAndTheControlSocketAreTheOwnersAlone) {
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0u;
    };
    start();
    {
        auto gate = connect("Gate");
        ASSERT_EQ(gate.exchange(writeVar(kDirect, 1, 300, 5, Value::oemText("Kept")))->code1, 0);
    }
    EXPECT_EQ(modeOf(temp / "state") & 07777, 0700u);
    EXPECT_EQ(modeOf(temp / "state/Gate.state") & 07777, 0600u);
    EXPECT_TRUE(S_ISSOCK(modeOf(temp / "ctl")));
    EXPECT_EQ(modeOf(temp / "ctl") & 0777, 0600u);
    EXPECT_EQ(ctl("quit"), "ok");
    EXPECT_EQ(sim->waitExit(), 0);
    // Only once it has ended: a save may still be under way while it runs.
    for (const auto& entry : std::filesystem::directory_iterator(temp / "state"))
        EXPECT_EQ(entry.path().extension(), ".state") << "left behind: " << entry.path();
    EXPECT_EQ(modeOf(temp / "ctl"), 0u) << "its own socket goes with it";

    // Something else at the control path is not ours to remove.
    temp.write("ctl", "keep me");
    SimProcess refused({"--network", temp / "net.ini", "--control", temp / "ctl"});
    EXPECT_FALSE(refused.waitReady());
    EXPECT_NE(refused.stderrText().find("is no socket"), std::string::npos) << refused.stderrText();
    std::ifstream kept(temp / "ctl");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
}

TEST_F(Kvxsim, AGreedyClientDoesNotShutOthersOut) {
    temp.write("net.ini", std::string(kNetwork) +
                              "\n[Controller Long]\nSerial=SN-LONG\n"
                              "Address=3:1\nListen=127.0.0.1:0\nVar.300.7=1,5," +
                              std::string(250, 'x') + "\n");
    start();
    // One client sends reads of a long text and never reads a reply: kvxsim stops reading it
    // once its replies pile up, rather than keep them all.
    auto flooder = connectTcp(sim->tcp("Long"));
    ASSERT_TRUE(flooder);
    const int small = 64 << 10;
    ::setsockopt(flooder->get(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    ::fcntl(flooder->get(), F_SETFL, ::fcntl(flooder->get(), F_GETFL) | O_NONBLOCK);
    std::vector<uint8_t> burst;
    for (int i = 0; i < 4096; ++i) {
        auto bytes = wire::encodeTcpFrame(readVar(kDirect, 1, VarType::Text, 300, 7));
        burst.insert(burst.end(), bytes->begin(), bytes->end());
    }
    std::size_t taken = 0;
    constexpr std::size_t kLimit = 48u << 20;
    while (taken < kLimit) {
        const ssize_t n = ::send(flooder->get(), burst.data(), burst.size(), MSG_NOSIGNAL);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{flooder->get(), POLLOUT, 0};
        if (::poll(&p, 1, 500) == 0) break;  // kvxsim has stopped taking its requests
    }
    EXPECT_LT(taken, 24u << 20) << "kvxsim kept reading a client that does not read";

    auto other = connect("Long");
    EXPECT_EQ(pollReply(other, kDirect), (std::vector<uint8_t>{3, 1})) << "others are served";

    // A cap on connections: one too many is closed at once, the others go on.
    std::vector<TcpClient> many;
    for (int i = 0; i < 64; ++i) many.push_back(connect("Gate"));
    auto extra = connect("Gate");
    EXPECT_TRUE(extra.closedWithin(1000ms));
    EXPECT_EQ(pollReply(many.front(), kDirect), (std::vector<uint8_t>{1, 5}));
    many.pop_back();
    auto later = connect("Gate");
    EXPECT_EQ(pollReply(later, kDirect), (std::vector<uint8_t>{1, 5}));
}

TEST_F(Kvxsim, OneHostCannotTakeEveryConnection) {
    start();
    // One host (127.0.0.2) takes every connection it may, and one more: that one is closed at
    // once, the ones it holds are served.
    std::vector<TcpClient> greedy;
    for (int i = 0; i < 64; ++i) greedy.push_back(connect("Gate", "127.0.0.2"));
    auto extra = connect("Gate", "127.0.0.2");
    EXPECT_TRUE(extra.closedWithin(1000ms)) << "one source holds at most 64 connections";
    EXPECT_EQ(pollReply(greedy.back(), kDirect), (std::vector<uint8_t>{1, 5}));

    // Another host is served meanwhile.
    auto other = connect("Gate", "127.0.0.1");
    EXPECT_EQ(pollReply(other, kDirect), (std::vector<uint8_t>{1, 5})) << "another host is served";

    // The total still holds: once two hosts have their share, a third is closed at once.
    std::vector<TcpClient> second;
    for (int i = 1; i < 64; ++i) second.push_back(connect("Gate", "127.0.0.1"));
    EXPECT_EQ(pollReply(second.back(), kDirect), (std::vector<uint8_t>{1, 5}));
    auto third = connect("Gate", "127.0.0.3");
    EXPECT_TRUE(third.closedWithin(1000ms)) << "at most 128 connections in all";

    // A connection the first host closes is room for it again.
    greedy.pop_back();
    auto again = connect("Gate", "127.0.0.2");
    EXPECT_EQ(pollReply(again, kDirect), (std::vector<uint8_t>{1, 5}));
}

TEST_F(Kvxsim, RefusesANetworkFileWithAMistake) {
    temp.write("bad.ini", "[Controller X]\nSerial=1\nAddress=1:x\nListen=127.0.0.1:0\n");
    SimProcess bad({"--network", temp / "bad.ini"});
    EXPECT_FALSE(bad.waitReady());
    EXPECT_EQ(bad.waitExit(), 2);
    EXPECT_NE(bad.stderrText().find(temp / "bad.ini" + ":3: bad value for Address"),
              std::string::npos)
        << bad.stderrText();
}

TEST_F(Kvxsim, FaultKnobsOverTheControlSocket) {
    start();
    auto gate = connect("Gate");
    EXPECT_EQ(ctl("fault Nobody latency_ms 5"), "error unknown controller Nobody");
    EXPECT_EQ(ctl("fault Gate speed 5"), "error unknown fault: speed");

    // the first reply from now is dropped: no answer within the time-out, the next one works
    EXPECT_EQ(ctl("fault Gate drop_reply 1"), "ok");
    EXPECT_FALSE(gate.exchange(telegram(kDirect, {tg::kPoll}, 1), 300ms).has_value());
    EXPECT_EQ(pollReply(gate, kDirect), (std::vector<uint8_t>{1, 5}));

    // latency on one controller holds up no other
    EXPECT_EQ(ctl("fault Gate latency_ms 3000"), "ok");
    auto slow = gate.exchange(telegram(kDirect, {tg::kPoll}, 1), 100ms);
    EXPECT_FALSE(slow.has_value());
    auto other = connect("Other");
    EXPECT_EQ(pollReply(other, kDirect, 1000ms), (std::vector<uint8_t>{2, 1}));
    EXPECT_EQ(ctl("clear Gate"), "ok");

    // the link closes after 5 bytes of a reply; a new connection works again
    EXPECT_EQ(ctl("fault Gate close_after_bytes 5"), "ok");
    auto cut = connect("Gate");
    EXPECT_FALSE(cut.exchange(telegram(kDirect, {tg::kPoll}, 1)).has_value());
    auto again = connect("Gate");
    EXPECT_EQ(pollReply(again, kDirect), (std::vector<uint8_t>{1, 5}));

    EXPECT_EQ(ctl("quit"), "ok");
    EXPECT_EQ(sim->waitExit(), 0);
}

TEST_F(Kvxsim, SerialBusOnThePty) {
    start();
    ASSERT_FALSE(sim->serial().empty());
    SerialClient bus(sim->serial());
    ASSERT_TRUE(bus.ok());
    auto head = bus.exchange(telegram(kDirect, {tg::kPoll}, 1));
    ASSERT_TRUE(head);
    EXPECT_EQ(head->payload, (std::vector<uint8_t>{10, 1}));
    auto second = bus.exchange(readVar({10, 2}, 1, VarType::SmallInt, 241, 1));
    ASSERT_TRUE(second);
    EXPECT_EQ(wire::decodeReadReply(second->payload)->value, Value::smallInt(2));
    // an absent station answers nothing
    EXPECT_FALSE(bus.exchange(telegram({77, 7}, {tg::kPoll}, 1), 300ms).has_value());
    auto after = bus.exchange(telegram({10, 2}, {tg::kPoll}, 1));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->payload, (std::vector<uint8_t>{10, 2}));
}

TEST_F(Kvxsim, AStationWithAPasswordKeepsItsSecretsOffTheBus) {
    temp.write("net.ini", std::string(kNetwork) +
                              "\n[Controller Bus3]\nBus=serial\n"
                              "Serial=SN-B3\nKvxrealC=yes\nAddress=10:3\nPassword=Bus-3-pw\n");
    start();
    SerialClient bus(sim->serial());
    ASSERT_TRUE(bus.ok());
    struct Row {
        const char* what;
        std::function<wire::Frame(Address)> request;
    };
    const Row rows[] = {
        {"write a web password",
         [](Address a) { return writeVar(a, 1, 248, 221, Value::oemText("guest-1")); }},
        {"read the e-mail password",
         [](Address a) { return readVar(a, 1, VarType::Text, 242, 10); }},
        {"write the network password",
         [](Address a) { return writeVar(a, 1, 248, 225, Value::oemText("Mine-1")); }},
        {"switch encryption off",
         [](Address a) { return writeVar(a, 1, 248, 220, Value::boolean(false)); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto guarded = bus.exchange(row.request({10, 3}));
        ASSERT_TRUE(guarded);
        EXPECT_EQ(guarded->code1, wire::code(ReplyCode::AuthRequired));
        auto open = bus.exchange(row.request({10, 1}));
        ASSERT_TRUE(open);
        EXPECT_EQ(open->code1, 0) << "a station without a password takes it";
    }
    auto kept = bus.exchange(readVar({10, 1}, 1, VarType::Text, 248, 221));
    ASSERT_TRUE(kept);
    EXPECT_EQ(wire::decodeReadReply(kept->payload)->value, Value::oemText("guest-1"));
}

TEST_F(Kvxsim, DiscoveryOverUdp) {
    start();
    ASSERT_FALSE(sim->udp().empty());
    auto all = discover(sim->udp(), "");
    std::vector<std::string> serials;
    for (const auto& f : all)
        serials.push_back(wire::decodeDiscoveryReply(f.payload)->serialNumber);
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(serials, (std::vector<std::string>{"SN-GATE", "SN-OTHER"}));

    auto one = discover(sim->udp(), "SN-OTHER");
    ASSERT_EQ(one.size(), 1u);
    auto reply = wire::decodeDiscoveryReply(one[0].payload);
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::to_string(reply->tcpPort),
              sim->tcp("Other").substr(sim->tcp("Other").rfind(':') + 1));
    EXPECT_EQ(reply->address, (Address{2, 1}));
}

}  // namespace
