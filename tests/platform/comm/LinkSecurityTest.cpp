// The host's side of the password-protected link against a scripted controller: how each
// answer to the handshake is reported, and what the caller sees of frames from the line.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/comm/LinkSecurity.h"
#include "platform/secure/Handshake.h"
#include "platform/wire/Command.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/Request.h"
#include "platform/wire/SecurePayloads.h"
#include "support/HandSealed.h"

namespace {

using comm::PasswordCheck;
using comm::Received;
using wire::ReplyCode;

constexpr const char* kPassword = "Line-7";

// A controller that answers the handshake like the real one, unless a row says otherwise.
struct ScriptedController {
    secure::Verifier verifier = *secure::makeVerifier(kPassword, secure::kSimulatorCost);
    secure::ControllerHandshake handshake;
    std::optional<secure::ControllerHandshake::Accepted> accepted;
    std::function<std::optional<Received>(const wire::Frame&)> override;
    std::deque<Received> pending;

    bool send(const wire::Frame& f, std::string&) {
        if (override) {
            if (auto r = override(f)) {
                pending.push_back(*r);
                return true;
            }
        }
        wire::Frame reply;
        if (f.command == wire::code(wire::Command::Hello)) {
            auto answer = handshake.answer(verifier, "LS-1", *wire::decodeHelloRequest(f.payload));
            reply = wire::makeReplyFrame(f, ReplyCode::Ok, 0, wire::encodePayload(*answer));
        } else {
            accepted = handshake.check(*wire::decodeProofRequest(f.payload));
            reply = accepted ? wire::makeReplyFrame(f, ReplyCode::Ok, 0,
                                                    wire::encodePayload(accepted->reply))
                             : wire::makeReplyFrame(f, ReplyCode::Refused);
        }
        pending.push_back({Received::Kind::Frame, reply});
        return true;
    }
    Received receive() {
        if (pending.empty()) return {Received::Kind::TimedOut, {}};
        Received r = pending.front();
        pending.pop_front();
        return r;
    }
    PasswordCheck run(comm::LinkSecurity& host) {
        std::string why;
        return host.handshake([this](const wire::Frame& f, std::string& w) { return send(f, w); },
                              [this] { return receive(); }, why);
    }
};

std::optional<Received> answerWith(const wire::Frame& f, uint8_t command, ReplyCode code) {
    if (f.command != command) return std::nullopt;
    return Received{Received::Kind::Frame, wire::makeReplyFrame(f, code)};
}

}  // namespace

