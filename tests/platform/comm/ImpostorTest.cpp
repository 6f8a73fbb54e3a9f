// Someone on the building's network answers in a protected controller's place: forged
// discovery flags and a hello answered NotFound must get it neither a plain link nor a
// password, a plain link never carries one, and a proof it took is not sent again.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "FakePeer.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/components/finder/ProtectedControllers.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/secure/Handshake.h"
#include "platform/secure/Verifier.h"
#include "platform/wire/Command.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/Request.h"
#include "platform/wire/SecurePayloads.h"
#include "support/Carriers.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

namespace {

using components::PortField;

constexpr const char* kSerial = "SN-VAULT";

// Answers a hello "no password here" and anything else Ok, keeping what it was sent.
commtest::PeerAction impostor(const wire::Frame& request, int) {
    const bool hello = request.command == wire::code(wire::Command::Hello);
    return commtest::PeerAction::reply(
        wire::makeReplyFrame(request, hello ? wire::ReplyCode::NotFound : wire::ReplyCode::Ok));
}

class Impostor : public ::testing::Test {
  protected:
    Impostor() {
        temp.write("machine/Kvxmatic.Ini", "[Link]\nTcpTimeoutMs=500\nTcpConnectTimeoutMs=500\n");
        peer.setScript(impostor);
    }
    components::LinkedController found(bool required, bool passwordSet,
                                       const std::string& password) {
        wire::DiscoveryReply reply;
        reply.serialNumber = kSerial;
        reply.kvxrealC = true;
        reply.encryptionRequired = required;
        reply.passwordSet = passwordSet;
        reply.tcpPort = peer.port();
        given = secure::Secret(password);
        return components::LinkedController(lib, pool, reply, "127.0.0.1", given);
    }
    bool sent(uint8_t command) const {
        for (const wire::Frame& f : peer.received())
            if (f.command == command) return true;
        return false;
    }

    testsupport::TempFolder temp;
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary lib{boxes, temp / "machine"};
    components::LinkPool pool;
    secure::Secret given;  // the finder's copy, which the found controller proves from
    commtest::TcpPeer peer;
};

}  // namespace

