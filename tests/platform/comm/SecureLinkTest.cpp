// The password-protected link against kvxsim over TCP: the general library's secure links and
// password checks, replays of recorded frames on raw connections, the limit on failed proofs,
// and the handshake again after the controller restarts.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/comm/StatusWord.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/Handshake.h"
#include "platform/secure/SealedChannel.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/SecurePayloads.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/Carriers.h"
#include "support/FakeUi.h"
#include "support/HandSealed.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using comm::PasswordCheck;
using kvxglib::Variant;
using kvxglib::VarRef;
using testsupport::carrier;
using testsupport::ref;
namespace vt = kvxglib::vt;

namespace {

constexpr const char* kPassword = "Vault-1";

const char* kNetwork = R"([Simulator]
ColdStartMs=200

[Controller Vault]
Serial=SN-VAULT
KvxrealC=yes
Model=300
Address=3:1
Listen=127.0.0.1:0
Password=Vault-1
EncryptionRequired=yes

[Controller Twin]
Serial=SN-TWIN
KvxrealC=yes
Model=300
Address=5:1
Listen=127.0.0.1:0
Password=Vault-1
EncryptionRequired=yes

[Controller Open]
Serial=SN-OPEN
KvxrealC=yes
Model=300
Address=4:1
Listen=127.0.0.1:0

[Controller Station]
Bus=serial
Serial=SN-STATION
Address=10:1
)";

class SecureLink : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        start();
        temp.write("machine/Kvxmatic.Ini", "[Link]\nTcpTimeoutMs=1000\nTcpConnectTimeoutMs=500\n");
        lib = std::make_unique<kvxglib::RealLibrary>(boxes, temp / "machine");
    }
    void start() {
        sim.reset();
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--state", temp / "state"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    PasswordCheck check(const std::string& id, const std::string& password) {
        const simtest::Endpoint e = sim->tcpEndpoint(id);
        return kvxglib::checkNetworkPassword(*lib, e.host, e.port, secure::Secret(password));
    }
    int32_t open(const std::string& password, PasswordCheck* verdict = nullptr) {
        const simtest::Endpoint e = sim->tcpEndpoint("Vault");
        std::string why;
        return kvxglib::openSecureTcpLink(*lib, e.host, e.port, secure::Secret(password), &why,
                                          verdict);
    }
    // The PLA read at `to`; the status word lands in `status`.
    int16_t readPla(int32_t link, int32_t& status, uint8_t pla = 255, uint8_t ela = 30) {
        int16_t value = -1;
        VarRef r = ref(pla, ela, 1, 2, 241, 0);
        Variant v = carrier(vt::I2, &value);
        status = 0;
        if (lib->ReadVariable(link, &r, &v, 1, 0, 0, &status, u"") == 0) return -1;
        return value;
    }

    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    std::unique_ptr<simtest::SimProcess> sim;
    std::unique_ptr<kvxglib::RealLibrary> lib;
};

wire::Frame securityFrame(wire::Command command, std::vector<uint8_t> payload, uint16_t sequence) {
    wire::Frame f;
    f.address = wire::kDirectAddress;
    f.command = wire::code(command);
    f.sequence = sequence;
    f.payload = std::move(payload);
    return f;
}

}  // namespace

TEST_F(SecureLink, TheRightPasswordReadsWritesAndReachesTheBus) {
    PasswordCheck verdict = PasswordCheck::Unreachable;
    const int32_t link = open(kPassword, &verdict);
    ASSERT_NE(link, 0);
    EXPECT_EQ(verdict, PasswordCheck::Accepted);
    int32_t status = 0;
    EXPECT_EQ(readPla(link, status), 3) << std::hex << status;
    EXPECT_EQ(readPla(link, status, 10, 1), 10) << "a bus station behind the gateway";

    std::u16string name = u"Vault room";
    VarRef r = ref(3, 1, 1, 5, 241, 63);
    Variant v = carrier(vt::BStr, &name);
    EXPECT_NE(lib->WriteVariable(link, &r, &v, 1, 0, 0, &status, u""), 0) << std::hex << status;
}

