// The controller's side of the password-protected link, straight from a session object: the
// handshake, sealed frames, replays and the limit on failed proofs with a clock of our own.
#include <gtest/gtest.h>

#include "platform/secure/Handshake.h"
#include "platform/secure/SealedChannel.h"
#include "platform/wire/Request.h"
#include "platform/wire/SecurePayloads.h"
#include "sim/ControllerState.h"
#include "sim/NetworkPassword.h"
#include "sim/SecureSession.h"
#include "sim/SimClient.h"
#include "support/HandSealed.h"

namespace {

using namespace std::chrono_literals;
using wire::ReplyCode;
using wire::VarType;
using Clock = std::chrono::steady_clock;

constexpr wire::Address kSelf{1, 5};
const wire::Frame kReadPla = simtest::readVar(kSelf, 1, VarType::SmallInt, 241, 0);

sim::ControllerConfig config(const std::string& password, bool required) {
    sim::ControllerConfig c;
    c.id = "Vault";
    c.kvxrealC = true;
    c.address = kSelf;
    c.password = password;
    c.encryptionRequired = required;
    return c;
}

wire::Frame securityFrame(wire::Command command, std::vector<uint8_t> payload) {
    wire::Frame f;
    f.address = wire::kDirectAddress;
    f.command = wire::code(command);
    f.payload = std::move(payload);
    return f;
}

uint16_t codeOf(const sim::SecureSession::Step& step) {
    return step.reply ? step.reply->code1 : 0xFFFF;
}

// The host's half, driven by hand so that its frames can be recorded and replayed.
struct Host {
    secure::HostHandshake handshake;
    wire::Frame hello = securityFrame(wire::Command::Hello, wire::encodePayload(handshake.hello()));
    std::optional<wire::Frame> proof;
    std::unique_ptr<secure::SealedChannel> channel;
    secure::SessionKeys keys;

    // Runs the handshake against `session`; the code of the proof's reply (or the hello's
    // when that already failed).
    uint16_t run(sim::SecureSession& session, const std::string& password) {
        auto helloStep = session.incoming(hello);
        if (codeOf(helloStep) != 0) return codeOf(helloStep);
        auto reply = wire::decodeHelloReply(helloStep.reply->payload);
        auto request = handshake.prove(password, *reply);
        proof = securityFrame(wire::Command::Proof, wire::encodePayload(*request));
        auto proofStep = session.incoming(*proof);
        if (codeOf(proofStep) == 0) {
            auto confirmed =
                handshake.confirm(*wire::decodeProofReply(proofStep.reply->payload));
            if (confirmed) {
                keys = *confirmed;
                channel = std::make_unique<secure::SealedChannel>(keys);
            }
        }
        return codeOf(proofStep);
    }
};

struct SecureSessionTest : ::testing::Test {
    sim::Controller controller{config("Vault-1", true), sim::initialState(config("Vault-1", true))};
    Clock::time_point now = Clock::time_point{} + 1h;

    void SetUp() override {
        controller.passwordGuard.now = [this] { return now; };
    }
    sim::SecureSession session(const std::string& source = "10.0.0.1") {
        return sim::SecureSession(controller, source);
    }
};

}  // namespace

TEST_F(SecureSessionTest, PlainRequestsPassOnlyWhereNoEncryptionIsRequired) {
    struct Row {
        std::string password;
        bool required;
        uint16_t hello;  // what a hello gets
        bool plainPasses;
    };
    const Row rows[] = {
        {"Vault-1", true, 0, false},
        {"Vault-1", false, 0, true},
        {"", false, wire::code(ReplyCode::NotFound), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.password + (row.required ? " required" : ""));
        sim::Controller c(config(row.password, row.required),
                          sim::initialState(config(row.password, row.required)));
        sim::SecureSession s(c, "10.0.0.1");
        auto plain = s.incoming(kReadPla);
        EXPECT_EQ(plain.inner.has_value(), row.plainPasses);
        if (!row.plainPasses) {
            EXPECT_EQ(codeOf(plain), wire::code(ReplyCode::AuthRequired));
        }
        Host host;
        EXPECT_EQ(codeOf(s.incoming(host.hello)), row.hello);
    }
}