TEST_F(Impostor, AHelloAnsweredNotFoundGetsNoPlainLinkAndNoSecret) {
    struct Row {
        const char* what;
        bool required, passwordSet, known;
    };
    const Row rows[] = {
        {"the reply demands encryption", true, true, false},
        {"the reply says a password is set", false, true, false},
        {"known to use one, the reply says none", false, false, true},
        {"first contact, the reply says none, a password given", false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        components::ProtectedControllers known(temp / "machine");
        std::filesystem::remove(temp / "machine/ProtectedControllers.txt");
        if (row.known) {
            ASSERT_TRUE(known.remember(kSerial));
        }
        pool.clear();
        const int before = peer.requests();

        auto c = found(row.required, row.passwordSet, "Vault-1");
        c.put(PortField::EncryptionPassword1, "guest-secret");
        EXPECT_FALSE(c.Connect()) << "no link after a failed handshake";
        EXPECT_EQ(c.Handle(), 0);
        const auto received = peer.received();
        ASSERT_EQ(received.size(), static_cast<std::size_t>(before + 1)) << "only the hello";
        EXPECT_EQ(received.back().command, wire::code(wire::Command::Hello));
        EXPECT_FALSE(sent(wire::code(wire::PortCommand::ApplyPortSettings)));
        EXPECT_EQ(c.warning().empty(), !row.known) << c.warning();
        const bool claimsNone = !row.required && !row.passwordSet && !row.known;
        EXPECT_EQ(c.why().starts_with(components::kAnsweredUnprotected), claimsNone) << c.why();
        EXPECT_EQ(known.has(kSerial), row.known) << "only a proved password is remembered";
    }
}

TEST_F(Impostor, AGivenPasswordIsProvedWhateverTheReplySays) {
    // A password given is never taken as enough by the reply's word alone.
    auto c = found(false, false, "Vault-1");
    EXPECT_FALSE(c.PasswordAccepted());
    EXPECT_EQ(c.Handle(), 0);
    EXPECT_TRUE(c.why().starts_with(components::kAnsweredUnprotected)) << c.why();
    ASSERT_EQ(peer.received().size(), 1u) << "only the hello";
    EXPECT_EQ(peer.received().back().command, wire::code(wire::Command::Hello));
    EXPECT_FALSE(c.Connect());
    EXPECT_EQ(c.Handle(), 0);
    for (const wire::Frame& f : peer.received())
        EXPECT_EQ(f.command, wire::code(wire::Command::Hello)) << "nothing but hellos";

    // No password given: the controller that says it wants none is reached plainly.
    auto open = found(false, false, "");
    EXPECT_TRUE(open.PasswordAccepted());
    EXPECT_TRUE(open.Connect());
    EXPECT_FALSE(open.sealed());
}

TEST_F(Impostor, APlainLinkCarriesNoPassword) {
    // A controller that says it has no password, and is not known to have one.
    auto c = found(false, false, "");
    c.put(PortField::Name, "Boiler room");
    c.put(PortField::EncryptionPassword2, "operator-secret");
    EXPECT_FALSE(c.Connect());
    EXPECT_NE(c.why().find("password-protected"), std::string::npos) << c.why();
    EXPECT_FALSE(sent(wire::code(wire::PortCommand::ApplyPortSettings)));

    // Nor through the library's variable calls on that plain link: the web password's read
    // and write stay here.
    const int32_t link = c.Handle();
    ASSERT_NE(link, 0);
    std::u16string text = u"operator-secret";
    kvxglib::VarRef r = testsupport::ref(255, 30, 1, 5, 248, 222);
    kvxglib::Variant v = testsupport::carrier(kvxglib::vt::BStr, &text);
    int32_t status = 0;
    EXPECT_EQ(lib.WriteVariable(link, &r, &v, 1, 0, 0, &status, u""), 0);
    EXPECT_EQ(lib.ReadVariable(link, &r, &v, 1, 0, 0, &status, u""), 0);
    EXPECT_EQ(peer.requests(), 0);
    // The first network password of a controller without one is the exception.
    std::u16string first = u"First-1";
    kvxglib::VarRef p = testsupport::ref(255, 30, 1, 5, 248, 225);
    kvxglib::Variant pv = testsupport::carrier(kvxglib::vt::BStr, &first);
    EXPECT_NE(lib.WriteVariable(link, &p, &pv, 1, 0, 0, &status, u""), 0) << std::hex << status;
    EXPECT_EQ(peer.requests(), 1);
}

TEST_F(Impostor, AFoundControllerIsProvedToOnceWhateverItAnswersTheProof) {
    // It answers the hello as a controller with a password of its own guessing would.
    struct Row {
        const char* what;
        std::function<commtest::PeerAction(const wire::Frame&)> afterProof;
    };
    const Row rows[] = {
        {"it closes the connection",
         [](const wire::Frame&) { return commtest::PeerAction::close(); }},
        {"it stays silent", [](const wire::Frame&) { return commtest::PeerAction::drop(); }},
        {"it answers busy",
         [](const wire::Frame& f) {
             return commtest::PeerAction::reply(wire::makeReplyFrame(f, wire::ReplyCode::Busy));
         }},
    };
    const auto guess = *secure::makeVerifier("guess-1", secure::kSimulatorCost);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        pool.clear();
        std::filesystem::remove(temp / "machine/ProofTimes.txt");  // each row a fresh budget
        secure::ControllerHandshake handshake;
        int proofs = 0;
        peer.setScript([&](const wire::Frame& f, int) {
            if (f.command == wire::code(wire::Command::Hello)) {
                auto hello = handshake.answer(guess, kSerial, *wire::decodeHelloRequest(f.payload));
                return commtest::PeerAction::reply(
                    wire::makeReplyFrame(f, wire::ReplyCode::Ok, 0, wire::encodePayload(*hello)));
            }
            if (f.command != wire::code(wire::Command::Proof))
                return commtest::PeerAction::reply(wire::makeReplyFrame(f, wire::ReplyCode::Ok));
            ++proofs;
            return row.afterProof(f);
        });
        auto c = found(true, true, "Vault-1");
        EXPECT_FALSE(c.PasswordAccepted());
        EXPECT_FALSE(c.Connect());
        EXPECT_FALSE(c.ReadPortSettings());
        EXPECT_FALSE(c.PasswordAccepted());
        EXPECT_EQ(proofs, 1) << "the found controller proves itself once";
        EXPECT_EQ(c.Handle(), 0);
    }
}