TEST_F(SecureLink, PasswordChecksTellEveryOutcome) {
    struct Row {
        const char* id;
        std::string password;
        PasswordCheck expected;
    };
    const Row rows[] = {
        {"Vault", kPassword, PasswordCheck::Accepted},
        {"Vault", "Vault-2", PasswordCheck::Refused},
        {"Vault", "", PasswordCheck::Refused},
        {"Open", kPassword, PasswordCheck::Refused},  // it has no password to prove
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.id) + " " + row.password);
        EXPECT_EQ(check(row.id, row.password), row.expected);
    }
    // Nobody listens there any more.
    const simtest::Endpoint e = sim->tcpEndpoint("Vault");
    sim.reset();
    EXPECT_EQ(kvxglib::checkNetworkPassword(*lib, e.host, e.port, secure::Secret(kPassword)),
              PasswordCheck::Unreachable);
}

TEST_F(SecureLink, AWrongPasswordGetsNoLinkAndPlainRequestsAreTurnedAway) {
    PasswordCheck verdict = PasswordCheck::Accepted;
    EXPECT_EQ(open("Vault-2", &verdict), 0);
    EXPECT_EQ(verdict, PasswordCheck::Refused);

    const simtest::Endpoint e = sim->tcpEndpoint("Vault");
    const int32_t plain = kvxglib::openTcpLink(*lib, e.host, e.port);
    ASSERT_NE(plain, 0);
    int32_t status = 0;
    EXPECT_EQ(readPla(plain, status), -1);
    EXPECT_EQ(status, comm::statusWord(wire::code(wire::ReplyCode::AuthRequired), 0));
}

TEST_F(SecureLink, FiveWrongPasswordsThenEvenTheRightOneWaits) {
    // Guessed from five hosts of one address (each its own machine folder): each host itself
    // proves at most 3 times a minute.
    const simtest::Endpoint e = sim->tcpEndpoint("Vault");
    for (int i = 0; i < 5; ++i) {
        const std::string machine = "guesser-" + std::to_string(i);
        temp.write(machine + "/Kvxmatic.Ini", temp.read("machine/Kvxmatic.Ini"));
        kvxglib::RealLibrary guesser(boxes, temp / machine);
        const std::string guess = "guess-" + std::to_string(i);
        EXPECT_EQ(kvxglib::checkNetworkPassword(guesser, e.host, e.port, secure::Secret(guess)),
                  PasswordCheck::Refused)
            << i;
    }
    EXPECT_EQ(check("Vault", kPassword), PasswordCheck::RateLimited);
    PasswordCheck verdict = PasswordCheck::Accepted;
    EXPECT_EQ(open(kPassword, &verdict), 0);
    EXPECT_EQ(verdict, PasswordCheck::RateLimited);
}

TEST_F(SecureLink, TheHandshakeIsBoundToTheControllerChosen) {
    // Twin shares Vault's password: a relay from Vault's address to Twin's must not open.
    const simtest::Endpoint twin = sim->tcpEndpoint("Twin");
    struct Row {
        std::string serial;
        PasswordCheck expected;
    };
    const Row rows[] = {{"SN-VAULT", PasswordCheck::Refused},
                        {"SN-TWIN", PasswordCheck::Accepted},
                        {"", PasswordCheck::Accepted}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        std::string why;
        EXPECT_EQ(kvxglib::checkNetworkPassword(*lib, twin.host, twin.port,
                                                secure::Secret(kPassword), &why, row.serial),
                  row.expected)
            << why;
    }
    PasswordCheck verdict = PasswordCheck::Accepted;
    EXPECT_EQ(kvxglib::openSecureTcpLink(*lib, twin.host, twin.port, secure::Secret(kPassword),
                                         nullptr, &verdict, "SN-VAULT"),
              0);
    EXPECT_EQ(verdict, PasswordCheck::Refused);

    // Links a tool opens by name are bound to the serial number remembered for them, and
    // without one they prove nothing.
    const std::string name = "tcp:" + sim->tcp("Twin");
    const secure::Secret password(kPassword);
    const Row byName[] = {{"SN-VAULT", PasswordCheck::Refused},
                          {"SN-TWIN", PasswordCheck::Accepted},
                          {"", PasswordCheck::Unreachable}};
    for (const Row& row : byName) {
        SCOPED_TRACE("by name, " + row.serial);
        PasswordCheck check = PasswordCheck::Unreachable;
        std::string why;
        const int32_t link =
            kvxglib::openNamedLink(*lib, name, 0, &why, &password, &check, row.serial);
        EXPECT_EQ(link != 0, row.expected == PasswordCheck::Accepted) << why;
        EXPECT_EQ(check, row.expected) << why;
        if (link != 0) kvxglib::closeLink(*lib, link);
    }
}

