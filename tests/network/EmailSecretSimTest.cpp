// A controller with a network password that does not demand it, found by serial number without
// the password: its e-mail login password neither comes to the host in clear nor can be
// replaced in clear, and the host writes back no login it was not told.
#include <gtest/gtest.h>

#include <map>

#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/SimNetworkFixture.h"
#include "network/TcpIpSettings.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/wire/PortSettingsPayload.h"
#include "platform/wire/ReplyCode.h"

namespace networktest {
namespace {

using wire::PortField;

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Mail]
Serial=SN-M
Name=Pump
Address=2:1
Listen=127.0.0.26:0
Ip=192.168.1.26
SubnetMask=255.255.255.0
Capabilities=9
Password=mail-pass
EmailServer=mail.plant.example
EmailLoginPass=mail-secret
)";

constexpr uint8_t kServer = static_cast<uint8_t>(PortField::EmailServerAddress);
constexpr uint8_t kLoginPass = static_cast<uint8_t>(PortField::EmailLoginPass);

class EmailSecretSimTest : public SimNetworkTest {
  protected:
    void SetUp() override { start(kNetwork); }

    // 0x50 on a link of its own: sealed with the password, else plain.
    std::map<uint8_t, std::string> portSettings(bool sealed) {
        return fields(sealed, wire::PortCommand::ReadPortSettings, {});
    }
    // The reply code of an apply of `settings`, or of the read.
    uint16_t code(bool sealed, const wire::PortSettings& settings) {
        fields(sealed, wire::PortCommand::ApplyPortSettings, settings);
        return last_;
    }
    std::map<uint8_t, std::string> fields(bool sealed, wire::PortCommand command,
                                          const wire::PortSettings& settings) {
        const simtest::Endpoint at = sim->tcpEndpoint("Mail");
        std::string why;
        const int32_t link =
            sealed ? kvxglib::openSecureTcpLink(*fixture.glib, at.host, at.port,
                                                secure::Secret("mail-pass"), &why, nullptr, "SN-M")
                   : kvxglib::openTcpLink(*fixture.glib, at.host, at.port, &why);
        EXPECT_NE(link, 0) << why;
        std::vector<uint8_t> payload;
        if (command != wire::PortCommand::ReadPortSettings)
            payload = wire::encodePayload(settings).value();
        std::vector<uint8_t> reply;
        const bool ok = kvxglib::runDirectCommand(*fixture.glib, link, wire::code(command),
                                                  std::move(payload), reply, why);
        const uint16_t authRequired = wire::code(wire::ReplyCode::AuthRequired);
        last_ = ok ? 0
                : why == std::string("reply code ") + wire::replyCodeName(authRequired)
                    ? authRequired
                    : 0xFFFF;
        kvxglib::closeLink(*fixture.glib, link);
        std::map<uint8_t, std::string> out;
        if (auto decoded = wire::decodePortSettings(reply))
            for (const auto& [field, value] : decoded->fields) out[field] = value;
        return out;
    }
    // The pending settings take effect, as the older port takes them at a cold start with its
    // flag set.
    void takePending() {
        const simtest::Endpoint at = sim->tcpEndpoint("Mail");
        std::string why;
        const int32_t link = kvxglib::openTcpLink(*fixture.glib, at.host, at.port, &why);
        ASSERT_NE(link, 0) << why;
        int32_t status = 0;
        ASSERT_TRUE(clink::WriteSmallInt(*fixture.glib, link, 255, 30, 250, 0, 32, 1,
                                         clink::flags::Normal, status, u""))
            << std::hex << status << " " << ::testing::PrintToString(fixture.messages());
        clink::ColdStart(*fixture.platform, link, 255, 30);
        kvxglib::closeLink(*fixture.glib, link);
    }

    uint16_t last_ = 0;
};

}  // namespace

TEST_F(EmailSecretSimTest, APlainReadCarriesNoLoginPasswordAndASealedOneDoes) {
    const auto plain = portSettings(false);
    EXPECT_EQ(plain.count(kLoginPass), 0U);
    EXPECT_EQ(plain.at(kServer), "mail.plant.example");
    const auto sealed = portSettings(true);
    ASSERT_EQ(sealed.count(kLoginPass), 1U);
    EXPECT_EQ(sealed.at(kLoginPass), "mail-secret");
}

TEST_F(EmailSecretSimTest, APlainApplyOfTheLoginOrItsServerChangesNothing) {
    struct Row {
        const char* what;
        wire::PortSettings apply;
    };
    const Row rows[] = {
        {"login password", {{{kLoginPass, "evil"}}}},
        {"another server", {{{kServer, "mail.evil.example"}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(code(false, row.apply), wire::code(wire::ReplyCode::AuthRequired));
    }
    // Whatever the refused applies left would take effect now.
    ASSERT_NO_FATAL_FAILURE(takePending());
    auto sealed = portSettings(true);
    EXPECT_EQ(sealed[kLoginPass], "mail-secret");
    EXPECT_EQ(sealed[kServer], "mail.plant.example");

    EXPECT_EQ(code(true, {{{kLoginPass, "new-secret"}, {kServer, "mail.new.example"}}}), 0);
    ASSERT_NO_FATAL_FAILURE(takePending());
    sealed = portSettings(true);
    EXPECT_EQ(sealed[kLoginPass], "new-secret") << "the authenticated host may";
    EXPECT_EQ(sealed[kServer], "mail.new.example");
}

// `--serial` without the password finds the controller and reads its port settings on a plain
// link: the login password is not among what it learns, and the set-up writes none back.
TEST_F(EmailSecretSimTest, FoundWithoutThePasswordTheHostLearnsAndWritesBackNoLogin) {
    network::FormSearchTCP form(program());
    form.Form_Activate();
    ASSERT_EQ(form.CtrlList.items.size(), 1U);
    form.CtrlList_ItemClick(1);
    form.ButtonOk_Click();
    ASSERT_TRUE(form.SearchOkFlg) << ::testing::PrintToString(fixture.messages());
    const int16_t i = network::FindControllerBySerial(program(), "SN-M", false);
    ASSERT_NE(i, -1);
    EXPECT_FALSE(program().comm.finder->Item(i).known(PortField::EmailLoginPass));
    auto& cfg = program().TcpCfg;
    EXPECT_TRUE(cfg.EmailServerAddressKnown);
    EXPECT_EQ(cfg.EmailServerAddress, "mail.plant.example");
    EXPECT_FALSE(cfg.EmailLoginPassKnown) << "not told over a plain link";
    EXPECT_EQ(cfg.EmailLoginPass, "");

    cfg.DHCP = true;
    ASSERT_TRUE(network::SetupControllerTcpIp(program()))
        << ::testing::PrintToString(fixture.messages());
    ASSERT_NO_FATAL_FAILURE(takePending());
    const auto sealed = portSettings(true);
    EXPECT_EQ(sealed.at(kLoginPass), "mail-secret") << "no unknown login written back";
    EXPECT_EQ(sealed.at(kServer), "mail.plant.example");
}

}  // namespace networktest
