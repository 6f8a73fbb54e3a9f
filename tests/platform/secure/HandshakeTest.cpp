// The handshake between HostHandshake and ControllerHandshake, without a link: who gets keys,
// and what a replayer, a meddler in the middle or an impostor gets.
#include <gtest/gtest.h>

#include <functional>

#include "platform/secure/Handshake.h"

namespace {

secure::Verifier verifierFor(const std::string& password) {
    auto v = secure::makeVerifier(password, secure::kSimulatorCost);
    EXPECT_TRUE(v);
    return v.value_or(secure::Verifier{});
}

struct Outcome {
    std::optional<wire::ProofRequest> proof;
    std::optional<secure::ControllerHandshake::Accepted> controller;
    std::optional<secure::SessionKeys> host;
};

const std::string kSerial = "2030-0001";

// One handshake with the controller kSerial; the meddlers may change the hellos on their way.
// `chosen`: the serial number the host asks for (empty: whatever the controller names).
using Meddle = std::function<void(wire::HelloRequest&, wire::HelloReply&)>;
Outcome handshake(const std::string& hostPassword, const secure::Verifier& verifier,
                  const Meddle& meddle = {}, const std::string& chosen = kSerial) {
    Outcome run;
    secure::HostHandshake host(chosen);
    secure::ControllerHandshake controller;
    wire::HelloRequest hello = host.hello();
    wire::HelloReply unused;
    if (meddle) meddle(hello, unused);
    auto reply = controller.answer(verifier, kSerial, hello);
    EXPECT_TRUE(reply);
    if (!reply) return run;
    wire::HelloRequest unusedHello;
    if (meddle) meddle(unusedHello, *reply);
    run.proof = host.prove(hostPassword, *reply);
    if (!run.proof) return run;
    run.controller = controller.check(*run.proof);
    if (run.controller) run.host = host.confirm(run.controller->reply);
    return run;
}

}  // namespace

TEST(Handshake, OnlyTheRightPasswordGivesBothSidesMatchingKeys) {
    const secure::Verifier verifier = verifierFor("Right-1");
    struct Row {
        std::string password;
        bool accepted;
    };
    const Row rows[] = {{"Right-1", true}, {"Right-2", false}, {"right-1", false}, {"", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.password);
        const Outcome run = handshake(row.password, verifier);
        ASSERT_TRUE(run.proof);
        ASSERT_EQ(run.controller.has_value(), row.accepted);
        ASSERT_EQ(run.host.has_value(), row.accepted);
        if (!row.accepted) continue;
        EXPECT_EQ(run.host->send, run.controller->keys.receive);
        EXPECT_EQ(run.host->receive, run.controller->keys.send);
        EXPECT_NE(run.host->send, run.host->receive);
    }
}

TEST(Handshake, EverySessionHasKeysOfItsOwn) {
    const secure::Verifier verifier = verifierFor("pw");
    const Outcome a = handshake("pw", verifier), b = handshake("pw", verifier);
    ASSERT_TRUE(a.host && b.host);
    EXPECT_NE(a.host->send, b.host->send);
    EXPECT_NE(a.proof->proof, b.proof->proof);
}

TEST(Handshake, AChangeInTransitFailsTheHandshake) {
    const secure::Verifier verifier = verifierFor("pw");
    const std::pair<const char*, Meddle> rows[] = {
        {"host nonce", [](wire::HelloRequest& h, wire::HelloReply&) { h.nonce[3] ^= 1; }},
        {"controller nonce", [](wire::HelloRequest&, wire::HelloReply& r) { r.nonce[0] ^= 1; }},
        {"salt", [](wire::HelloRequest&, wire::HelloReply& r) { r.salt[15] ^= 0x80; }},
        {"cost", [](wire::HelloRequest&, wire::HelloReply& r) { r.opsLimit = 2; }},
        {"serial number", [](wire::HelloRequest&, wire::HelloReply& r) { r.serialNumber += "0"; }},
    };
    for (const auto& [what, meddle] : rows) {
        SCOPED_TRACE(what);
        // A host that knows only an address takes the serial number the reply names.
        for (const std::string& chosen : {kSerial, std::string()}) {
            const Outcome run = handshake("pw", verifier, meddle, chosen);
            EXPECT_FALSE(run.controller);
            EXPECT_FALSE(run.host);
        }
    }
}

TEST(Handshake, ARelayToAnotherControllerWithTheSamePasswordFails) {
    // The host chose 2030-0002; a relay hands its hello to kSerial, which shares the password.
    const secure::Verifier verifier = verifierFor("pw");
    const Outcome named = handshake("pw", verifier, {}, "2030-0002");
    EXPECT_FALSE(named.proof) << "no proof for a controller that names another serial number";
    const Outcome disguised = handshake(
        "pw", verifier, [](wire::HelloRequest&, wire::HelloReply& r) { r.serialNumber = "2030-0002"; },
        "2030-0002");
    ASSERT_TRUE(disguised.proof);
    EXPECT_FALSE(disguised.controller);
    EXPECT_FALSE(disguised.host);
}

TEST(Handshake, ARecordedProofNeverPassesAgain) {
    const secure::Verifier verifier = verifierFor("pw");
    const Outcome recorded = handshake("pw", verifier);
    ASSERT_TRUE(recorded.controller);

    secure::ControllerHandshake noHello;
    EXPECT_FALSE(noHello.check(*recorded.proof));

    secure::HostHandshake other;
    secure::ControllerHandshake fresh;
    ASSERT_TRUE(fresh.answer(verifier, kSerial, other.hello()));
    EXPECT_FALSE(fresh.check(*recorded.proof));
    // One proof per hello: even the right one comes too late now.
    EXPECT_FALSE(fresh.awaitingProof());
}

TEST(Handshake, TheHostRefusesAControllerThatCannotProveThePassword) {
    const secure::Verifier verifier = verifierFor("pw");
    secure::HostHandshake host;
    secure::ControllerHandshake controller;
    auto reply = controller.answer(verifier, kSerial, host.hello());
    ASSERT_TRUE(reply);
    auto proof = host.prove("pw", *reply);
    ASSERT_TRUE(proof);
    auto accepted = controller.check(*proof);
    ASSERT_TRUE(accepted);
    wire::ProofReply forged = accepted->reply;
    forged.proof[0] ^= 1;
    EXPECT_FALSE(host.confirm(forged));
    EXPECT_FALSE(host.confirm(wire::ProofReply{}));
    EXPECT_TRUE(host.confirm(accepted->reply));
}

TEST(Handshake, ValuesThatAreNoGroupElementsAreRefused) {
    const secure::Verifier verifier = verifierFor("pw");
    wire::Point identity{}, nonCanonical{};
    nonCanonical.fill(0xFF);
    for (const wire::Point& bad : {identity, nonCanonical}) {
        secure::HostHandshake host;
        secure::ControllerHandshake controller;
        auto reply = controller.answer(verifier, kSerial, host.hello());
        ASSERT_TRUE(reply);
        wire::HelloReply badReply = *reply;
        badReply.point = bad;
        EXPECT_FALSE(host.prove("pw", badReply));

        secure::HostHandshake second;
        ASSERT_TRUE(controller.answer(verifier, kSerial, second.hello()));
        EXPECT_FALSE(controller.check(wire::ProofRequest{bad, {}}));
    }
}