TEST_F(SecureSessionTest, OncePasswordIsSetSecretsAreForTheAuthenticatedHostOnly) {
    using wire::Value;
    wire::WriteBatchRequest commit;
    commit.writes.push_back({{1, VarType::Boolean, 248, 211}, Value::boolean(true)});
    commit.writes.push_back({{1, VarType::Boolean, 248, 226}, Value::boolean(true)});
    struct Row {
        const char* what;
        wire::Frame request;
        bool secret;
    };
    const Row rows[] = {
        {"read web password", simtest::readVar(kSelf, 1, VarType::Text, 248, 221), true},
        {"read e-mail password", simtest::readVar(kSelf, 1, VarType::Text, 242, 10), true},
        {"write network password",
         simtest::writeVar(kSelf, 1, 248, 225, Value::oemText("Mine-1")), true},
        {"switch encryption off", simtest::writeVar(kSelf, 1, 248, 220, Value::boolean(false)),
         true},
        {"commit in a batch", *wire::makeRequestFrame(kSelf, 7, commit), true},
        {"read the address", kReadPla, false},
    };
    for (const bool hasPassword : {true, false}) {
        sim::Controller c(config(hasPassword ? "Vault-1" : "", false),
                          sim::initialState(config(hasPassword ? "Vault-1" : "", false)));
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (hasPassword ? " with" : " without") +
                         " a password");
            sim::SecureSession plain(c, "10.0.0.1");
            auto step = plain.incoming(row.request);
            const bool refused = hasPassword && row.secret;
            EXPECT_EQ(step.inner.has_value(), !refused);
            if (refused) {
                EXPECT_EQ(codeOf(step), wire::code(ReplyCode::AuthRequired));
            }
            if (!hasPassword) continue;
            sim::SecureSession sealed(c, "10.0.0.1");
            Host host;
            ASSERT_EQ(host.run(sealed, "Vault-1"), 0);
            auto inside = sealed.incoming(host.channel->seal(row.request));
            EXPECT_TRUE(inside.inner) << "the authenticated host may";
            EXPECT_EQ(codeOf(sealed.incoming(row.request)), wire::code(ReplyCode::Refused))
                << "nothing in clear beside a session";
        }
    }
}

TEST_F(SecureSessionTest, TheRightPasswordOpensASealedSession) {
    auto s = session();
    Host host;
    ASSERT_EQ(host.run(s, "Vault-1"), 0);
    ASSERT_TRUE(host.channel);
    EXPECT_EQ(codeOf(s.incoming(kReadPla)), wire::code(ReplyCode::AuthRequired));

    auto step = s.incoming(host.channel->seal(kReadPla));
    ASSERT_TRUE(step.inner);
    EXPECT_TRUE(step.sealed);
    EXPECT_EQ(*step.inner, kReadPla);
    auto opened = host.channel->open(s.seal(wire::makeReplyFrame(kReadPla, ReplyCode::Ok)));
    ASSERT_TRUE(std::holds_alternative<wire::Frame>(opened));
    EXPECT_TRUE(wire::answers(std::get<wire::Frame>(opened), kReadPla));
}

TEST_F(SecureSessionTest, AWrongPasswordNeverGetsIn) {
    auto s = session();
    Host host;
    EXPECT_EQ(host.run(s, "Vault-2"), wire::code(ReplyCode::Refused));
    EXPECT_FALSE(host.channel);
    EXPECT_FALSE(s.established());
    EXPECT_EQ(codeOf(s.incoming(kReadPla)), wire::code(ReplyCode::AuthRequired));
}

