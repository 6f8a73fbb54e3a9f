// The e-mail login of a controller that has a network password but does not demand it: the
// port settings keep the login password and the server it goes to for the authenticated host.
#include <gtest/gtest.h>

#include <map>

#include "platform/wire/PortSettingsPayload.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"

namespace {

using wire::PortField;
using wire::ReplyCode;
using wire::Value;

constexpr wire::Address kSelf{1, 5};
constexpr uint16_t kServices = 242;
constexpr int32_t kEmailCommit = 0, kEmailServer = 4;
const sim::Caller kPlain{1, false};
const sim::Caller kSealed{1, true};

sim::ControllerConfig config(bool password, bool kvxrealC) {
    sim::ControllerConfig c;
    c.id = "Mail";
    c.serialNumber = "SN-M";
    c.kvxrealC = kvxrealC;
    c.address = kSelf;
    c.password = password ? "Vault-1" : "";
    c.emailServer = "mail.plant.example";
    c.emailLoginPass = "mail-secret";
    return c;
}

struct Port {
    sim::Controller controller;
    explicit Port(bool password, bool kvxrealC = false)
        : controller(config(password, kvxrealC), sim::initialState(config(password, kvxrealC))) {}

    wire::Frame frame(wire::PortCommand command, const wire::PortSettings& settings = {}) {
        wire::Frame f;
        f.address = wire::kDirectAddress;
        f.command = wire::code(command);
        if (command != wire::PortCommand::ReadPortSettings)
            f.payload = wire::encodePayload(settings).value();
        return f;
    }
    uint16_t apply(const wire::PortSettings& settings, const sim::Caller& caller) {
        return controller.handle(frame(wire::PortCommand::ApplyPortSettings, settings), caller)
            .reply->code1;
    }
    // What 0x50 returns, field code to text.
    std::map<uint8_t, std::string> read(const sim::Caller& caller) {
        const auto out = controller.handle(frame(wire::PortCommand::ReadPortSettings), caller);
        std::map<uint8_t, std::string> fields;
        const auto decoded = wire::decodePortSettings(out.reply->payload);
        EXPECT_TRUE(decoded);
        if (decoded)
            for (const auto& [code, value] : decoded->fields) fields[code] = value;
        return fields;
    }
    uint16_t write(int32_t index, const std::string& text, const sim::Caller& caller) {
        return controller
            .handle(simtest::writeVar(kSelf, 1, kServices, index, Value::oemText(text)), caller)
            .reply->code1;
    }
};

constexpr uint8_t kLoginPass = static_cast<uint8_t>(PortField::EmailLoginPass);
constexpr uint8_t kServer = static_cast<uint8_t>(PortField::EmailServerAddress);
constexpr uint8_t kSender = static_cast<uint8_t>(PortField::EmailSenderAddress);
constexpr uint8_t kWebGuest = static_cast<uint8_t>(PortField::EncryptionPassword1);

}  // namespace

TEST(PortSecretsTest, TheLoginPasswordIsReadOnlySealedOnceThereIsAPassword) {
    struct Row {
        bool password;
        const sim::Caller& caller;
        bool loginPass;
    };
    const Row rows[] = {
        {true, kPlain, false},
        {true, kSealed, true},
        {false, kPlain, true},  // nothing to protect it with yet
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.password ? "with" : "without") + " a password, " +
                     (row.caller.sealed ? "sealed" : "plain"));
        Port port(row.password);
        const auto fields = port.read(row.caller);
        EXPECT_EQ(fields.count(kLoginPass), row.loginPass ? 1U : 0U);
        if (row.loginPass) {
            EXPECT_EQ(fields.at(kLoginPass), "mail-secret");
        }
        EXPECT_EQ(fields.count(kWebGuest), 0U) << "the web passwords never";
        EXPECT_EQ(fields.at(kServer), "mail.plant.example") << "no secret";
    }
}

TEST(PortSecretsTest, APlainApplyCannotReplaceTheLoginOrRedirectIt) {
    struct Row {
        const char* what;
        bool password;
        const sim::Caller& caller;
        wire::PortSettings apply;
        ReplyCode code;
        const char* server;  // the values the port takes next
        const char* loginPass;
        const char* sender;
    };
    const Row rows[] = {
        {"new login password", true, kPlain, {{{kLoginPass, "evil"}}}, ReplyCode::AuthRequired,
         "mail.plant.example", "mail-secret", ""},
        {"login password cleared", true, kPlain, {{{kLoginPass, ""}}}, ReplyCode::AuthRequired,
         "mail.plant.example", "mail-secret", ""},
        {"another server", true, kPlain, {{{kSender, "a@b"}, {kServer, "mail.evil.example"}}},
         ReplyCode::AuthRequired, "mail.plant.example", "mail-secret", ""},
        {"the same server with a sender", true, kPlain,
         {{{kServer, "mail.plant.example"}, {kSender, "a@b"}}}, ReplyCode::Ok,
         "mail.plant.example", "mail-secret", "a@b"},
        {"both sealed", true, kSealed, {{{kServer, "mail.new.example"}, {kLoginPass, "new"}}},
         ReplyCode::Ok, "mail.new.example", "new", ""},
        {"both without a password", false, kPlain,
         {{{kServer, "mail.new.example"}, {kLoginPass, "new"}}}, ReplyCode::Ok,
         "mail.new.example", "new", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Port port(row.password);
        EXPECT_EQ(port.apply(row.apply, row.caller), wire::code(row.code));
        const sim::PortSettings& settings = port.controller.port();
        EXPECT_EQ(settings.next(PortField::EmailServerAddress), row.server);
        EXPECT_EQ(settings.next(PortField::EmailLoginPass), row.loginPass);
        EXPECT_EQ(settings.next(PortField::EmailSenderAddress), row.sender)
            << "a refused apply stages nothing";
    }
}

TEST(PortSecretsTest, AKvxrealCTakesAnotherServerOnlyFromTheAuthenticatedHost) {
    Port port(true, true);
    auto server = [&] { return port.controller.port().get(PortField::EmailServerAddress); };
    EXPECT_EQ(port.write(kEmailServer, "mail.evil.example", kPlain),
              wire::code(ReplyCode::AuthRequired));
    EXPECT_EQ(port.write(kEmailServer, "", kPlain), wire::code(ReplyCode::Ok))
        << "the variable's own value again changes nothing";
    EXPECT_EQ(port.write(kEmailCommit, "True", kPlain), wire::code(ReplyCode::AuthRequired))
        << "the commit would give the port another server and login";
    EXPECT_EQ(server(), "mail.plant.example");

    ASSERT_EQ(port.write(kEmailServer, "mail.new.example", kSealed), wire::code(ReplyCode::Ok));
    EXPECT_EQ(port.write(kEmailCommit, "True", kPlain), wire::code(ReplyCode::AuthRequired));
    EXPECT_EQ(server(), "mail.plant.example");
    EXPECT_EQ(port.write(kEmailCommit, "True", kSealed), wire::code(ReplyCode::Ok));
    EXPECT_EQ(server(), "mail.new.example");
    EXPECT_EQ(port.write(kEmailCommit, "True", kPlain), wire::code(ReplyCode::Ok))
        << "a commit that changes nothing may come in clear";
}
