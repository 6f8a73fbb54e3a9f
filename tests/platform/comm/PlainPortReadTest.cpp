// A controller that still hands out passwords in its port settings on a plain link (an older
// one, or something in its place): the host takes none of them, so nothing shows them and
// nothing writes them back.
#include <gtest/gtest.h>

#include "FakePeer.h"
#include "platform/components/finder/LinkedController.h"
#include "platform/kvxglib/RealLibrary.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/Request.h"
#include "support/FakeUi.h"
#include "support/TempFolder.h"

namespace {

using components::PortField;

constexpr uint8_t code(PortField f) { return static_cast<uint8_t>(f); }

commtest::PeerAction leaky(const wire::Frame& request, int) {
    if (request.command != wire::code(wire::PortCommand::ReadPortSettings))
        return commtest::PeerAction::reply(wire::makeReplyFrame(request, wire::ReplyCode::Ok));
    const wire::PortSettings settings{{{code(PortField::EmailServerAddress), "mail.plant.example"},
                                       {code(PortField::EmailLoginPass), "mail-secret"},
                                       {code(PortField::EncryptionPassword1), "guest-secret"}}};
    return commtest::PeerAction::reply(wire::makeReplyFrame(request, wire::ReplyCode::Ok, 0,
                                                            wire::encodePayload(settings).value()));
}

}  // namespace

TEST(PlainPortReadTest, PasswordsThatCameInClearAreNotTaken) {
    testsupport::TempFolder temp;
    temp.write("machine/Kvxmatic.Ini", "[Link]\nTcpTimeoutMs=500\nTcpConnectTimeoutMs=500\n");
    testsupport::ScriptedMessageBoxes boxes;
    kvxglib::RealLibrary lib{boxes, temp / "machine"};
    components::LinkPool pool;
    commtest::TcpPeer peer;
    peer.setScript(leaky);
    wire::DiscoveryReply reply;
    reply.serialNumber = "SN-MAIL";
    reply.passwordSet = true;  // but not demanded, and no password given: a plain link
    reply.tcpPort = peer.port();
    const secure::Secret none;
    components::LinkedController c(lib, pool, reply, "127.0.0.1", none);

    ASSERT_TRUE(c.ReadPortSettings()) << c.why();
    EXPECT_TRUE(c.known(PortField::EmailServerAddress));
    EXPECT_EQ(c.get(PortField::EmailServerAddress), "mail.plant.example");
    for (PortField secret : {PortField::EmailLoginPass, PortField::EncryptionPassword1}) {
        SCOPED_TRACE(wire::portFieldName(secret));
        EXPECT_FALSE(c.known(secret));
        EXPECT_EQ(c.get(secret), "");
    }
}