TEST_F(SecureSessionTest, RecordedHelloesProofsAndSealedFramesAreRefused) {
    auto first = session();
    Host host;
    ASSERT_EQ(host.run(first, "Vault-1"), 0);
    const wire::Frame sealed = host.channel->seal(kReadPla);
    ASSERT_TRUE(first.incoming(sealed).inner);

    struct Row {
        const char* what;
        std::function<sim::SecureSession::Step(sim::SecureSession&)> send;
    };
    const Row rows[] = {
        {"sealed frame again, same session", [&](auto&) { return first.incoming(sealed); }},
        {"hello on a new connection", [&](auto& s) { return s.incoming(host.hello); }},
        {"proof on a new connection",
         [&](auto& s) {
             Host other;
             EXPECT_EQ(codeOf(s.incoming(other.hello)), 0);
             return s.incoming(*host.proof);
         }},
        {"proof without hello", [&](auto& s) { return s.incoming(*host.proof); }},
        {"sealed frame on a new connection", [&](auto& s) { return s.incoming(sealed); }},
        {"hello inside a session", [&](auto&) {
             Host other;
             return first.incoming(other.hello);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto fresh = session();
        auto step = row.send(fresh);
        EXPECT_FALSE(step.inner);
        EXPECT_NE(codeOf(step), 0);
        EXPECT_FALSE(fresh.established());
    }
}

TEST_F(SecureSessionTest, AnAuthenticFrameOutOfOrderOrAtOddsWithItsEnvelopeEndsTheSession) {
    wire::Frame read = kReadPla;
    read.sequence = 41;
    struct Row {
        const char* what;
        std::function<wire::Frame(Host&)> make;
        bool closes;
    };
    const Row rows[] = {
        {"inner sequence differs from the outer one",
         [&](Host& h) { return testsupport::sealByHand(h.keys.send, 1, read, 42); }, true},
        {"a counter left out",
         [&](Host& h) { return testsupport::sealByHand(h.keys.send, 2, read, 41); }, true},
        {"sealed with another key (anyone on the path)",
         [&](Host& h) { return testsupport::sealByHand(h.keys.receive, 1, read, 41); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto s = session();
        Host host;
        ASSERT_EQ(host.run(s, "Vault-1"), 0);
        auto step = s.incoming(row.make(host));
        EXPECT_FALSE(step.inner);
        EXPECT_EQ(codeOf(step), wire::code(ReplyCode::Refused));
        EXPECT_EQ(step.close, row.closes);
        if (!row.closes) {
            EXPECT_TRUE(s.incoming(host.channel->seal(read)).inner) << "the session goes on";
        }
    }
}

TEST_F(SecureSessionTest, FiveFailedProofsAMinuteThenRateLimited) {
    for (int i = 0; i < 5; ++i) {
        auto s = session();
        Host host;
        EXPECT_EQ(host.run(s, "guess-" + std::to_string(i)), wire::code(ReplyCode::Refused));
        now += 1s;
    }
    {
        // Even the right password gets no answer while the source is at its limit.
        auto s = session();
        Host host;
        EXPECT_EQ(host.run(s, "Vault-1"), wire::code(ReplyCode::RateLimited));
    }
    {
        auto s = session("10.0.0.2");
        Host host;
        EXPECT_EQ(host.run(s, "Vault-1"), 0) << "another source is not limited";
    }
    now += 56s;  // the first failure is a minute old now
    auto s = session();
    Host host;
    EXPECT_EQ(host.run(s, "Vault-1"), 0);
}

TEST_F(SecureSessionTest, ANewPasswordReplacesTheVerifierAndNeverTheStateText) {
    const wire::Frame readPassword = simtest::readVar(kSelf, 1, VarType::Text, 248, 225);
    auto outcome = controller.handle(readPassword);
    auto value = wire::decodeReadReply(outcome.reply->payload);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->value.text, "") << "the configured password is not in a variable";
    auto bad = controller.handle(
        simtest::writeVar(kSelf, 1, 248, 225, wire::Value::oemText("bad password")));
    EXPECT_EQ(bad.reply->code1, wire::code(ReplyCode::OutOfRange));

    sim::ControllerState state = controller.state();
    ASSERT_TRUE(sim::setNetworkPassword(state, "New-2"));
    sim::Controller changed(config("Vault-1", true), state);
    changed.passwordGuard.now = [this] { return now; };
    const std::string saved = sim::serializeState(state);
    EXPECT_EQ(saved.find("New-2"), std::string::npos);
    EXPECT_EQ(saved.find("4e65772d32"), std::string::npos);  // nor as hex

    sim::SecureSession a(changed, "10.0.0.1"), b(changed, "10.0.0.1");
    Host oldPassword, newPassword;
    EXPECT_EQ(oldPassword.run(a, "Vault-1"), wire::code(ReplyCode::Refused));
    EXPECT_EQ(newPassword.run(b, "New-2"), 0);

    sim::ControllerState reloaded;
    std::string error;
    ASSERT_TRUE(sim::parseState(saved, reloaded, error)) << error;
    EXPECT_EQ(reloaded.verifier, state.verifier);
    ASSERT_TRUE(sim::setNetworkPassword(state, ""));
    EXPECT_FALSE(state.verifier);
}