TEST(LinkSecurity, EveryAnswerToTheHandshakeHasItsVerdict) {
    const uint8_t hello = wire::code(wire::Command::Hello), proof = wire::code(wire::Command::Proof);
    struct Row {
        const char* what;
        std::string password;
        std::function<std::optional<Received>(const wire::Frame&)> override;
        PasswordCheck expected;
    };
    const Row rows[] = {
        {"right password", kPassword, {}, PasswordCheck::Accepted},
        {"wrong password", "Line-8", {}, PasswordCheck::Refused},
        {"no password on the controller", kPassword,
         [=](const wire::Frame& f) { return answerWith(f, hello, ReplyCode::NotFound); },
         PasswordCheck::Refused},
        {"an older controller", kPassword,
         [=](const wire::Frame& f) { return answerWith(f, hello, ReplyCode::UnknownCommand); },
         PasswordCheck::Refused},
        {"too many failures", kPassword,
         [=](const wire::Frame& f) { return answerWith(f, proof, ReplyCode::RateLimited); },
         PasswordCheck::RateLimited},
        {"silence", kPassword,
         [](const wire::Frame& f) -> std::optional<Received> {
             if (f.command != wire::code(wire::Command::Proof)) return std::nullopt;
             return Received{Received::Kind::TimedOut, {}};
         },
         PasswordCheck::Unreachable},
        {"an impostor's proof", kPassword,
         [=](const wire::Frame& f) -> std::optional<Received> {
             if (f.command != proof) return std::nullopt;
             return Received{Received::Kind::Frame,
                             wire::makeReplyFrame(f, ReplyCode::Ok, 0,
                                                  wire::encodePayload(wire::ProofReply{}))};
         },
         PasswordCheck::Refused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedController controller;
        controller.override = row.override;
        comm::LinkSecurity host{secure::Secret(row.password)};
        EXPECT_EQ(controller.run(host), row.expected);
        EXPECT_EQ(host.lastCheck(), row.expected);
        EXPECT_EQ(host.established(), row.expected == PasswordCheck::Accepted);
    }
}

TEST(LinkSecurity, WhatTheCallerSeesOfFramesFromTheLine) {
    ScriptedController controller;
    comm::LinkSecurity host{secure::Secret(kPassword)};
    ASSERT_EQ(controller.run(host), PasswordCheck::Accepted);
    secure::SealedChannel controllerSide(controller.accepted->keys);

    wire::Frame request;
    request.address = {12, 3};
    request.command = wire::code(wire::Command::ReadVariable);
    request.sequence = 41;
    const wire::Frame outer = host.seal(request);
    auto opened = controllerSide.open(outer);
    ASSERT_TRUE(std::holds_alternative<wire::Frame>(opened));

    const wire::Frame sealedReply =
        controllerSide.seal(wire::makeReplyFrame(request, ReplyCode::Ok, 0, {2, 1, 0}));
    auto reply = host.open(sealedReply);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(wire::answers(*reply, request));
    EXPECT_FALSE(host.open(sealedReply)) << "a repeated reply is dropped";

    EXPECT_FALSE(host.broken());
    // After the handshake nothing in clear passes for the controller's answer, not even a
    // refusal of the sealed frame: the connection is broken and must be closed.
    EXPECT_FALSE(host.open(wire::makeReplyFrame(outer, ReplyCode::Refused)));
    EXPECT_TRUE(host.broken());
    host.reset();
    EXPECT_FALSE(host.established());
    EXPECT_FALSE(host.broken());
    EXPECT_FALSE(host.open(controllerSide.seal(wire::makeReplyFrame(request, ReplyCode::Ok))));

    // Authentic, but the reply inside carries another sequence than its envelope.
    ScriptedController again;
    comm::LinkSecurity other{secure::Secret(kPassword)};
    ASSERT_EQ(again.run(other), PasswordCheck::Accepted);
    const wire::Frame odd = wire::makeReplyFrame(request, ReplyCode::Ok);
    EXPECT_FALSE(other.open(testsupport::sealByHand(again.accepted->keys.send, 1, odd, 42)));
    EXPECT_TRUE(other.broken());
}

namespace {

// Counts what the link takes from the host's budget and what it gives back.
struct CountingBudget final : comm::ProofBudget {
    std::optional<Clock::time_point> take(const std::string& controller) override {
        taken.push_back(controller);
        if (taken.size() > limit) return std::nullopt;
        return Clock::time_point{} + std::chrono::seconds(taken.size());
    }
    void verified(const std::string& controller, Clock::time_point when) override {
        settled.emplace_back(controller, when);
    }
    std::size_t limit = 1000;
    std::vector<std::string> taken;
    std::vector<std::pair<std::string, Clock::time_point>> settled;
};

}  // namespace

TEST(LinkSecurity, AProofThatIsNotProvedBackCountsAndIsNeverSentAgainByItself) {
    const uint8_t proof = wire::code(wire::Command::Proof);
    using Answer = std::function<std::optional<Received>(const wire::Frame&)>;
    const auto onProof = [=](std::function<Received(const wire::Frame&)> answer) -> Answer {
        return [=](const wire::Frame& f) -> std::optional<Received> {
            if (f.command != proof) return std::nullopt;
            return answer(f);
        };
    };
    const auto code = [=](ReplyCode c) {
        return onProof([=](const wire::Frame& f) {
            return Received{Received::Kind::Frame, wire::makeReplyFrame(f, c)};
        });
    };
    struct Row {
        const char* what;
        std::string password;
        Answer override;
        PasswordCheck expected;
    };
    const Row rows[] = {
        {"an impostor's proof back", kPassword, onProof([](const wire::Frame& f) {
             return Received{Received::Kind::Frame,
                             wire::makeReplyFrame(f, ReplyCode::Ok, 0,
                                                  wire::encodePayload(wire::ProofReply{}))};
         }),
         PasswordCheck::Refused},
        {"our proof refused", "Line-8", {}, PasswordCheck::Refused},
        {"the connection closed after the proof", kPassword, onProof([](const wire::Frame&) {
             return Received{Received::Kind::Lost, {}};
         }),
         PasswordCheck::Unreachable},
        {"no answer to the proof", kPassword, onProof([](const wire::Frame&) {
             return Received{Received::Kind::TimedOut, {}};
         }),
         PasswordCheck::Unreachable},
        {"busy", kPassword, code(ReplyCode::Busy), PasswordCheck::Refused},
        {"rate limited after the proof", kPassword, code(ReplyCode::RateLimited),
         PasswordCheck::RateLimited},
        {"not found", kPassword, code(ReplyCode::NotFound), PasswordCheck::Refused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedController controller;
        int proofs = 0;
        controller.override = [&](const wire::Frame& f) {
            if (f.command == proof) ++proofs;
            return row.override ? row.override(f) : std::nullopt;
        };
        CountingBudget budget;
        comm::LinkSecurity host{secure::Secret(row.password), &budget, "10.0.0.7:5001", "LS-1"};
        for (int reconnect = 0; reconnect < 50; ++reconnect) {
            EXPECT_EQ(controller.run(host), row.expected);
            host.reset();
        }
        EXPECT_EQ(proofs, 1);
        EXPECT_EQ(budget.taken, std::vector<std::string>{"LS-1"}) << "counted by serial number";
        EXPECT_TRUE(budget.settled.empty()) << "it keeps counting";
    }

    // The controller's proof back is the one ending that gives the proof back to the budget.
    ScriptedController controller;
    CountingBudget budget;
    comm::LinkSecurity host{secure::Secret(kPassword), &budget, "10.0.0.7:5001", "LS-1"};
    ASSERT_EQ(controller.run(host), PasswordCheck::Accepted);
    ASSERT_EQ(budget.settled.size(), 1u);
    EXPECT_EQ(budget.settled[0].first, "LS-1");
    EXPECT_EQ(budget.settled[0].second,
              comm::ProofBudget::Clock::time_point{} + std::chrono::seconds(1));
}

TEST(LinkSecurity, NoProofLeavesWhenTheHostsBudgetIsSpent) {
    CountingBudget budget;
    budget.limit = 0;
    int proofs = 0;
    ScriptedController controller;
    controller.override = [&](const wire::Frame& f) -> std::optional<Received> {
        if (f.command == wire::code(wire::Command::Proof)) ++proofs;
        return std::nullopt;
    };
    comm::LinkSecurity host(secure::Secret(kPassword), &budget, "10.0.0.7:5001");
    EXPECT_EQ(controller.run(host), PasswordCheck::RateLimited);
    EXPECT_EQ(proofs, 0);
    EXPECT_EQ(budget.taken, std::vector<std::string>{"10.0.0.7:5001"}) << "no serial: the address";
    // Not a failed proof: once the budget allows, the link proves itself.
    budget.limit = 1000;
    host.reset();
    EXPECT_EQ(controller.run(host), PasswordCheck::Accepted);
}