TEST_F(SecureLink, RecordedFramesReplayedOnTheLineAreNotAccepted) {
    // A genuine session, run by hand on a raw connection so that its frames can be kept.
    auto a = simtest::connectTcp(sim->tcp("Vault"));
    ASSERT_TRUE(a);
    simtest::TcpClient first(std::move(*a));
    secure::HostHandshake host;
    const wire::Frame hello =
        securityFrame(wire::Command::Hello, wire::encodePayload(host.hello()), 1);
    auto helloReply = first.exchange(hello);
    ASSERT_TRUE(helloReply && helloReply->code1 == 0);
    auto proofRequest = host.prove(kPassword, *wire::decodeHelloReply(helloReply->payload));
    ASSERT_TRUE(proofRequest);
    const wire::Frame proof =
        securityFrame(wire::Command::Proof, wire::encodePayload(*proofRequest), 2);
    auto proofReply = first.exchange(proof);
    ASSERT_TRUE(proofReply && proofReply->code1 == 0);
    auto keys = host.confirm(*wire::decodeProofReply(proofReply->payload));
    ASSERT_TRUE(keys);
    secure::SealedChannel channel(*keys);
    wire::Frame read = simtest::readVar(wire::kDirectAddress, 1, wire::VarType::SmallInt, 241, 0);
    read.sequence = 3;
    const wire::Frame sealed = channel.seal(read);
    auto answer = first.exchange(sealed);
    ASSERT_TRUE(answer && answer->sealed);

    auto again = first.exchange(sealed);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->code1, wire::code(wire::ReplyCode::Refused)) << "same session";
    // Authentic, but its inner sequence is not the one the envelope carries: the connection
    // is not to be trusted any more.
    read.sequence = 4;
    auto odd = first.exchange(testsupport::sealByHand(keys->send, channel.sent() + 1, read, 5));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->code1, wire::code(wire::ReplyCode::Refused));
    EXPECT_FALSE(odd->sealed);
    EXPECT_TRUE(first.closedWithin(2000ms));

    struct Row {
        const char* what;
        std::vector<wire::Frame> frames;  // sent in order on a new connection; the last counts
    };
    secure::HostHandshake other;
    const Row rows[] = {
        {"hello", {hello}},
        {"proof after a fresh hello",
         {securityFrame(wire::Command::Hello, wire::encodePayload(other.hello()), 1), proof}},
        {"sealed frame", {sealed}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto b = simtest::connectTcp(sim->tcp("Vault"));
        ASSERT_TRUE(b);
        simtest::TcpClient replayer(std::move(*b));
        std::optional<wire::Frame> reply;
        for (const wire::Frame& f : row.frames) reply = replayer.exchange(f);
        ASSERT_TRUE(reply);
        EXPECT_NE(reply->code1, 0);
        EXPECT_FALSE(reply->sealed);
    }
}

TEST_F(SecureLink, TheLinkProvesThePasswordAgainAfterTheControllerRestarts) {
    const int32_t link = open(kPassword);
    ASSERT_NE(link, 0);
    int32_t status = 0;
    ASSERT_EQ(readPla(link, status), 3);
    // Cold start through the sealed link: the controller answers, then drops its connections.
    const auto handle = lib->CreateRequest(168);
    lib->BindRequest(handle, link);
    const uint8_t coldStart[] = {3, 1, 0x1C, 0xE3};
    std::string label;
    lib->SubmitRequest(handle, coldStart, 4, 2, 0, label);
    ASSERT_NE(lib->StartExchange(handle), 0);
    while ((lib->ExchangeComplete(handle) & 0xFFFF) == 0) lib->Yield();
    lib->ReleaseRequest(handle, 168);

    // Back within a bounded wait; the same handle connects and proves the password again.
    int16_t pla = -1;
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (pla != 254 && std::chrono::steady_clock::now() < limit) pla = readPla(link, status);
    EXPECT_EQ(pla, 254) << "back at 254:30 after the cold start, status " << std::hex << status;

    // A restart of the whole simulator keeps only the verifier: never the password itself.
    start();
    std::ifstream in(temp / "state/Vault.state");
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_NE(saved.str().find("verifier "), std::string::npos);
    EXPECT_EQ(saved.str().find(kPassword), std::string::npos);
    EXPECT_EQ(check("Vault", kPassword), PasswordCheck::Accepted);
}
